// Tests: a Sequencer with a clock the test moves. It records every command it receives
// and delivers completion notices queued, as the real device does, so a test runs
// QCoreApplication::processEvents() to see them arrive.
#pragma once

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QMetaObject>
#include <QStringList>
#include <algorithm>
#include <functional>
#include <memory>

#include "playback/sequencer.h"

namespace tunelet::playback::testing {

class FakeSequencer : public Sequencer {
public:
    // --- what the test sets and moves ---

    // Length in ticks of the files opened from now on (and of the open one).
    void setLength(std::int64_t ticks) { m_length = ticks; }
    // Refuses the named command ("open", "close", "play", "pause", "resume", "stop",
    // "seekToStart", "seekToEnd", "audition") with code; 0 accepts it again.
    void setCommandError(const QString &command, ErrorCode code) { m_errors[command] = code; }
    void setErrorText(ErrorCode code, const QString &text) { m_texts[code] = text; }
    void setErrorDetail(ErrorCode code, const QString &detail) { m_details[code] = detail; }
    // Ends a running play as a device does that cannot carry it on.
    void failPlay(const QString &why) {
        if (m_mode != DeviceMode::Playing) {
            return;
        }
        m_failure = why;
        m_mode = DeviceMode::Stopped;
        endPlay(NotifyResult::Failure);
    }
    // Moves a running play on by ticks; reaching the length ends it with a notice. A loop
    // is only recorded: the real device's loop is tested on the real device.
    void advance(std::int64_t ticks) {
        if (m_mode != DeviceMode::Playing) {
            return;
        }
        m_position = std::min(m_position + ticks, m_length);
        if (m_position == m_length) {
            m_mode = DeviceMode::Stopped;
            endPlay(NotifyResult::Successful);
        }
    }
    // Posts a notice whatever the state: a late one, or one of an unusual kind.
    void postNotice(NotifyResult result) {
        QMetaObject::invokeMethod(
            this, [this, result] { emit completed(result); }, Qt::QueuedConnection);
    }
    void setPosition(std::int64_t ticks) { m_position = ticks; }

    const QStringList &commands() const { return *m_commands; }
    // Called as each command arrives, so a test can see what the world was like then.
    std::function<void(const QString &entry)> onCommand;
    void clearCommands() { m_commands->clear(); }
    // The same record, still readable after the device was destroyed with its owner.
    std::shared_ptr<const QStringList> journal() const { return m_commands; }
    bool noticePending() const { return m_pending; }
    // The bytes of the file last opened, read at Open as the real device reads them.
    const QByteArray &openedBytes() const { return m_openedBytes; }

    // --- Sequencer ---

    ErrorCode open(const QString &path) override {
        if (const ErrorCode code = refused(QStringLiteral("open ") + path, "open")) {
            return code;
        }
        QFile file(path);
        m_openedBytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        m_open = true;
        m_pending = false;
        m_mode = DeviceMode::Stopped;
        m_position = 0;
        return 0;
    }
    ErrorCode close() override {
        if (const ErrorCode code = refused("close", "close")) {
            return code;
        }
        m_open = false;
        m_pending = false;
        m_mode = DeviceMode::NotReady;
        return 0;
    }
    ErrorCode play() override {
        if (const ErrorCode code = refusedWhenOpen("play")) {
            return code;
        }
        startPlay();
        return 0;
    }
    ErrorCode pause() override {
        if (const ErrorCode code = refusedWhenOpen("pause")) {
            return code;
        }
        if (m_mode == DeviceMode::Playing) {
            m_mode = DeviceMode::Paused;
        }
        return 0;
    }
    ErrorCode resume() override {
        if (const ErrorCode code = refusedWhenOpen("resume")) {
            return code;
        }
        if (m_mode == DeviceMode::Stopped) {
            return ErrorCode(99);
        }
        startPlay();
        return 0;
    }
    ErrorCode stop() override { return halt("stop", m_position); }
    ErrorCode seekToStart() override { return halt("seekToStart", 0); }
    ErrorCode seekToEnd() override { return halt("seekToEnd", m_length); }

    bool isOpen() const override { return m_open; }
    DeviceMode mode() const override { return m_mode; }
    std::int64_t position() const override { return m_position; }
    std::int64_t length() const override { return m_open ? m_length : 0; }
    Capabilities capabilities() const override {
        Capabilities caps;
        caps.canPlay = true;
        return caps;
    }
    QString errorText(ErrorCode code) const override {
        return m_texts.value(code, QStringLiteral("Unknown error code"));
    }
    QString errorDetail(ErrorCode code) const override { return m_details.value(code); }
    QString failureText() const override { return m_failure; }
    // Recorded as "audition PROGRAM KEY VELOCITY MILLISECONDS".
    ErrorCode auditionNote(int program, int key, int velocity, int milliseconds) override {
        return refused(QStringLiteral("audition %1 %2 %3 %4")
                           .arg(program)
                           .arg(key)
                           .arg(velocity)
                           .arg(milliseconds),
                       "audition");
    }

    // Whether the window asks for the output to be kept ready for composed notes; not
    // recorded with the commands, as it follows the window's state at any time.
    void setComposing(bool composing) override { m_composing = composing; }
    bool composing() const { return m_composing; }

    // Recorded as "playFrom TICK", "loop FROM TO", "speed FACTOR", "clicks COUNTIN METRONOME
    // BEATS TICKS".
    ErrorCode playFrom(std::int64_t tick) override {
        if (const ErrorCode code = refused(QStringLiteral("playFrom %1").arg(tick), "playFrom")) {
            return code;
        }
        if (!m_open) {
            return ErrorCode(98);
        }
        m_position = std::clamp<std::int64_t>(tick, 0, m_length);
        startPlay();
        return 0;
    }
    ErrorCode setLoop(std::int64_t from, std::int64_t to) override {
        return refused(QStringLiteral("loop %1 %2").arg(from).arg(to), "loop");
    }
    ErrorCode setSpeed(double factor) override {
        return refused(QStringLiteral("speed %1").arg(factor), "speed");
    }
    ErrorCode setClicks(const PracticeClicks &clicks) override {
        return refused(QStringLiteral("clicks %1 %2 %3 %4")
                           .arg(int(clicks.countIn))
                           .arg(int(clicks.metronome))
                           .arg(clicks.beatsPerBar)
                           .arg(clicks.beatTicks),
                       "clicks");
    }

private:
    ErrorCode refused(const QString &entry, const QString &command) {
        *m_commands << entry;
        if (onCommand) {
            onCommand(entry);
        }
        return m_errors.value(command, 0);
    }
    ErrorCode refusedWhenOpen(const QString &command) {
        if (const ErrorCode code = refused(command, command)) {
            return code;
        }
        return m_open ? 0 : ErrorCode(98);
    }
    ErrorCode halt(const QString &command, std::int64_t position) {
        if (const ErrorCode code = refusedWhenOpen(command)) {
            return code;
        }
        m_position = position;
        if (m_mode == DeviceMode::Playing || m_mode == DeviceMode::Paused) {
            m_mode = DeviceMode::Stopped;
            endPlay(NotifyResult::Aborted);
        }
        return 0;
    }
    void startPlay() {
        if (m_pending) {
            postNotice(NotifyResult::Superseded);
        }
        m_pending = true;
        m_mode = DeviceMode::Playing;
        advance(0); // a play at the end ends at once
    }
    void endPlay(NotifyResult result) {
        if (m_pending) {
            m_pending = false;
            postNotice(result);
        }
    }

    bool m_open = false;
    bool m_composing = false;
    QByteArray m_openedBytes;
    bool m_pending = false;
    DeviceMode m_mode = DeviceMode::NotReady;
    std::int64_t m_position = 0;
    std::int64_t m_length = 1000;
    std::shared_ptr<QStringList> m_commands = std::make_shared<QStringList>();
    QHash<QString, ErrorCode> m_errors;
    QHash<ErrorCode, QString> m_texts;
    QHash<ErrorCode, QString> m_details;
    QString m_failure;
};

} // namespace tunelet::playback::testing

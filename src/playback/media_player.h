// The transport bar (the main window's mp1): a row of media buttons over one open MIDI
// file, played through a Sequencer. Play, Pause, Stop, Next, Prev, Step and Back are
// shown in this program; Record and Eject exist for completeness but stay hidden.
#pragma once

#include <QRect>
#include <QWidget>
#include <exception>
#include <functional>
#include <memory>
#include <stdexcept>

#include "playback/sequencer.h"

namespace tunelet::playback {

// Raised by the bar's commands. The text (what(), UTF-8) is the device's error text for
// the code, "Unknown error code", or "No MCI device open" for a command that needs an open
// file. detail() holds the audio library's own lines about the failure, if it said any,
// for an error box's details rather than its message.
class EMCIDeviceError : public std::runtime_error {
public:
    explicit EMCIDeviceError(const std::string &message, QString detail = {})
        : std::runtime_error(message), m_detail(std::move(detail)) {}
    const QString &detail() const { return m_detail; }

private:
    QString m_detail;
};

enum TMPBtnType { btPlay, btPause, btStop, btNext, btPrev, btStep, btBack, btRecord, btEject };
constexpr int kButtonKinds = 9;

// A set of button kinds: bit b stands for TMPBtnType b.
using TButtonSet = unsigned;
constexpr TButtonSet buttonBit(TMPBtnType b) {
    return 1u << b;
}
constexpr TButtonSet kAllButtons = (1u << kButtonKinds) - 1;

class MediaPlayer : public QWidget {
    Q_OBJECT
public:
    // The bar owns its device; it is closed when the bar is destroyed.
    explicit MediaPlayer(std::unique_ptr<Sequencer> device, QWidget *parent = nullptr);
    ~MediaPlayer() override;

    TButtonSet visibleButtons() const;
    void setVisibleButtons(TButtonSet set);
    TButtonSet enabledButtons() const;
    void setEnabledButtons(TButtonSet set);
    TButtonSet coloredButtons() const;
    void setColoredButtons(TButtonSet set);
    bool autoEnable() const;
    void setAutoEnable(bool on);
    bool autoOpen() const; // no file is named at construction, so this only records it
    void setAutoOpen(bool on);
    bool autoRewind() const;
    void setAutoRewind(bool on);

    QString fileName() const;
    void setFileName(const QString &path);

    // Commands. All but open() and close() raise EMCIDeviceError("No MCI device open")
    // when nothing is open; only open() raises on a refusal of the device.
    void open();
    void close();
    void play();
    void pause();
    void stop();
    void next();
    void previous();
    void step();
    void back();

    bool isOpen() const;
    ErrorCode lastError() const;

    // A note heard through the bar's synthesiser while composing; silent while the bar
    // plays. Returns whether the device could sound it (false without a sound output).
    bool auditionNote(int program, int key, int velocity, int milliseconds);
    // While true, the device keeps its output ready for the next composed note.
    void setComposing(bool composing) { m_device->setComposing(composing); }
    TButtonSet activeButtons() const;
    NotifyResult lastNotifyResult() const;

    // Where errors of the bar's own buttons and keys go, and the error of a play that the
    // device could not carry on: the owner shows them in its error box. Without one they
    // are raised on, to the application's general error handler.
    using ErrorReporter = std::function<void(const std::exception &error)>;
    void setErrorReporter(ErrorReporter reporter);

signals:
    // OnClick: a bar button was activated; clear doDefault to skip its command.
    void click(tunelet::playback::TMPBtnType button, bool &doDefault);
    // OnPostClick: after the button's command ran.
    void postClick(tunelet::playback::TMPBtnType button);
    // OnNotify: a completion notice was handled.
    void notify();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

private:
    void requireOpen() const;
    // Runs a bar activation; an error ends it and goes to the error reporter.
    void guarded(const std::function<void()> &action);
    void onCompleted(tunelet::playback::NotifyResult result);
    void setActive(TButtonSet set);
    void applyTransition(TMPBtnType button);
    void runClick(TMPBtnType button);
    int visibleCount() const;
    int buttonIndex(TMPBtnType button) const; // among the visible ones, or -1
    int buttonWidth() const;                  // from the width, by the sizing rule
    QRect buttonRect(int index) const;
    int hitButton(int x) const; // the button kind under x, or -1
    void pressAt(const QPoint &pos);
    void paintButton(QPainter &painter, TMPBtnType button, int index) const;
    void adjustSize(int width, int height);

    std::unique_ptr<Sequencer> m_device;
    TButtonSet m_visible = kAllButtons;
    TButtonSet m_enabled = kAllButtons;
    TButtonSet m_colored = kAllButtons;
    TButtonSet m_active = 0;
    bool m_autoEnable = true;
    bool m_autoOpen = false;
    bool m_autoRewind = true;
    QString m_fileName;

    bool m_open = false;
    ErrorCode m_lastError = 0;
    Capabilities m_caps;
    NotifyResult m_notifyResult = NotifyResult::Successful;

    TMPBtnType m_focused = btPlay;
    TMPBtnType m_current = btPlay;
    bool m_pressed = false;
    bool m_down = false;
    QRect m_currentRect;
    bool m_adjusting = false;
    ErrorReporter m_reporter;
};

} // namespace tunelet::playback

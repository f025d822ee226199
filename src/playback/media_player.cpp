// The transport bar mp1: its commands over the Sequencer, the set of usable buttons and
// the completion notices. Drawing, pointer and keyboard are in media_player_paint.cpp.
#include "playback/media_player.h"

namespace tunelet::playback {

namespace {

constexpr TButtonSet kPlayAndRecord = buttonBit(btPlay) | buttonBit(btRecord);
constexpr TButtonSet kPauseAndStop = buttonBit(btPause) | buttonBit(btStop);

} // namespace

MediaPlayer::MediaPlayer(std::unique_ptr<Sequencer> device, QWidget *parent)
    : QWidget(parent), m_device(std::move(device)) {
    // Tab reaches the bar; a press takes the focus only when it lands on a usable button.
    setFocusPolicy(Qt::TabFocus);
    connect(m_device.get(), &Sequencer::completed, this, &MediaPlayer::onCompleted);
}

// Closing here ends any playback before the device goes away with the bar.
MediaPlayer::~MediaPlayer() {
    close();
}

TButtonSet MediaPlayer::visibleButtons() const {
    return m_visible;
}

void MediaPlayer::setVisibleButtons(TButtonSet set) {
    m_visible = set & kAllButtons;
    adjustSize(width(), height());
    update();
}

TButtonSet MediaPlayer::enabledButtons() const {
    return m_enabled;
}

void MediaPlayer::setEnabledButtons(TButtonSet set) {
    m_enabled = set & kAllButtons;
    update();
}

TButtonSet MediaPlayer::coloredButtons() const {
    return m_colored;
}

void MediaPlayer::setColoredButtons(TButtonSet set) {
    m_colored = set & kAllButtons;
    update();
}

bool MediaPlayer::autoEnable() const {
    return m_autoEnable;
}

void MediaPlayer::setAutoEnable(bool on) {
    m_autoEnable = on;
    update();
}

bool MediaPlayer::autoOpen() const {
    return m_autoOpen;
}
void MediaPlayer::setAutoOpen(bool on) {
    m_autoOpen = on;
}
bool MediaPlayer::autoRewind() const {
    return m_autoRewind;
}
void MediaPlayer::setAutoRewind(bool on) {
    m_autoRewind = on;
}
QString MediaPlayer::fileName() const {
    return m_fileName;
}
void MediaPlayer::setFileName(const QString &path) {
    m_fileName = path;
}
bool MediaPlayer::isOpen() const {
    return m_open;
}
ErrorCode MediaPlayer::lastError() const {
    return m_lastError;
}
TButtonSet MediaPlayer::activeButtons() const {
    return m_active;
}
NotifyResult MediaPlayer::lastNotifyResult() const {
    return m_notifyResult;
}
void MediaPlayer::setErrorReporter(ErrorReporter reporter) {
    m_reporter = std::move(reporter);
}

void MediaPlayer::guarded(const std::function<void()> &action) {
    try {
        action();
    } catch (const std::exception &error) {
        if (!m_reporter) {
            throw;
        }
        m_reporter(error);
    }
}

void MediaPlayer::requireOpen() const {
    if (!m_open) {
        throw EMCIDeviceError("No MCI device open");
    }
}

void MediaPlayer::open() {
    close(); // a refusal here is not reported: the new file is what was asked for
    m_lastError = m_device->open(m_fileName);
    if (m_lastError != 0) {
        m_open = false;
        throw EMCIDeviceError(m_device->errorText(m_lastError).toStdString(),
                              m_device->errorDetail(m_lastError));
    }
    m_open = true;
    m_caps = m_device->capabilities();

    TButtonSet active = buttonBit(btNext) | buttonBit(btPrev);
    if (m_caps.canStep) {
        active |= buttonBit(btStep) | buttonBit(btBack);
    }
    if (m_caps.canPlay) {
        active |= buttonBit(btPlay);
    }
    if (m_caps.canRecord) {
        active |= buttonBit(btRecord);
    }
    if (m_caps.canEject) {
        active |= buttonBit(btEject);
    }
    setActive(active);
    if (m_device->mode() == DeviceMode::Playing) {
        applyTransition(btPlay);
    }
}

void MediaPlayer::close() {
    if (!m_open) {
        return;
    }
    m_lastError = m_device->close();
    if (m_lastError != 0) {
        return;
    }
    m_open = false;
    setActive(0);
}

bool MediaPlayer::auditionNote(int program, int key, int velocity, int milliseconds) {
    if (m_device->mode() == DeviceMode::Playing) {
        return true; // the music has the stage; the note is not missed
    }
    return m_device->auditionNote(program, key, velocity, milliseconds) == 0;
}

void MediaPlayer::play() {
    requireOpen();
    if (m_autoRewind && m_device->position() == m_device->length()) {
        m_device->seekToStart(); // a rewind, not a command of its own: the result is not kept
    }
    m_lastError = m_device->play();
}

void MediaPlayer::pause() {
    requireOpen();
    switch (m_device->mode()) {
    case DeviceMode::Playing:
        m_lastError = m_device->pause();
        break;
    case DeviceMode::Paused:
        m_lastError = m_device->resume();
        if (m_lastError != 0) {
            play();
        }
        break;
    default:
        break;
    }
}

void MediaPlayer::stop() {
    requireOpen();
    m_lastError = m_device->stop();
}

void MediaPlayer::next() {
    requireOpen();
    m_lastError = m_device->seekToEnd();
}

void MediaPlayer::previous() {
    requireOpen();
    m_lastError = m_device->seekToStart();
}

// Stepping needs a device with video; a MIDI sequencer has none, so nothing is sent.
void MediaPlayer::step() {
    requireOpen();
}

void MediaPlayer::back() {
    requireOpen();
}

void MediaPlayer::onCompleted(NotifyResult result) {
    if (!m_open) {
        return; // its file was closed: the bar stays as Close left it
    }
    if (m_autoEnable && m_device->mode() == DeviceMode::Stopped) {
        applyTransition(btStop);
    }
    m_notifyResult = result;
    emit notify();
    if (result == NotifyResult::Failure) {
        // Said, rather than leaving the user to wonder why the music stopped.
        const EMCIDeviceError error(m_device->failureText().toStdString());
        if (!m_reporter) {
            throw error;
        }
        m_reporter(error);
    }
}

void MediaPlayer::setActive(TButtonSet set) {
    m_active = set & kAllButtons;
    update();
}

void MediaPlayer::applyTransition(TMPBtnType button) {
    TButtonSet usable = 0;
    if (m_caps.canPlay) {
        usable |= buttonBit(btPlay);
    }
    if (m_caps.canRecord) {
        usable |= buttonBit(btRecord);
    }
    switch (button) {
    case btPlay:
    case btRecord:
        setActive((m_active & ~kPlayAndRecord) | kPauseAndStop);
        break;
    case btPause:
        setActive(m_active | usable);
        break;
    default:
        setActive((m_active | usable) & ~kPauseAndStop);
        break;
    }
}

void MediaPlayer::runClick(TMPBtnType button) {
    bool doDefault = true;
    emit click(button, doDefault);
    if (!doDefault) {
        return;
    }
    switch (button) {
    case btPlay:
        play();
        break;
    case btPause:
        pause();
        break;
    case btStop:
        stop();
        break;
    case btNext:
        next();
        break;
    case btPrev:
        previous();
        break;
    case btStep:
        step();
        break;
    case btBack:
        back();
        break;
    case btRecord:
    case btEject:
        requireOpen(); // neither a MIDI file can do; the bar shows them only if asked to
        break;
    }
    emit postClick(button);
}

} // namespace tunelet::playback

// The transport bar (the main window's mp1): a row of media buttons over one open MIDI
// file, played through a Sequencer. Play, Pause, Stop, Next, Prev, Step and Back are
// shown in this program; Record and Eject exist for completeness but stay hidden.
#pragma once

#include <QRect>
#include <QWidget>
#include <memory>
#include <stdexcept>

#include "playback/sequencer.h"

namespace tunelet::playback {

// Raised by the bar's commands. The text is the device's error text for the code,
// "Unknown error code", or "No MCI device open" for a command that needs an open file.
class EMCIDeviceError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
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
    TButtonSet activeButtons() const;
    NotifyResult lastNotifyResult() const;
    Sequencer &device();

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
    std::int64_t m_stepSize = 0;
    NotifyResult m_notifyResult = NotifyResult::Successful;

    TMPBtnType m_focused = btPlay;
    TMPBtnType m_current = btPlay;
    bool m_pressed = false;
    bool m_down = false;
    QRect m_currentRect;
    bool m_adjusting = false;
};

} // namespace tunelet::playback

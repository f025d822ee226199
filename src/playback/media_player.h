// The transport bar (the main window's mp1): a row of media buttons over one open MIDI
// file, played through a Sequencer. Play, Pause, Stop, Next, Prev, Step and Back are
// shown in this program; Record and Eject exist for completeness but stay hidden.
#pragma once

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
constexpr TButtonSet buttonBit(TMPBtnType b) { return 1u << b; }
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

    // (protected event handlers and private state: added with the implementation)
};

} // namespace tunelet::playback

// Playback tests: a transport bar as the main window sets it up, over the fake sequencer,
// with helpers that press, drag and type on it as a user would.
#pragma once

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <gtest/gtest.h>
#include <memory>

#include "playback/media_player.h"
#include "support/fake_sequencer.h"

namespace tunelet::playback::testing {

// Messages of exceptions that reached the application's error handler.
QStringList &reportedErrors();

constexpr TButtonSet kSeven = kAllButtons & ~buttonBit(btRecord) & ~buttonBit(btEject);
constexpr TButtonSet bits(std::initializer_list<TMPBtnType> buttons) {
    TButtonSet set = 0;
    for (TMPBtnType b : buttons) {
        set |= buttonBit(b);
    }
    return set;
}

class BarTest : public ::testing::Test {
protected:
    void SetUp() override {
        reportedErrors().clear();
        auto device = std::make_unique<FakeSequencer>();
        fake = device.get();
        bar = std::make_unique<MediaPlayer>(std::move(device));
        bar->setObjectName("mp1");
        bar->setVisibleButtons(kSeven);
        bar->setEnabledButtons(kSeven);
        bar->resize(197, 22);
        bar->show();
    }

    void openFile(const QString &path = "a.mid") {
        bar->setFileName(path);
        bar->open();
    }
    // The middle of the k-th visible button (29 pixels wide, one shared border pixel).
    static QPoint centre(int k) { return QPoint(k * 28 + 14, 11); }

    void mouse(QEvent::Type type, QPoint at, Qt::MouseButtons held = Qt::LeftButton) {
        QMouseEvent event(type, at, bar->mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
        QApplication::sendEvent(bar.get(), &event);
    }
    void press(QPoint at) { mouse(QEvent::MouseButtonPress, at); }
    void release(QPoint at) { mouse(QEvent::MouseButtonRelease, at, Qt::NoButton); }
    void moveTo(QPoint at) { mouse(QEvent::MouseMove, at); }
    void clickAt(QPoint at) {
        press(at);
        release(at);
        QCoreApplication::processEvents();
    }
    void doubleClickAt(QPoint at) {
        press(at);
        release(at);
        mouse(QEvent::MouseButtonDblClick, at);
        release(at);
        QCoreApplication::processEvents();
    }
    void key(int code) {
        QKeyEvent event(QEvent::KeyPress, code, Qt::NoModifier);
        QApplication::sendEvent(bar.get(), &event);
        QCoreApplication::processEvents();
    }

    FakeSequencer *fake = nullptr;
    std::unique_ptr<MediaPlayer> bar;
};

} // namespace tunelet::playback::testing

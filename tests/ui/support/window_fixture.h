// Window tests: a main window with the scripted prompt and the fake sequencer.
#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "support/fake_sequencer.h"
#include "ui/common/line_editor.h"
#include "ui/main_window/main_window.h"
#include "ui/support/scripted_prompt.h"

namespace tunelet::ui::testing {

class WindowTest : public ::testing::Test {
public:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        auto scripted = std::make_unique<ScriptedPrompt>();
        prompt = scripted.get();
        auto fake = std::make_unique<playback::testing::FakeSequencer>();
        device = fake.get();
        window = std::make_unique<MainWindow>(std::move(scripted), std::move(fake));
        window->show();
        // The palette shows right after the window's first frame. The offscreen platform
        // makes every window it shows active, even one that takes no focus as the palette:
        // the window is made active again, as a window manager leaves it.
        ASSERT_TRUE(QTest::qWaitFor([this] {
            const auto *palette = window->findChild<QWidget *>(QStringLiteral("hpf"));
            return palette != nullptr && palette->isVisible();
        }));
        window->activateWindow();
        ASSERT_TRUE(
            QTest::qWaitFor([this] { return QApplication::activeWindow() == window.get(); }));
    }

    void TearDown() override {
        EXPECT_TRUE(prompt->answers.empty()) << "questions the window did not ask";
        EXPECT_TRUE(prompt->choices.empty()) << "questions the window did not ask";
        EXPECT_TRUE(prompt->files.empty()) << "dialogs the window did not show";
        EXPECT_TRUE(prompt->dialogs.empty()) << "dialogs the window did not run";
    }

    template <typename T = QWidget> T *control(const char *name) const {
        T *found = window->findChild<T *>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QListView *lp() const { return control<QListView>("lp"); }
    LineEditor *ij() const { return control<LineEditor>("ij"); }
    void trigger(const char *action) const { control<QAction>(action)->trigger(); }
    // Through a real mouse click, so an error takes the path of any user command.
    void click(const char *button) const {
        QTest::mouseClick(control<QWidget>(button), Qt::LeftButton);
    }

    QString path(const QString &name) const { return dir.filePath(name); }
    std::vector<std::string> lines() const { return window->document().lines(); }
    bool saved() const { return window->document().isSaved(); }

    void select(int row) const {
        lp()->selectionModel()->setCurrentIndex(lp()->model()->index(row, 0),
                                                QItemSelectionModel::ClearAndSelect);
    }
    int selectedRow() const {
        const QModelIndexList rows = lp()->selectionModel()->selectedRows();
        return rows.isEmpty() ? -1 : rows.first().row();
    }

    // Writes a script file and opens it with the Open command.
    QString openScript(const std::vector<std::string> &tracks, const QString &name = "score.TNL") {
        const QString file = path(name);
        QFile out(file);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        for (const std::string &t : tracks) {
            out.write(t.data(), static_cast<qint64>(t.size()));
            out.write("\r\n");
        }
        out.close();
        prompt->files.push_back(file);
        trigger("O1");
        prompt->shown.clear();
        return file;
    }

    // Types the text into the widget key by key, each key carrying its character (QTest's
    // keyClicks knows only ASCII): Chinese as an input method would give it.
    static void typeText(QWidget *widget, const QString &text) {
        for (const QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(widget, &press);
        }
    }

    static QByteArray readAll(const QString &file) {
        QFile in(file);
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    }

    QTemporaryDir dir;
    ScriptedPrompt *prompt = nullptr;
    playback::testing::FakeSequencer *device = nullptr;
    std::unique_ptr<MainWindow> window;
};

} // namespace tunelet::ui::testing

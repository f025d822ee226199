// Window tests: the real message boxes and file dialogs, driven as a user would.
#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QTreeView>

#include "support/fake_sequencer.h"
#include "ui/common/application.h"
#include "ui/main_window/main_window.h"
#include "ui/support/when_modal.h"
#include "ui/support/window_fixture.h"

namespace tunelet::ui::testing {
namespace {

TEST(RealMessageBox, QuestionIsTitledTuneletWithYesNoAndNoIcon) {
    MessageBoxPrompt prompt("tunelet");
    bool seen = false;
    whenModal<QMessageBox>(&seen, [](QMessageBox *box) {
        EXPECT_EQ(box->windowTitle(), "Tunelet");
        EXPECT_EQ(box->text(), "要删除所选音轨吗？");
        EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
        EXPECT_EQ(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
        EXPECT_TRUE(box->button(QMessageBox::Yes)->text().contains("是"))
            << "Qt's own texts are in Chinese";
        box->button(QMessageBox::No)->click();
    });
    EXPECT_FALSE(prompt.askYesNo("要删除所选音轨吗？"));
    EXPECT_TRUE(seen);
}

TEST(RealMessageBox, NoticeHasTheApplicationTitleOnlyOkAndNoIcon) {
    MessageBoxPrompt prompt("tunelet");
    bool seen = false;
    whenModal<QMessageBox>(&seen, [](QMessageBox *box) {
        EXPECT_EQ(box->windowTitle(), "tunelet");
        EXPECT_EQ(box->text(), "没有选中的音轨！");
        EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
        EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
        box->button(QMessageBox::Ok)->click();
    });
    prompt.notice("没有选中的音轨！");
    EXPECT_TRUE(seen);
}

TEST(RealMessageBox, ErrorBoxKeepsTheLibrarysLinesAsItsDetail) {
    MessageBoxPrompt prompt("tunelet");
    bool seen = false;
    whenModal<QMessageBox>(&seen, [](QMessageBox *box) {
        EXPECT_EQ(box->text(), "无法打开音频输出。");
        EXPECT_EQ(box->detailedText(), "fluidsynth: error: no device");
        box->button(QMessageBox::Ok)->click();
    });
    prompt.errorBox("无法打开音频输出。", "fluidsynth: error: no device");
    EXPECT_TRUE(seen);
}

// Esc and the close box never answer a Yes/No question: only Yes or No may close it.
TEST(RealMessageBox, YesNoQuestionIgnoresEscAndTheCloseBox) {
    MessageBoxPrompt prompt("tunelet");
    bool seen = false;
    whenModal<QMessageBox>(&seen, [](QMessageBox *box) {
        QTest::keyClick(box, Qt::Key_Escape);
        EXPECT_FALSE(box->close()) << "the close box";
        EXPECT_TRUE(box->isVisible());
        EXPECT_FALSE(box->windowFlags() & Qt::WindowCloseButtonHint);
        box->button(QMessageBox::Yes)->click();
    });
    EXPECT_TRUE(prompt.askYesNo("文件已更改，保存吗？"));
    EXPECT_TRUE(seen);
}

TEST(RealMessageBox, YesNoCancelQuestionTakesEscAndTheCloseBoxAsCancel) {
    const std::vector<std::pair<const char *, std::function<void(QMessageBox *)>>> ways = {
        {"Esc", [](QMessageBox *box) { QTest::keyClick(box, Qt::Key_Escape); }},
        {"close box", [](QMessageBox *box) { box->close(); }},
        {"No", [](QMessageBox *box) { box->button(QMessageBox::No)->click(); }},
    };
    const std::vector<Answer> expected = {Answer::Cancel, Answer::Cancel, Answer::No};
    for (std::size_t i = 0; i < ways.size(); ++i) {
        MessageBoxPrompt prompt("tunelet");
        bool seen = false;
        whenModal<QMessageBox>(&seen, ways[i].second);
        EXPECT_EQ(prompt.askYesNoCancel("文件未保存，是否保存？"), expected[i]) << ways[i].first;
        EXPECT_TRUE(seen);
    }
}

TEST(RealMessageBox, ErrorOfACommandIsAnErrorBoxWithTheApplicationTitle) {
    auto device = std::make_unique<playback::testing::FakeSequencer>();
    MainWindow window(std::make_unique<MessageBoxPrompt>(applicationTitle("/bin/TUNELET.EXE")),
                      std::move(device));
    window.show();
    bool seen = false;
    whenModal<QMessageBox>(&seen, [](QMessageBox *box) {
        EXPECT_EQ(box->windowTitle(), "Tunelet");
        EXPECT_EQ(box->text(), "No MCI device open.");
        EXPECT_EQ(box->icon(), QMessageBox::Critical);
        EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
        box->button(QMessageBox::Ok)->click();
    });
    window.findChild<QAction *>("P2")->trigger();
    EXPECT_TRUE(seen);
}

TEST_F(WindowTest, RealSaveDialogStartsWithTheLastNameAndReturnsTheTypedOne) {
    MessageBoxPrompt real("tunelet");
    FileDialogState state{"*.TNL|*.TNL|*.*|*.*", path("first.TNL"), ".TNL"};
    bool seen = false;
    whenModal<QFileDialog>(&seen, [](QFileDialog *dialog) {
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
        EXPECT_EQ(dialog->nameFilters(), (QStringList{"*.TNL (*.TNL)", "*.* (*)"}));
        auto *name = dialog->findChild<QLineEdit *>("fileNameEdit");
        ASSERT_NE(name, nullptr);
        EXPECT_EQ(name->text(), "first.TNL");
        name->setText("second");
        static_cast<QDialog *>(dialog)->accept(); // the OK button
    });
    EXPECT_EQ(real.saveFile(state), path("second"));
    EXPECT_TRUE(seen);
    EXPECT_EQ(state.lastFileName, path("second"));
}

TEST_F(WindowTest, RealOpenDialogListsNamesWithoutADotUnderStarDotStarInChinese) {
    QFile song(path("song"));
    ASSERT_TRUE(song.open(QIODevice::WriteOnly));
    song.close();
    MessageBoxPrompt real("tunelet");
    FileDialogState state{"*.TNL|*.TNL|*.*|*.*", path("x.TNL"), {}};
    bool seen = false;
    whenModal<QFileDialog>(&seen, [&](QFileDialog *dialog) {
        dialog->selectNameFilter("*.* (*)");
        auto *list = dialog->findChild<QTreeView *>("treeView");
        ASSERT_NE(list, nullptr);
        QAbstractItemModel *files = list->model();
        ASSERT_TRUE(QTest::qWaitFor([&] { return files->rowCount(list->rootIndex()) > 0; }));
        const QModelIndex row = files->index(0, 0, list->rootIndex());
        EXPECT_EQ(row.data().toString(), "song");
        EXPECT_EQ(row.siblingAtColumn(1).data().toString(), "0 字节");
        EXPECT_FALSE(row.siblingAtColumn(3).data().toString().contains("Dec"));
        dialog->reject();
    });
    EXPECT_EQ(real.openFile(state), std::nullopt);
    EXPECT_TRUE(seen);
}

TEST_F(WindowTest, RealDialogsDoNotStartInASystemFolder) {
    for (const char *system : {"/proc/self", "/sys", "/dev"}) {
        MessageBoxPrompt real("tunelet");
        FileDialogState state{"*.MID|*.MID|*.*|*.*", QString(system) + "/song.MID", ".MID"};
        bool seen = false;
        whenModal<QFileDialog>(&seen, [system](QFileDialog *dialog) {
            const QString root = QString(system).section('/', 0, 1);
            EXPECT_FALSE(dialog->directory().absolutePath().startsWith(root)) << system;
            dialog->reject();
        });
        EXPECT_EQ(real.saveFile(state), std::nullopt);
        EXPECT_TRUE(seen);
    }
}

TEST_F(WindowTest, RealSaveDialogAsksBeforeTheCompletedNameIsReplaced) {
    QFile existing(path("song.MID"));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.close();
    MessageBoxPrompt real("tunelet");
    FileDialogState state{"*.MID|*.MID|*.*|*.*", path("x"), ".MID"};
    bool dialogSeen = false;
    bool questionSeen = false;
    whenModal<QFileDialog>(&dialogSeen, [&](QFileDialog *dialog) {
        whenModal<QMessageBox>(&questionSeen, [](QMessageBox *box) {
            EXPECT_TRUE(box->text().contains("song.MID")) << box->text().toStdString();
            box->button(QMessageBox::No)->click();
        });
        dialog->findChild<QLineEdit *>("fileNameEdit")->setText("song");
        static_cast<QDialog *>(dialog)->accept(); // the OK button
        EXPECT_TRUE(dialog->isVisible()) << "answering no returns to the dialog";
        dialog->reject();
    });
    EXPECT_EQ(real.saveFile(state), std::nullopt);
    EXPECT_TRUE(dialogSeen);
    EXPECT_TRUE(questionSeen);
}

} // namespace
} // namespace tunelet::ui::testing

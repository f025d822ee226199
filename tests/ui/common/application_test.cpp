// Window tests: the application title, the error box text, the general error handler
// and the file name rules.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <stdexcept>

#include "ui/common/application.h"
#include "ui/common/file_names.h"

namespace tunelet::ui {
namespace {

TEST(ApplicationTitle, IsTheFileNameUpToItsFirstFullStopWithTheRestLowerCased) {
    const std::pair<const char *, const char *> cases[] = {
        {"/usr/bin/tunelet", "tunelet"},
        {"C:/Program Files/TUNELET.EXE", "Tunelet"},
        {"/opt/Tune.Let.v2", "Tune"},
        {"./mYPROG", "myprog"},
        {"x", "x"},
    };
    for (const auto &[path, title] : cases) {
        EXPECT_EQ(applicationTitle(path), title) << path;
    }
}

TEST(ErrorBoxText, AppendsAFullStopOnlyAfterCharactersSortingAfterIt) {
    const std::pair<const char *, const char *> cases[] = {
        {"Cannot open file /a/b.TNL", "Cannot open file /a/b.TNL."},
        {"No MCI device open", "No MCI device open."},
        {"设备错误", "设备错误."},
        {"track 7", "track 7."},
        {"ends with a stop.", "ends with a stop."},
        {"ends with a comma,", "ends with a comma,"},
        {"ends with a bang!", "ends with a bang!"},
        {"", ""},
    };
    for (const auto &[message, shown] : cases) {
        EXPECT_EQ(errorBoxText(QString::fromUtf8(message)), QString::fromUtf8(shown)) << message;
    }
}

// An object whose event handler fails, as a command does when its file cannot be read.
class FailingReceiver : public QObject {
public:
    int handled = 0;
    bool event(QEvent *) override {
        ++handled;
        throw std::runtime_error("Cannot open file x");
    }
};

TEST(GeneralErrorHandler, ShowsAnErrorLeavingAnEventHandlerAndTheProgramGoesOn) {
    QStringList shown;
    setErrorReporter([&](const QString &text, const QString &) { shown << text; });
    FailingReceiver receiver;
    QEvent event(QEvent::User);
    QCoreApplication::sendEvent(&receiver, &event);
    QCoreApplication::postEvent(&receiver, new QEvent(QEvent::User));
    QCoreApplication::processEvents();
    setErrorReporter(nullptr);
    EXPECT_EQ(receiver.handled, 2);
    EXPECT_EQ(shown, (QStringList{"Cannot open file x.", "Cannot open file x."}));
}

// Memory running out is said in the user's words, not the library's.
TEST(GeneralErrorHandler, SaysOutOfMemoryInWords) {
    QStringList shown;
    setErrorReporter([&](const QString &text, const QString &) { shown << text; });
    reportError(std::bad_alloc());
    setErrorReporter(nullptr);
    EXPECT_EQ(shown, QStringList{"内存不足，操作未能完成."});
}

TEST(FileNames, WithExtensionComparesTheLastFourCharactersIgnoringAsciiCase) {
    const std::pair<const char *, const char *> cases[] = {
        {"song", "song.MID"},           {"song.mid", "song.mid"}, {"song.Mid", "song.Mid"},
        {"song.midi", "song.midi.MID"}, {"MID", "MID.MID"},       {".MID", ".MID"},
        {"a/b.mid/c", "a/b.mid/c.MID"},
    };
    for (const auto &[chosen, completed] : cases) {
        EXPECT_EQ(withExtension(chosen, ".MID"), completed) << chosen;
    }
}

TEST(FileNames, QtFiltersFromDescriptionPatternPairsWithStarDotStarForEveryFile) {
    EXPECT_EQ(qtNameFilters("*.TNL|*.TNL|*.*|*.*"), "*.TNL (*.TNL);;*.* (*)");
    EXPECT_EQ(qtNameFilters("Scores|*.TNL"), "Scores (*.TNL)");
}

} // namespace
} // namespace tunelet::ui

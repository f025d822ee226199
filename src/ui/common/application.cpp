// The application object and its general error handler.
#include "ui/common/application.h"

#include <QFileInfo>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTranslator>
#include <new>

#include "playback/media_player.h"
#include "ui/common/texts.h"

namespace tunelet::ui {

namespace {

ErrorReporter &currentReporter() {
    static ErrorReporter reporter;
    return reporter;
}

// The lines an error carries beyond its message: the audio library's own, for a device
// error.
QString errorDetail(const std::exception &error) {
    const auto *device = dynamic_cast<const playback::EMCIDeviceError *>(&error);
    return device != nullptr ? device->detail() : QString();
}

} // namespace

QString applicationTitle(const QString &programPath) {
    QString name = QFileInfo(programPath).fileName();
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    if (dot >= 0) {
        name.truncate(dot);
    }
    if (name.size() > 1) {
        name = name.left(1) + name.mid(1).toLower();
    }
    return name;
}

QString errorBoxText(const QString &message) {
    if (!message.isEmpty() && message.back() > QLatin1Char('.')) {
        return message + QLatin1Char('.');
    }
    return message;
}

void setErrorReporter(ErrorReporter reporter) {
    currentReporter() = std::move(reporter);
}

void reportError(const std::exception &error) {
    // The library's "std::bad_alloc" says nothing to the user.
    const bool outOfMemory = dynamic_cast<const std::bad_alloc *>(&error) != nullptr;
    const QString text =
        errorBoxText(outOfMemory ? texts::kOutOfMemoryCommand : QString::fromUtf8(error.what()));
    const QString detail = errorDetail(error);
    if (currentReporter()) {
        currentReporter()(text, detail);
        return;
    }
    QMessageBox box(QMessageBox::Critical,
                    applicationTitle(QCoreApplication::applicationFilePath()), text,
                    QMessageBox::Ok, QApplication::activeWindow());
    box.setDetailedText(detail);
    box.exec();
}

void runGuarded(const std::function<void()> &command) {
    try {
        command();
    } catch (const std::exception &error) {
        reportError(error);
    }
}

bool loadChineseQtTexts(QCoreApplication &app) {
    auto *translator = new QTranslator(&app);
    if (!translator->load(QStringLiteral("qtbase_zh_CN"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

Application::Application(int &argc, char **argv) : QApplication(argc, argv) {
    // The program speaks Simplified Chinese whatever the system's language: numbers and
    // dates too, so a file dialog never mixes "7 Dec" into a Chinese window.
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    setApplicationName(QStringLiteral("Tunelet"));
    setDesktopFileName(QStringLiteral("tunelet")); // the menu entry's window and icon
    setApplicationVersion(QStringLiteral(TUNELET_VERSION));
    QIcon icon;
    for (const int size : {16, 32, 48, 64}) { // what title bars and task lists show
        icon.addFile(QStringLiteral(":/app/tunelet-%1.png").arg(size));
    }
    setWindowIcon(icon);
}

bool Application::notify(QObject *receiver, QEvent *event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &error) {
        reportError(error);
        return false;
    }
}

QString Application::title() const {
    return applicationTitle(applicationFilePath());
}

} // namespace tunelet::ui

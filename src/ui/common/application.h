// The application object and its general error handler: an error that ends a command
// or an event handler is shown in an error box and the program goes on.
#pragma once

#include <QApplication>
#include <QString>
#include <exception>
#include <functional>

namespace tunelet::ui {

// The title of notices and error boxes: the program file's name without its folder and
// without everything from its first full stop on, all letters after the first in lower
// case ("C:/x/TUNELET.EXE" gives "Tunelet", "tunelet" gives "tunelet").
QString applicationTitle(const QString &programPath);

// The error's text as the error box shows it: a full stop is appended when the last
// character sorts after "." (letters, digits and Chinese text do).
QString errorBoxText(const QString &message);

// Where error boxes go: the main window routes them through its prompt. Without one, a
// plain QMessageBox with the error icon is shown.
// detail is what the error holds beyond its message (an audio library's own lines), or
// empty.
using ErrorReporter = std::function<void(const QString &text, const QString &detail)>;
void setErrorReporter(ErrorReporter reporter);

// Shows the error box for an error that ended a handler.
void reportError(const std::exception &error);

// Runs a command so that an error ends it at the failing step and is shown in the error
// box, without unwinding through the toolkit's own frames.
void runGuarded(const std::function<void()> &command);

// Loads Qt's own texts in Simplified Chinese (是/否/确定/取消, the file dialogs) whatever
// the system's language is. Returns false when the translation is not installed.
bool loadChineseQtTexts(QCoreApplication &app);

class Application : public QApplication {
public:
    // Makes Simplified Chinese the default locale; names the program, its version and
    // its icon.
    Application(int &argc, char **argv);

    // Catches an error that leaves any event handler and shows it in the error box.
    bool notify(QObject *receiver, QEvent *event) override;

    // applicationTitle() of this program's file.
    QString title() const;
};

} // namespace tunelet::ui

// Main window: the questions, notices, error boxes and file dialogs the window shows.
// The window asks through this interface only, so tests answer in place of the user.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class QDialog;

namespace tunelet::ui {

enum class Answer { Yes, No, Cancel };

// One of the window's two shared file dialogs (open and save): each command sets the
// filter it needs; the dialog starts with the last name chosen in it, as completed by
// the command that chose it. extension is the one the command will append, so the save
// dialog can ask before replacing the file that will really be written.
struct FileDialogState {
    QString filter; // "description|pattern|..."
    QString lastFileName;
    QString extension; // empty: the name is used as chosen
};

class Prompt {
public:
    virtual ~Prompt() = default;

    // Titled "Tunelet", no icon, exactly the named buttons. A Yes/No box closes only by
    // Yes or No; the Yes/No/Cancel box takes Esc and its close box as Cancel.
    virtual bool askYesNo(const QString &text) = 0;
    virtual Answer askYesNoCancel(const QString &text) = 0;
    // A question answered by one of choices (button captions, in order) or Cancel: the
    // index of the one chosen, or -1 for Cancel, Esc and the close box.
    virtual int askChoice(const QString &text, const QStringList &choices) = 0;
    // OK only, titled with the application title; errorBox with the error icon and,
    // when there is one, the detail behind the box's details button.
    virtual void notice(const QString &text) = 0;
    virtual void errorBox(const QString &text, const QString &detail) = 0;
    // The chosen path, or nothing when the dialog was cancelled. The state's last file
    // name becomes the chosen path.
    virtual std::optional<QString> openFile(FileDialogState &state) = 0;
    virtual std::optional<QString> saveFile(FileDialogState &state) = 0;
    // One modal run of one of the program's own dialogs: its modal result (OK = 1,
    // Cancel = 2). The caller reads the answer from the dialog's controls afterwards.
    virtual int runDialog(QDialog &dialog) = 0;
};

// The real one: QMessageBox and QFileDialog, parented to the active window.
class MessageBoxPrompt : public Prompt {
public:
    explicit MessageBoxPrompt(QString applicationTitle);

    bool askYesNo(const QString &text) override;
    Answer askYesNoCancel(const QString &text) override;
    int askChoice(const QString &text, const QStringList &choices) override;
    void notice(const QString &text) override;
    void errorBox(const QString &text, const QString &detail) override;
    std::optional<QString> openFile(FileDialogState &state) override;
    std::optional<QString> saveFile(FileDialogState &state) override;
    int runDialog(QDialog &dialog) override;

private:
    QString m_applicationTitle;
};

} // namespace tunelet::ui

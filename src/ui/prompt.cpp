// Main window: the real message boxes and file dialogs.
#include "ui/prompt.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include "ui/file_names.h"
#include "ui/texts.h"

namespace tunelet::ui {

namespace {

QMessageBox::StandardButton runBox(QMessageBox::Icon icon, const QString &title,
                                   const QString &text, QMessageBox::StandardButtons buttons) {
    QMessageBox box(icon, title, text, buttons, QApplication::activeWindow());
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

// The save dialog of a command that appends an extension to the chosen name: the file
// that will really be written is the completed name, so the toolkit's question before
// replacing a file is asked about that one too ("song" chosen, "song.MID" replaced).
class CompletingSaveDialog : public QFileDialog {
public:
    CompletingSaveDialog(QWidget *parent, QString extension)
        : QFileDialog(parent), m_extension(std::move(extension)) {}

    void accept() override {
        const QStringList files = selectedFiles();
        if (!m_extension.isEmpty() && !files.isEmpty() && !QFileInfo(files.first()).isDir()) {
            const QString completed = withExtension(files.first(), m_extension);
            if (completed != files.first() && QFileInfo(completed).isFile() &&
                !confirmReplace(completed)) {
                return;
            }
        }
        QFileDialog::accept();
    }

private:
    bool confirmReplace(const QString &path) {
        const QString question = QCoreApplication::translate(
            "QFileDialog", "%1 already exists.\nDo you want to replace it?");
        return QMessageBox::warning(this, windowTitle(), question.arg(QFileInfo(path).fileName()),
                                    QMessageBox::Yes | QMessageBox::No,
                                    QMessageBox::No) == QMessageBox::Yes;
    }

    QString m_extension;
};

std::optional<QString> runFileDialog(QFileDialog &dialog, FileDialogState &state) {
    // Qt's own dialog everywhere, so it looks and answers the same on every desktop.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(qtNameFilters(state.filter));
    if (!state.lastFileName.isEmpty()) {
        dialog.selectFile(state.lastFileName);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    state.lastFileName = dialog.selectedFiles().first();
    return state.lastFileName;
}

} // namespace

MessageBoxPrompt::MessageBoxPrompt(QString applicationTitle)
    : m_applicationTitle(std::move(applicationTitle)) {}

bool MessageBoxPrompt::askYesNo(const QString &text) {
    return runBox(QMessageBox::NoIcon, texts::kQuestionTitle, text,
                  QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

Answer MessageBoxPrompt::askYesNoCancel(const QString &text) {
    switch (runBox(QMessageBox::NoIcon, texts::kQuestionTitle, text,
                   QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return Answer::Cancel;
    }
}

void MessageBoxPrompt::notice(const QString &text) {
    runBox(QMessageBox::NoIcon, m_applicationTitle, text, QMessageBox::Ok);
}

void MessageBoxPrompt::errorBox(const QString &text) {
    runBox(QMessageBox::Critical, m_applicationTitle, text, QMessageBox::Ok);
}

std::optional<QString> MessageBoxPrompt::openFile(FileDialogState &state) {
    QFileDialog dialog(QApplication::activeWindow());
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    return runFileDialog(dialog, state);
}

std::optional<QString> MessageBoxPrompt::saveFile(FileDialogState &state) {
    CompletingSaveDialog dialog(QApplication::activeWindow(), state.extension);
    // The toolkit asks before an existing file is replaced; answering no returns here.
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    return runFileDialog(dialog, state);
}

} // namespace tunelet::ui

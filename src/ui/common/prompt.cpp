// Main window: the real message boxes and file dialogs.
#include "ui/common/prompt.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QKeyEvent>
#include <QLocale>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QPushButton>
#include <QTreeView>
#include <algorithm>
#include <vector>

#include "ui/common/file_names.h"
#include "ui/common/texts.h"

namespace tunelet::ui {

namespace {

// Every box and dialog is modal and short-lived: it stays on top, so the input palette,
// which stays on top of the program's windows, never hides the question it waits for.
int runModal(QDialog &dialog) {
    dialog.setWindowFlag(Qt::WindowStaysOnTopHint);
    return dialog.exec();
}

// A Yes/No question has no cancel button, so nothing but Yes or No may close it: Qt
// would otherwise take Esc and the close box as No, and "No" to "save the changes?"
// throws the score away.
class YesNoBox : public QMessageBox {
public:
    YesNoBox(const QString &title, const QString &text, QWidget *parent)
        : QMessageBox(QMessageBox::NoIcon, title, text, QMessageBox::Yes | QMessageBox::No,
                      parent) {
        setWindowFlags((windowFlags() | Qt::CustomizeWindowHint | Qt::WindowTitleHint) &
                       ~Qt::WindowCloseButtonHint);
    }

protected:
    void keyPressEvent(QKeyEvent *event) override {
        if (event->matches(QKeySequence::Cancel)) {
            event->accept();
            return;
        }
        QMessageBox::keyPressEvent(event);
    }
    void closeEvent(QCloseEvent *event) override {
        if (!clickedButton()) {
            event->ignore(); // the window manager's close box, Alt+F4
            return;
        }
        QMessageBox::closeEvent(event);
    }
};

QMessageBox::StandardButton runBox(QMessageBox::Icon icon, const QString &title,
                                   const QString &text, QMessageBox::StandardButtons buttons,
                                   const QString &detail = {}) {
    QMessageBox box(icon, title, text, buttons, QApplication::activeWindow());
    box.setDetailedText(detail);
    return static_cast<QMessageBox::StandardButton>(runModal(box));
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

// Names a file's kind by its extension only: the toolkit's own look-up opens files to
// sniff their contents, which blocks for ever on a file such as /proc/kmsg.
class ExtensionIconProvider : public QFileIconProvider {
public:
    QIcon icon(const QFileInfo &info) const override {
        return QFileIconProvider::icon(info.isDir() ? Folder : File);
    }
    QString type(const QFileInfo &info) const override {
        if (info.isDir()) {
            return QStringLiteral("文件夹");
        }
        return m_types.mimeTypeForFile(info, QMimeDatabase::MatchExtension).comment();
    }

private:
    QMimeDatabase m_types;
};

// Sizes and dates in the program's language: the toolkit's file list words them in the
// system's locale, which may not be Chinese.
class ChineseFileList : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex &index, int role) const override {
        const auto *files = qobject_cast<const QFileSystemModel *>(sourceModel());
        if (role != Qt::DisplayRole || files == nullptr) {
            return QIdentityProxyModel::data(index, role);
        }
        const QModelIndex file = mapToSource(index);
        switch (index.column()) {
        case kSizeColumn:
            return files->isDir(file) ? QString() : QLocale().formattedDataSize(files->size(file));
        case kDateColumn:
            return QLocale().toString(files->lastModified(file), QLocale::ShortFormat);
        default:
            return QIdentityProxyModel::data(index, role);
        }
    }

private:
    static constexpr int kSizeColumn = 1;
    static constexpr int kDateColumn = 3;
};

// The last name is offered again only where the user keeps files: a folder that is
// gone, not writable, or one of the system's virtual file systems starts the dialog in
// the current folder instead.
bool isUsersFolder(const QString &folder) {
    const QFileInfo info(folder);
    const QString real = info.canonicalFilePath();
    for (const char *system : {"/proc", "/sys", "/dev"}) {
        const QString root = QLatin1String(system);
        if (real == root || real.startsWith(root + QLatin1Char('/'))) {
            return false;
        }
    }
    return info.isDir() && info.isWritable();
}

std::optional<QString> runFileDialog(QFileDialog &dialog, FileDialogState &state) {
    // Qt's own dialog everywhere, so it looks and answers the same on every desktop.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::HideNameFilterDetails); // the entries read "*.TNL", "*.*"
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(qtNameFilters(state.filter));
    dialog.setProxyModel(new ChineseFileList(&dialog));
    dialog.resize(720, 440);
    if (auto *details = dialog.findChild<QTreeView *>(QStringLiteral("treeView"))) {
        // The name takes what the size, kind and date leave, so no date is cut short.
        details->header()->setStretchLastSection(false);
        details->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
        details->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    }
    if (!state.lastFileName.isEmpty() &&
        isUsersFolder(QFileInfo(state.lastFileName).absolutePath())) {
        dialog.selectFile(state.lastFileName);
    }
    if (runModal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    state.lastFileName = dialog.selectedFiles().first();
    return state.lastFileName;
}

} // namespace

MessageBoxPrompt::MessageBoxPrompt(QString applicationTitle)
    : m_applicationTitle(std::move(applicationTitle)) {}

bool MessageBoxPrompt::askYesNo(const QString &text) {
    YesNoBox box(texts::kQuestionTitle, text, QApplication::activeWindow());
    return runModal(box) == QMessageBox::Yes;
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

int MessageBoxPrompt::askChoice(const QString &text, const QStringList &choices) {
    QMessageBox box(QMessageBox::NoIcon, texts::kQuestionTitle, text, QMessageBox::NoButton,
                    QApplication::activeWindow());
    std::vector<QAbstractButton *> buttons;
    for (const QString &choice : choices) {
        buttons.push_back(box.addButton(choice, QMessageBox::AcceptRole));
    }
    // Cancel is the escape button: Esc and the close box answer it.
    box.setEscapeButton(box.addButton(QMessageBox::Cancel));
    if (!buttons.empty()) {
        box.setDefaultButton(static_cast<QPushButton *>(buttons.front()));
    }
    runModal(box);
    const auto chosen = std::find(buttons.begin(), buttons.end(), box.clickedButton());
    return chosen == buttons.end() ? -1 : static_cast<int>(chosen - buttons.begin());
}

void MessageBoxPrompt::notice(const QString &text) {
    runBox(QMessageBox::NoIcon, m_applicationTitle, text, QMessageBox::Ok);
}

void MessageBoxPrompt::errorBox(const QString &text, const QString &detail) {
    runBox(QMessageBox::Critical, m_applicationTitle, text, QMessageBox::Ok, detail);
}

std::optional<QString> MessageBoxPrompt::openFile(FileDialogState &state) {
    ExtensionIconProvider icons; // outlives the dialog that uses it
    QFileDialog dialog(QApplication::activeWindow());
    dialog.setIconProvider(&icons);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    return runFileDialog(dialog, state);
}

std::optional<QString> MessageBoxPrompt::saveFile(FileDialogState &state) {
    ExtensionIconProvider icons; // outlives the dialog that uses it
    CompletingSaveDialog dialog(QApplication::activeWindow(), state.extension);
    dialog.setIconProvider(&icons);
    // The toolkit asks before an existing file is replaced; answering no returns here.
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    return runFileDialog(dialog, state);
}

int MessageBoxPrompt::runDialog(QDialog &dialog) {
    return runModal(dialog);
}

} // namespace tunelet::ui

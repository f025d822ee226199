// Main window (Tmain): New, Open, Save, Save As and the question before closing.
#include <QCloseEvent>
#include <QFileInfo>

#include "ui/common/application.h"
#include "ui/common/file_names.h"
#include "ui/common/line_editor.h"
#include "ui/common/texts.h"
#include "ui/main_window/main_window.h"
#include "ui/main_window/track_list_model.h"

namespace tunelet::ui {

// Asked before New and Open replace an unsaved score. Answers whether to go on: Yes
// whose save dialog is then cancelled stops the command, so the score is not lost.
bool MainWindow::askToSaveChanges() {
    if (m_document.isSaved() || !m_prompt->askYesNo(texts::kAskChangedSave)) {
        return true;
    }
    return saveScore();
}

void MainWindow::resetEditor() {
    ij->clear();
}

void MainWindow::newScore() {
    if (!askToSaveChanges()) {
        return;
    }
    resetEditor();
    m_model->clear();
    m_document.setFileName({});
    m_document.setSaved(true);
}

void MainWindow::openScore() {
    if (!askToSaveChanges()) {
        return;
    }
    op1.filter = texts::kScriptFilter;
    op1.extension.clear();
    const std::optional<QString> path = m_prompt->openFile(op1);
    if (!path) {
        return;
    }
    loadScore(*path);
}

void MainWindow::openScoreFile(const QString &path) {
    const QString full = QFileInfo(path).absoluteFilePath(); // as a dialog gives it
    op1.lastFileName = full;
    runGuarded([&] { loadScore(full); });
}

void MainWindow::loadScore(const QString &path) {
    m_model->load(nativeName(path));
    m_document.setFileName(nativeName(path));
    resetEditor();
    m_document.setSaved(true);
}

bool MainWindow::saveScore() {
    if (!m_document.fileName().empty()) {
        writeScore(displayName(m_document.fileName()));
        return true;
    }
    sp1.filter = texts::kScriptFilter;
    sp1.extension = texts::kScriptExtension;
    sp1.lastFileName = offeredName(sp1.lastFileName, texts::kScriptExtension);
    const std::optional<QString> chosen = m_prompt->saveFile(sp1);
    if (!chosen) {
        return false;
    }
    const QString path = withExtension(*chosen, texts::kScriptExtension);
    sp1.lastFileName = path;
    writeScore(path);
    return true;
}

void MainWindow::saveScoreAs() {
    sp1.filter = texts::kScriptFilter;
    sp1.extension.clear();
    sp1.lastFileName = offeredName(sp1.lastFileName, texts::kScriptExtension);
    const std::optional<QString> chosen = m_prompt->saveFile(sp1);
    if (chosen) {
        writeScore(*chosen);
    }
}

// A failed write raises before anything changes: the file name and the saved flag stay.
void MainWindow::writeScore(const QString &path) {
    m_document.saveTo(nativeName(path));
    m_document.setFileName(nativeName(path));
    m_document.setSaved(true);
}

void MainWindow::FormCloseQuery(bool &canClose) {
    if (m_document.isSaved()) {
        canClose = true;
        return;
    }
    switch (m_prompt->askYesNoCancel(texts::kAskUnsavedSave)) {
    case Answer::Yes:
        // A cancelled save dialog keeps the program open with the score.
        canClose = saveScore();
        break;
    case Answer::No:
        canClose = true;
        break;
    case Answer::Cancel:
        canClose = false;
        break;
    }
}

} // namespace tunelet::ui

// Main window (Tmain): New, Open (scripts, and MIDI files as new scores), Save, Save As
// and the question before closing.
#include <QCloseEvent>
#include <QFileInfo>
#include <cerrno>
#include <new>

#include "midi/midi_import.h"
#include "musicxml/musicxml_reader.h"
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
    emit scoreHeaderChanged();
}

void MainWindow::openScore() {
    if (!askToSaveChanges()) {
        return;
    }
    op1.filter = texts::kOpenFilter;
    op1.extension.clear();
    const std::optional<QString> path = m_prompt->openFile(op1);
    if (!path) {
        return;
    }
    openChosenFile(*path);
}

void MainWindow::openScoreFile(const QString &path) {
    const QString full = QFileInfo(path).absoluteFilePath(); // as a dialog gives it
    op1.lastFileName = full;
    runGuarded([&] { openChosenFile(full); });
}

// A MIDI or MusicXML file read as a script would be lines of its bytes ("MThd", "<?xml"):
// each is recognised by its contents instead, and No opens nothing.
void MainWindow::openChosenFile(const QString &path) {
    if (midi::isMidiFile(nativeName(path))) {
        if (m_prompt->askYesNo(texts::kAskImportMidi)) {
            importFile(path, midi::importMidiFile(nativeName(path)));
        }
    } else if (musicxml::isMusicXmlFile(nativeName(path))) {
        if (m_prompt->askYesNo(texts::kAskImportMusicXml)) {
            importFile(path, musicxml::importMusicXmlFile(nativeName(path)));
        }
    } else {
        loadScore(path);
    }
}

// The import is a new score without a file name, so Save asks for one; the report says
// what the note script could not keep. A file that cannot be imported changes nothing.
void MainWindow::importFile(const QString &path, midi::ImportResult result) {
    if (!result.ok()) {
        m_prompt->notice(
            QString::fromStdString(midi::importFailureText(result, path.toStdString())));
        return;
    }
    resetEditor();
    m_model->setLines(std::move(result.lines));
    m_document.setProperties(std::move(result.properties));
    m_document.setFileName({});
    m_document.setSaved(false);
    setTimeIncrement(result.report.timeIncrement); // also says the name is gone
    if (result.report.staccato) {
        dz->setChecked(*result.report.staccato); // so the export writes the same file again
    }
    QString report =
        result.format == midi::ImportFormat::MusicXml ? texts::kImportedMusicXml : texts::kImported;
    for (const std::string &line : midi::importReportLines(result.report)) {
        report += QLatin1Char('\n') + QString::fromStdString(line);
    }
    for (const score::SongBlockNotice &notice : result.songNotices) {
        report += QLatin1Char('\n') + QString::fromStdString(score::songBlockNoticeText(notice));
    }
    m_prompt->notice(report);
}

void MainWindow::loadScore(const QString &path) {
    std::vector<score::SongBlockNotice> notices;
    try {
        notices = m_model->load(nativeName(path));
    } catch (const std::bad_alloc &) {
        // Showing the lines needs memory too: said as any other reason a file cannot open.
        throw score::FileError("Cannot open file " + nativeName(path) + "\n" +
                                   texts::kOutOfMemory.toStdString(),
                               ENOMEM);
    }
    m_document.setFileName(nativeName(path));
    resetEditor();
    m_document.setSaved(true);
    emit scoreHeaderChanged();
    // The tracks are open; what of the song's properties could not be read is said.
    if (!notices.empty()) {
        QString text;
        for (const score::SongBlockNotice &notice : notices) {
            text += (text.isEmpty() ? QString() : QStringLiteral("\n")) +
                    QString::fromStdString(score::songBlockNoticeText(notice));
        }
        m_prompt->notice(text);
    }
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
    emit scoreHeaderChanged();
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

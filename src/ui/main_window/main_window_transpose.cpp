// Main window (Tmain): transposition. The 移调 command and a change of key in the song
// dialog move the notes through the core's transposeLines (all or nothing); the lines and
// the key change together, as one step that Undo takes back.
#include <QAction>
#include <algorithm>
#include <cstdlib>

#include "export/fault_text.h"
#include "export/transpose.h"
#include "ui/common/line_editor.h"
#include "ui/dialogs/modal_result.h"
#include "ui/main_window/main_window.h"
#include "ui/main_window/track_list_model.h"
#include "ui/main_window/transpose_dialog.h"
#include "ui/main_window/transpose_texts.h"

namespace tunelet::ui {

namespace {

QString keyHeader(const std::optional<score::Key> &key) {
    return QString::fromStdString(key.value_or(score::Key{}).header());
}

// Why the notes cannot move, naming the note or the fault by track and byte.
QString refusal(const midi::TransposeResult &result, const std::string &line) {
    if (result.failure == midi::TransposeFailure::OutOfRange) {
        const std::string note = line.substr(result.position - 1, 3);
        return texts::kTransposeOutOfRange.arg(result.track)
            .arg(result.position)
            .arg(QString::fromLatin1(note.data(), static_cast<qsizetype>(note.size())));
    }
    midi::ExportResult fault;
    fault.failure = midi::ExportFailure::TokenError;
    fault.track = result.track;
    fault.position = result.position;
    fault.tokenStart = result.tokenStart;
    fault.scanFault = result.scanFault;
    return texts::kTransposeFault.arg(QString::fromStdString(midi::tokenFaultText(fault, line)));
}

} // namespace

std::optional<std::size_t>
MainWindow::movableTrack(const std::vector<std::size_t> &withNotes) const {
    const int row = selectedRow();
    if (withNotes.size() < 2 || row < 0 ||
        std::find(withNotes.begin(), withNotes.end(), static_cast<std::size_t>(row)) ==
            withNotes.end()) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(row);
}

std::optional<std::vector<std::string>> MainWindow::moveNotes(int semitones,
                                                              std::optional<std::size_t> track,
                                                              const score::SongProperties &song) {
    midi::TransposeResult moved = midi::transposeLines(m_document.lines(), semitones, track);
    if (!moved.ok()) {
        m_prompt->notice(refusal(moved, m_document.line(moved.track - 1)));
        return std::nullopt;
    }
    std::vector<std::string> before = m_model->exchangeLines(std::move(moved.lines));
    followInEditor(before);
    setSong(song);
    return before;
}

// The line editor holding an unchanged copy of the selected track (loaded by a double-click)
// takes the track as it is now: the copy would otherwise be drawn over the track as the
// line being composed, and submitting it would bring back the notes as they were.
void MainWindow::followInEditor(const std::vector<std::string> &before) {
    const int row = selectedRow();
    if (row < 0 || static_cast<std::size_t>(row) >= before.size()) {
        return;
    }
    const std::string &now = m_document.line(static_cast<std::size_t>(row));
    const std::string &was = before[static_cast<std::size_t>(row)];
    if (now != was && encodeLine(ij->text()) == was) {
        ij->setText(decodeLine(now));
    }
}

void MainWindow::transposeOver(QWidget *over) {
    const std::vector<std::size_t> withNotes = midi::tracksWithNotes(m_document.lines());
    if (withNotes.empty()) {
        m_prompt->notice(texts::kNothingToTranspose);
        return;
    }
    const std::optional<score::Key> key = m_document.properties().key;
    TransposeDialog dialog(over, movableTrack(withNotes), key);
    if (m_prompt->runDialog(dialog) != kModalOk) {
        return;
    }
    score::SongProperties song = m_document.properties();
    if (dialog.keyFollows()) {
        song.key = midi::transposedKey(key, dialog.semitones());
    }
    if (auto before = moveNotes(dialog.semitones(), dialog.onlyTrack(), song)) {
        rememberUndo(std::move(*before), key);
    }
}

bool MainWindow::changeKey(const score::SongProperties &song,
                           std::optional<std::vector<std::string>> &movedFrom) {
    const std::optional<score::Key> from = m_document.properties().key;
    const int interval =
        midi::keyChangeInterval(from.value_or(score::Key{}), song.key.value_or(score::Key{}));
    const std::vector<std::size_t> withNotes = midi::tracksWithNotes(m_document.lines());
    if (interval == 0 || withNotes.empty()) {
        setSong(song); // the same tonic, or nothing to move: only the property changes
        return true;
    }
    QStringList choices = {texts::kKeepSound, texts::kMoveWholeScore};
    const std::optional<std::size_t> track = movableTrack(withNotes);
    if (track) {
        choices << texts::kMoveOneTrack.arg(*track + 1);
    }
    const QString move =
        (interval > 0 ? texts::kMoveUpBy : texts::kMoveDownBy).arg(std::abs(interval));
    const int answer = m_prompt->askChoice(
        texts::kAskKeyChange.arg(keyHeader(from), keyHeader(song.key), move), choices);
    if (answer < 0) {
        return false;
    }
    if (answer == 0) {
        setSong(song);
        return true;
    }
    auto before = moveNotes(interval, answer == 2 ? track : std::nullopt, song);
    if (!before) {
        return false;
    }
    if (!movedFrom) {
        movedFrom = std::move(*before);
    }
    return true;
}

void MainWindow::rememberUndo(std::vector<std::string> lines, std::optional<score::Key> key) {
    m_undo = UndoStep{std::move(lines), key, m_document.revision()};
    m_undoIsLatest = true;
    m_undoAction->setEnabled(true);
}

bool MainWindow::canUndoTransposition() const {
    return m_undo && m_undo->revision == m_document.revision();
}

// Puts back the lines and the key as they were; the score stays unsaved, as after any edit.
void MainWindow::undoClick() {
    if (canUndoTransposition()) {
        score::SongProperties song = m_document.properties();
        song.key = m_undo->key;
        followInEditor(m_model->exchangeLines(std::move(m_undo->lines)));
        setSong(song);
    }
    m_undo.reset();
    m_undoAction->setEnabled(false);
}

} // namespace tunelet::ui

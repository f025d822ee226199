// Main window (Tmain): the numbered-notation window, opened from the Tools menu.
#include "ui/main_window/main_window.h"
#include "ui/main_window/track_list_model.h"
#include "ui/notation/notation_window.h"
#include "ui/notation/song_dialog.h"

namespace tunelet::ui {

// One window, made at the first showing and kept: it follows the score while it is open
// and shows it again as it is now when it is opened once more.
void MainWindow::V1Click() {
    if (m_notation == nullptr) {
        NotationSource source;
        source.document = &m_document;
        source.model = m_model.get();
        source.trackList = lp;
        source.editor = ij;
        source.prompt = m_prompt.get();
        source.timeIncrement = [this] { return static_cast<int>(m_timeIncrement); };
        source.practice = m_practice;
        source.staccato = [this] { return staccato(); };
        source.setProperties = [this](const score::SongProperties &song) { setSong(song); };
        source.editSong = [this](QWidget *over) { editSongOver(over); };
        source.transpose = [this](QWidget *over) { transposeOver(over); };
        source.undo = [this] { undoClick(); };
        m_notation = new NotationWindow(this, std::move(source));
        connect(this, &MainWindow::scoreHeaderChanged, m_notation, &NotationWindow::refresh);
    }
    m_notation->show();
    m_notation->raise();
    m_notation->activateWindow();
}

// A change of the song is a change of the score: unsaved until saved, and everything that
// shows the score's head follows it.
void MainWindow::setSong(const score::SongProperties &song) {
    m_document.setProperties(song);
    emit scoreHeaderChanged();
}

// Every change is shown at once. A change of key may move the notes too (changeKey);
// Cancel puts back the song and the notes as they were when the dialog opened, and an
// OK after a move keeps the dialog's moves as one step that Undo takes back.
void MainWindow::editSongOver(QWidget *over) {
    const score::SongProperties before = m_document.properties();
    std::optional<std::vector<std::string>> movedFrom;
    SongDialog dialog(over, before, m_document.lineCount(),
                      [this](const score::SongProperties &song) { setSong(song); });
    dialog.setKeyChanger(
        [&](const score::SongProperties &song) { return changeKey(song, movedFrom); });
    dialog.setReverter([&] {
        if (movedFrom) {
            m_model->exchangeLines(std::move(*movedFrom));
            movedFrom.reset();
        }
        setSong(before);
    });
    if (dialog.exec() == QDialog::Accepted && movedFrom) {
        rememberUndo(std::move(*movedFrom), before.key);
    }
}

} // namespace tunelet::ui

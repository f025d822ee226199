// The numbered-notation window (简谱): the whole score as numbered notation, following
// every change of the score and of the line being composed, with PDF, SVG and printing.
//
//   NotationWindow ── reads ScoreDocument (through the track list's model signals),
//     │                 ij (the line being composed) and lp (the track it would replace)
//     ├─ timeSignature: 2/4 3/4 4/4 3/8 6/8
//     ├─ wordsBar: WordsBar, the words of the part being composed or chosen, by verse
//     ├─ view: NotationView ── notation::buildScore → layoutSystems → NotationPainter
//     └─ exportPdf, exportSvg, print: the same painter on A4 pages and in an SVG
#pragma once

#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "notation/timed_events.h"
#include "score/song_properties.h"
#include "ui/common/prompt.h"
#include "ui/notation/notation_files.h"
#include "ui/notation/notation_view.h"
#include "ui/notation/practice_session.h"

class QComboBox;
class QScrollArea;
class QVBoxLayout;
class QListView;
class QPushButton;

namespace tunelet::score {
class ScoreDocument;
}

namespace tunelet::ui {

class LineEditor;
class PracticeBar;
class WordsBar;
class TrackListModel;

// What the window reads of the main window and the one thing it does there.
struct NotationSource {
    const score::ScoreDocument *document = nullptr;
    TrackListModel *model = nullptr;
    QListView *trackList = nullptr; // lp
    LineEditor *editor = nullptr;   // ij
    Prompt *prompt = nullptr;
    std::function<int()> timeIncrement;
    // Changes the score's song properties (the metre chosen here, the song dialog).
    std::function<void(const score::SongProperties &)> setProperties;
    // The owner's song dialog and 移调 command, run over the given window, and its undo
    // of a transposition; without editSong the dialog only sets the properties.
    std::function<void(QWidget *)> editSong;
    std::function<void(QWidget *)> transpose;
    std::function<void()> undo;
    // Practice (notation_practice.cpp): the session the practice bar drives, and the
    // export's staccato switch; without a session the window has no practice bar.
    PracticeSession *practice = nullptr;
    std::function<bool()> staccato;
};

class NotationWindow : public QWidget {
    Q_OBJECT
public:
    NotationWindow(QWidget *owner, NotationSource source);

    // The score in the song's key and metre. As the view shows it, the line being
    // composed takes the place of the selected track (or follows the last one); files
    // and paper, like the MIDI export, hold only the submitted tracks.
    NotationDocument currentDocument(bool withComposedLine) const;
    // The title and the time increment the header shows.
    NotationHeader currentHeader() const;
    NotationView *view() const { return m_view; }

    // Loads the part's track into ij as a double-click on the track list does, with the
    // caret just after the token that ends at tokenEnd.
    void editNote(std::size_t part, std::size_t tokenEnd);

    // Draws the score again as it is now. The owner calls it when what heads the score
    // changes without a model signal: the file name, the time increment.
    void refresh();

signals:
    // The song's metre as drawn changed (the list, the song dialog, an Open).
    void metreChanged();

protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void follow(QPushButton *pdf, QPushButton *svg, QPushButton *printButton);
    // The metre chosen in the list becomes the song's.
    void chooseTime(const QString &text);
    void editSong();
    void exportPdf();
    void exportSvg();
    void print();
    std::optional<QString> chooseFile(FileDialogState &dialog, const QString &extension);
    notation::TimeSignature timeSignature() const;
    int editedPart(std::vector<std::string> &lines) const;
    void followWordsPart(int edited);
    void buildPractice(QVBoxLayout *column, QScrollArea *scroll);
    void chooseNote(std::size_t part, std::size_t event, bool extend);
    PracticeSession::Score practiceScore() const;
    void playPractice(int from);
    void loopPractice(bool on);
    void tell(const QString &failure);

    NotationSource m_source;
    QComboBox *m_time;
    notation::TimeSignature m_metre; // as last drawn
    NotationView *m_view;
    WordsBar *m_wordsBar;
    FileDialogState m_pdfDialog;
    FileDialogState m_svgDialog;
    // Practice: the note clicked first, and the passage chosen from it (in ticks).
    PracticeBar *m_practiceBar = nullptr;
    NotationView::Choice m_anchor;
    int m_loopFrom = 0, m_loopTo = 0;
};

} // namespace tunelet::ui

// Main window (Tmain): the score's track list, the line editor, the menus and tool bars.
//
//   MainWindow ── TrackListModel ── ScoreDocument (track lines, file name, saved flag)
//     ├─ ij: a key composes a token (InputState) and pastes it at the caret (via tmp)
//     ├─ hpf, the input palette: buttons compose the same tokens into ij
//     ├─ export: scoreToMidi(lines, time increment, dz) writes the .MID file
//     └─ mp1, the transport bar ── Sequencer (FluidSynth) plays it
//
// Generated names and their roles:
//   F1 File:   N2 new, O1 open, S1 save, A1 save as, MIDI1 export, XML1 MusicXML,
//              N1 line, X1 exit
//   E1 Edit:   undo takes the last transposition back, I1 insert empty track,
//              D1 delete track, N3 line, P1 time increment, dz staccato (its check mark
//              is the switch)
//   N4 Scale:  N01 N11 N21 ... N101, the octave letters a to k
//   N5 Beat:   pp1 to pp8, the beat letters a to h
//   T1 Tools:  showT shows or hides the input palette, L1 hear each composed note,
//              V1 the numbered-notation window, songProperties the song dialog,
//              transpose moves the notes (main_window_transpose.cpp)
//   Media1:    K1 open, P2 play, O2 stop, U1 pause, C1 close
//   H1 Help:   R1 documentation, N6 line, A2 about
//   ToolBar1:  ToolButton1 new, 2 open, 3 save, 9 gap, 4 export, 5 gap, 6 insert, 8 gap,
//              7 delete
//   ToolBar2:  ToolButton10 media open, 11 gap, mp1
#pragma once

#include <QIcon>
#include <QList>
#include <QMainWindow>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "export/token_composer.h"
#include "midi/midi_import.h"
#include "playback/sequencer.h"
#include "score/score_document.h"
#include "ui/common/input_state.h"
#include "ui/common/prompt.h"

class QAction;
class QActionGroup;
class QGroupBox;
class QKeySequence;
class QListView;
class QMenu;
class QPushButton;
class QLineEdit;
class QTimer;
class QToolBar;
namespace tunelet::playback {
class MediaPlayer;
}

namespace tunelet::ui {

class LineEditor;
class PracticeSession;
class InputPalette;
class NotationWindow;
class TrackListModel;

// The 27 pictures of ImageList1, in index order.
QList<QIcon> loadImageList();

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow(std::unique_ptr<Prompt> prompt, std::unique_ptr<playback::Sequencer> sequencer,
               QWidget *parent = nullptr);
    ~MainWindow() override;

    const score::ScoreDocument &document() const { return m_document; }
    std::uint16_t timeIncrement() const { return m_timeIncrement; }
    void setTimeIncrement(std::uint16_t ticks);
    // Practice from ij (main_window_practice.cpp) on a device of its own, not mp1's.
    PracticeSession &practice() { return *m_practice; }
    void setPracticeDevice(std::unique_ptr<playback::Sequencer> device);
    bool staccato() const;

    // Opens a script file named on the command line, as Open does with the file chosen
    // in its dialog; an error shows in the error box over the empty score.
    void openScoreFile(const QString &path);

signals:
    // What heads the score changed, its file name or its time increment: the model's
    // signals do not say so.
    void scoreHeaderChanged();

protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Handlers, named after their control and event; only the window's own controls,
    // menus and timer call them.
    void FormCreate();
    void FormResize();
    void FormCloseQuery(bool &canClose);
    void Button1Click();
    void I1Click();
    void D1Click();
    void lpDblClick();
    void ijChange();
    // One typed character of the line editor: composes and inserts its token.
    void ijKeyPress(QChar k);
    void Timer1Timer();
    void N2Click() { newScore(); }
    void O1Click() { openScore(); }
    void S1Click() { saveScore(); }
    void A1Click() { saveScoreAs(); }
    void MIDI1Click() { exportMidi(); }
    void XML1Click() { exportMusicXml(); }
    void X1Click();
    void dzClick();
    void K1Click() { openMedia(); }
    void P2Click();
    void O2Click();
    void U1Click();
    void C1Click();
    // Time increment, scale, beat, tools and help items.
    void P1Click();
    void N4Click();
    void N5Click();
    void T1Click();
    void showTClick();
    void L1Click();
    void V1Click();
    void songPropertiesClick() { editSongOver(this); }
    void setSong(const score::SongProperties &song);
    // The song dialog over a window of the program (this one or the 简谱 window).
    void editSongOver(QWidget *over);

    // Transposition (main_window_transpose.cpp): the 移调 command, a change of key in the
    // song dialog, and the one step that takes either back.
    void transposeClick() { transposeOver(this); }
    void transposeOver(QWidget *over);
    void undoClick();
    // A key change from the song dialog: asks whether the notes keep their sound or their
    // digits; false when cancelled or refused (nothing changed). movedFrom gets the lines
    // as they were before the first move of the dialog's run.
    bool changeKey(const score::SongProperties &song,
                   std::optional<std::vector<std::string>> &movedFrom);
    // The notes moved and the song set, together; answers the lines as they were, or
    // nothing when a note cannot move (the user is told which).
    std::optional<std::vector<std::string>>
    moveNotes(int semitones, std::optional<std::size_t> track, const score::SongProperties &song);
    // The selected track when it may move alone: it holds notes and so does another.
    std::optional<std::size_t> movableTrack(const std::vector<std::size_t> &withNotes) const;
    void followInEditor(const std::vector<std::string> &before);
    void rememberUndo(std::vector<std::string> lines, std::optional<score::Key> key);
    bool canUndoTransposition() const;
    void R1Click();
    void A2Click();
    void N01Click() { scaleItemClick('a'); }
    void N11Click() { scaleItemClick('b'); }
    void N21Click() { scaleItemClick('c'); }
    void N31Click() { scaleItemClick('d'); }
    void N41Click() { scaleItemClick('e'); }
    void N51Click() { scaleItemClick('f'); }
    void N61Click() { scaleItemClick('g'); }
    void N71Click() { scaleItemClick('h'); }
    void N81Click() { scaleItemClick('i'); }
    void N91Click() { scaleItemClick('j'); }
    void N101Click() { scaleItemClick('k'); }
    void pp1Click() { beatItemClick('a'); }
    void pp2Click() { beatItemClick('b'); }
    void pp3Click() { beatItemClick('c'); }
    void pp4Click() { beatItemClick('d'); }
    void pp5Click() { beatItemClick('e'); }
    void pp6Click() { beatItemClick('f'); }
    void pp7Click() { beatItemClick('g'); }
    void pp8Click() { beatItemClick('h'); }

    using Handler = void (MainWindow::*)();

    void scaleItemClick(char letter);
    void beatItemClick(char letter);
    bool insertToken(const QString &token);
    // Sounds a note just composed into ij, as the tokens before the caret set it.
    void auditionNote(const midi::ComposedNote &note);
    void updateComposing();
    void buildLayout(std::unique_ptr<playback::Sequencer> sequencer);
    QWidget *buildCoolBar1(QWidget *parent, std::unique_ptr<playback::Sequencer> sequencer);
    QWidget *buildScoreBox(QWidget *parent);
    void buildMenus();
    void buildToolBars();
    QMenu *addMenu(const char *name, const QString &caption);
    QAction *addItem(QMenu *menu, const char *name, const QString &caption, int image,
                     Handler handler, const QKeySequence &shortcut = {});
    void addSeparator(QMenu *menu, const char *name);
    void buildScaleAndBeatMenus();
    // The palette item runs the Tools menu's open action first, also when it is started
    // with Ctrl+W, so the item always toggles the palette's actual visibility.
    void showTMenuClick() {
        T1Click();
        showTClick();
    }
    // The input palette, made when first asked for.
    InputPalette &palette();
    void connectCommand(QAction *action, Handler handler);
    void wire();
    int selectedRow() const;

    // File commands; save() answers whether the score was written (false: cancelled).
    void newScore();
    void openScore();
    void loadScore(const QString &path);
    // A chosen file: a script is loaded, a MIDI file offered for import.
    void openChosenFile(const QString &path);
    void importFile(const QString &path, midi::ImportResult result);
    bool saveScore();
    void saveScoreAs();
    bool askToSaveChanges();
    void writeScore(const QString &path);
    void resetEditor();

    void exportMidi();
    QString offeredMediaName() const;
    void exportMusicXml();
    std::optional<QString> chooseExportFile(const QString &filter, const QString &extension,
                                            const QString &offered);
    void openMedia();
    void buildPracticeKeys();
    void playFromCaret();
    void stopPracticeForTransport();

    score::ScoreDocument m_document;
    bool m_firstFrame = false; // the window was painted once: the palette may show
    bool m_inFront = false;    // the program is the one the user works in
    bool m_composed = false;   // a note was composed: its output is kept ready for the next
    bool m_placed = false;     // the outer size was set at the first showing; early, since
                               // event() reads it while the members below are being made
    // Declared after the document it reads, so it goes first when the window does.
    std::unique_ptr<TrackListModel> m_model;
    std::unique_ptr<Prompt> m_prompt;
    std::uint16_t m_timeIncrement = 48; // ticks per quarter note written by the export
    InputState m_input;                 // octave and beat of the composed notes

    QList<QIcon> ImageList1;       // the pictures of the menus and tool bars
    FileDialogState op1;           // the shared open dialog
    FileDialogState sp1;           // the shared save dialog
    QString m_lastExport;          // the MIDI file the export wrote last
    QWidget *CoolBar1;             // the band row under the menu bar
    QToolBar *ToolBar1;            // file and track buttons
    QToolBar *ToolBar2;            // media open and the transport bar
    playback::MediaPlayer *mp1;    // the transport bar
    QGroupBox *gb1;                // "乐谱", later the status line
    QWidget *CoolBar2;             // the "音轨" band
    QWidget *ToolBar3;             // holds ij and Button1
    LineEditor *ij;                // the line being composed
    QPushButton *Button1;          // submit
    QListView *lp;                 // the track list
    QLineEdit *tmp = nullptr;      // hidden staging field of token insertion, made at first use
    QTimer *Timer1;                // refreshes the status line
    QTimer *m_afterFirstFrame;     // shows the palette, readies the sound, after the first frame
    InputPalette *hpf = nullptr;   // the input palette, made by palette()
    QAction *dz = nullptr;         // staccato
    QAction *showT = nullptr;      // palette shown
    QAction *L1 = nullptr;         // composed notes are heard
    bool m_auditionFailed = false; // no sound output: quiet until L1 is switched again
    QMenu *N4 = nullptr;           // scale menu
    QMenu *N5 = nullptr;           // beat menu
    QMenu *T1 = nullptr;           // tools menu
    QActionGroup *m_scaleGroup = nullptr;
    QActionGroup *m_beatGroup = nullptr;
    // The last transposition's step back: the lines and key before it, valid while the
    // score is at the revision it left.
    struct UndoStep {
        std::vector<std::string> lines;
        std::optional<score::Key> key;
        std::uint64_t revision = 0;
    };
    std::optional<UndoStep> m_undo;
    bool m_undoIsLatest = false; // nothing typed in ij since: Ctrl+Z there takes it back
    QAction *m_undoAction = nullptr;
    NotationWindow *m_notation = nullptr;  // the 简谱 window, made when first asked for
    PracticeSession *m_practice = nullptr; // F5 in ij: play from the caret
};

} // namespace tunelet::ui

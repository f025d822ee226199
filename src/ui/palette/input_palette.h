// Input palette (Thpf): composes tokens with the mouse into the main window's line editor.
//
//   MainWindow ── InputPalette ── insertToken(lle -> clipboard -> ij)
//     └─ InputState (octave, beat), read by the note buttons, written by t0..t10, pp1..pp8
//
// Generated names and their roles, band by band:
//   CoolBar1   the five captioned bands
//   "预览"      lle, the read-only preview of the token composed last (staging field)
//   "简谱"      ToolBar1: ToolButton1..7 notes 1..7, 8 gap, 9 rest, 29 gap,
//              30 instrument (chooser), 36 gap, 37 volume (value dialog)
//   "带修饰符的简谱" ToolBar4: ToolButton31..35 the sharpened notes v, w, x, y, z
//   "拍子"      ToolBar2: pp1..pp8, the beat letters a..h (one down at a time)
//   "音阶"      ToolBar3: t0..t10, the octave letters a..k (one down at a time)
//   ImageList1 the 26 pictures of the buttons
#pragma once

#include <QList>
#include <QWidget>
#include <functional>

#include "export/token_composer.h"

class QAction;
class QActionGroup;
class QIcon;
class QLineEdit;
class QToolBar;

namespace tunelet::ui {

class LineEditor;
class Prompt;
struct InputState;

// The action of a letter in a group of radio actions whose first is "a" (the palette's
// beat and octave buttons, the Scale and Beat menus), or null past its end.
QAction *letterAction(QActionGroup *group, char letter);

class InputPalette : public QWidget {
    Q_OBJECT
public:
    // A tool window of owner that stays on top and never takes the keyboard focus, so
    // typing goes on in the line editor after a click here.
    InputPalette(QWidget *owner, InputState &input, Prompt &prompt);

    // The line editor the tokens go into.
    void setTarget(LineEditor *target) { m_target = target; }
    // Told of every note inserted, after it went in (the owner lets it be heard).
    using NoteHandler = std::function<void(const midi::ComposedNote &note)>;
    void setNoteHandler(NoteHandler handler) { m_noteInserted = std::move(handler); }

    // Push a beat or octave button down, as the menus do: its action does not run.
    void setBeatDown(char beat);
    void setOctaveDown(char octave);

    // Puts the outer frame's bottom-right corner on the owner's; done when the palette
    // first shows, and by the owner once its own frame is known.
    void placeAtOwnersCorner();

    void FormCreate();
    void FormCloseQuery(bool &canClose);

protected:
    void closeEvent(QCloseEvent *event) override;
    bool event(QEvent *event) override;

private:
    QWidget *band(const QString &caption, QWidget *control);
    QToolBar *toolBar(const char *name);
    QAction *button(QToolBar *bar, const char *name, int image);
    void gap(QToolBar *bar, const char *name);
    void buildNotes();
    void buildBeatsAndOctaves();

    void noteClick(char pitch);
    void ToolButton9Click();
    void ToolButton30Click();
    void ToolButton37Click();
    bool insert(const QString &token); // whether it went in

    InputState &m_input;
    Prompt &m_prompt;
    LineEditor *m_target = nullptr; // the insertion target, ij
    NoteHandler m_noteInserted;
    bool m_shown = false;  // shown for the first time
    bool m_placed = false; // placed with the window manager's frame known

    QList<QIcon> ImageList1;
    QWidget *CoolBar1;
    QLineEdit *lle;     // preview and staging field
    QToolBar *ToolBar1; // notes, rest, instrument, volume
    QToolBar *ToolBar4; // sharpened notes
    QToolBar *ToolBar2; // beats
    QToolBar *ToolBar3; // octaves
    QActionGroup *m_beats;
    QActionGroup *m_octaves;
};

} // namespace tunelet::ui

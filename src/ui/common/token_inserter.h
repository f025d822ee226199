// Composition: putting a composed token into the line editor, and the two tokens that
// are chosen in a dialog (instrument and volume).
#pragma once

#include <QString>
#include <optional>

class QLineEdit;
class QWidget;

namespace tunelet::ui {

class LineEditor;
class Prompt;

// Shows token in the staging field, copies it from there to the system clipboard and
// pastes it into target: over target's selection, else at its caret, with the caret
// after the token. The paste is an ordinary edit of target (undo takes it back). A token
// that would take target past its capacity goes nowhere and the user is told so; the
// answer is whether it went in.
bool insertToken(const QString &token, QLineEdit &staging, LineEditor &target, Prompt &prompt);

// The instrument chooser, owned by owner: the ProgramToken chosen, or nothing when it was
// cancelled or confirmed without a choice (then the user is told so).
std::optional<QString> chooseProgramToken(QWidget &owner, Prompt &prompt);

// The value dialog "设置音量" at 80, owned by owner: the VolumeToken, or nothing on Cancel.
std::optional<QString> chooseVolumeToken(QWidget &owner, Prompt &prompt);

} // namespace tunelet::ui

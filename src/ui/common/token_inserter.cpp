// Composition: the token inserter and the two dialog-made tokens.
#include "ui/common/token_inserter.h"

#include <QLineEdit>

#include "export/token_composer.h"
#include "ui/common/line_editor.h"
#include "ui/common/prompt.h"
#include "ui/common/texts.h"
#include "ui/dialogs/instrument_chooser.h"
#include "ui/dialogs/modal_result.h"
#include "ui/dialogs/value_dialog.h"

namespace tunelet::ui {

namespace {

constexpr int kHighestVolume = 255;
constexpr int kStartVolume = 80;

} // namespace

bool insertToken(const QString &token, QLineEdit &staging, LineEditor &target, Prompt &prompt) {
    if (!target.fits(token.size())) {
        prompt.notice(texts::kEditorFull); // said, not cut: the paste would take what fits
        return false;
    }
    // Through the clipboard, as the user would copy and paste it: the token is left
    // there for pasting elsewhere.
    staging.setText(token);
    staging.selectAll();
    staging.copy();
    target.paste();
    return true;
}

std::optional<QString> chooseProgramToken(QWidget &owner, Prompt &prompt) {
    InstrumentChooser chooser(&owner);
    if (prompt.runDialog(chooser) != kModalOk) {
        return std::nullopt;
    }
    if (chooser.itemIndex() < 0) {
        prompt.notice(texts::kNoInstrumentChosen);
        return std::nullopt;
    }
    return QString::fromStdString(midi::composeProgram(chooser.itemIndex()));
}

std::optional<QString> chooseVolumeToken(QWidget &owner, Prompt &prompt) {
    ValueDialog dialog(&owner);
    dialog.setWindowTitle(texts::kVolumeCaption);
    dialog.setMaximum(kHighestVolume);
    dialog.setPosition(kStartVolume);
    if (prompt.runDialog(dialog) != kModalOk) {
        return std::nullopt;
    }
    return QString::fromStdString(midi::composeVolume(dialog.position()));
}

} // namespace tunelet::ui

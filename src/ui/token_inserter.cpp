// Composition: the token inserter and the two dialog-made tokens.
#include "ui/token_inserter.h"

#include <QLineEdit>

#include "export/token_composer.h"
#include "ui/f_settime.h"
#include "ui/modal_result.h"
#include "ui/prompt.h"
#include "ui/texts.h"
#include "ui/usyq.h"

namespace tunelet::ui {

namespace {

constexpr int kHighestVolume = 255;
constexpr int kStartVolume = 80;

} // namespace

void insertToken(const QString &token, QLineEdit &staging, QLineEdit &target) {
    // Through the clipboard, as the user would copy and paste it: the token is left
    // there for pasting elsewhere.
    staging.setText(token);
    staging.selectAll();
    staging.copy();
    target.paste();
}

std::optional<QString> chooseProgramToken(QWidget &owner, Prompt &prompt) {
    Tsyq chooser(&owner);
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
    Tsettime dialog(&owner);
    dialog.setWindowTitle(texts::kVolumeCaption);
    dialog.setMaximum(kHighestVolume);
    dialog.setPosition(kStartVolume);
    if (prompt.runDialog(dialog) != kModalOk) {
        return std::nullopt;
    }
    return QString::fromStdString(midi::composeVolume(dialog.position()));
}

} // namespace tunelet::ui

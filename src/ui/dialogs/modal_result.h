// Dialogs: the results a modal run ends with, as every caller reads them.
#pragma once

namespace tunelet::ui {

// OK and Cancel of every dialog's modal run (QDialog::exec()'s return value). Esc, the
// close box and reject() end a dialog with Cancel.
constexpr int kModalOk = 1;
constexpr int kModalCancel = 2;

} // namespace tunelet::ui

// Printing the numbered-notation view, through the module that holds the print dialog.
#include "ui/notation/notation_printing.h"

#include "modules/module_folders.h"

namespace tunelet::ui {

QString printNotation(const NotationDocument &document, QWidget *parent,
                      const RunDialog &runDialog) {
    // Opened once; it stays loaded, as a linked library would.
    static const modules::OpenedEntry module =
        modules::openEntry("tunelet-window-print.so", "tunelet_print_notation");
    if (module.function == nullptr) {
        return QString::fromStdString(module.error);
    }
    reinterpret_cast<PrintNotationEntry>(module.function)(document, parent, runDialog);
    return {};
}

} // namespace tunelet::ui

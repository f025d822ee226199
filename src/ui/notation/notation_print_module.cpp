// tunelet-window-print.so: the print dialog and the pages on the printer, with Qt's
// printing library, which the window program itself does not load at start.
#include <QPrintDialog>
#include <QPrinter>

#include "ui/notation/notation_printing.h"

extern "C" __attribute__((visibility("default"))) void
tunelet_print_notation(const tunelet::ui::NotationDocument &document, QWidget *parent,
                       const tunelet::ui::RunDialog &runDialog) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    printer.setDocName(document.header.title);
    QPrintDialog dialog(&printer, parent);
    if (runDialog(dialog) == QDialog::Accepted) {
        tunelet::ui::paintPages(printer, document);
    }
}

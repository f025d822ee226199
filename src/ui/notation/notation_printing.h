// Printing the numbered-notation view: the print dialog, then the pages on the printer
// chosen. Qt's printing library is loaded only for it: the code is a module of its own,
// tunelet-window-print.so, opened at the first print (the window's start does not wait
// for the library, nor keep it in memory).
#pragma once

#include <QString>
#include <functional>

#include "ui/notation/notation_files.h"

class QDialog;
class QWidget;

namespace tunelet::ui {

// Runs a dialog modally and answers its result (the window's prompt does, so tests can
// answer it).
using RunDialog = std::function<int(QDialog &)>;

// Asks for a printer, over parent, and prints the document there (named for its title)
// when the dialog is accepted. Answers an empty string, or why printing could not begin.
QString printNotation(const NotationDocument &document, QWidget *parent,
                      const RunDialog &runDialog);

} // namespace tunelet::ui

// The print module's entry, as the window calls it (notation_printing.cpp) and the module
// defines it (notation_print_module.cpp). Both are built from this tree together.
using PrintNotationEntry = void (*)(const tunelet::ui::NotationDocument &document, QWidget *parent,
                                    const tunelet::ui::RunDialog &runDialog);

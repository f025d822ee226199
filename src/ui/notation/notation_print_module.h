// The print module's entry, as the window calls it (notation_printing.cpp) and the module
// defines it (notation_print_module.cpp). Both are built from this tree together.
#pragma once

#include "ui/notation/notation_printing.h"

using PrintNotationEntry = void (*)(const tunelet::ui::NotationDocument &document,
                                    const QString &title, QWidget *parent,
                                    const tunelet::ui::RunDialog &runDialog);

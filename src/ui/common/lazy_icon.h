// Pictures of menus, tool bars and the palette, read from their file when first shown.
#pragma once

#include <QIcon>
#include <QString>

namespace tunelet::ui {

// A picture read from file (and its @2x version) only when it is first drawn or measured:
// a plain QIcon reads every size of its file as it is made, and the window makes some
// sixty pictures at start of which the first frame shows a few.
QIcon lazyIcon(const QString &file);

} // namespace tunelet::ui

// Fonts: a list of families cut down to the ones Qt would actually try.
#pragma once

#include <QStringList>

namespace tunelet::ui {

// The families from the first one installed on, or all of them when none is. Qt skips a
// missing family by itself, but only after asking fontconfig for that family's fallbacks,
// once per script: some milliseconds at start for nothing. The families after the first
// installed one stay, as fallbacks of that one.
QStringList fromFirstInstalled(const QStringList &families);

} // namespace tunelet::ui

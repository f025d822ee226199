// Fonts: a list of families cut down to the ones Qt would actually try.
#include "ui/common/font_families.h"

#include <QFontDatabase>
#include <algorithm>

namespace tunelet::ui {

QStringList fromFirstInstalled(const QStringList &families) {
    const QStringList installed = QFontDatabase::families();
    // hasFamily also knows a family by its other names, as Qt's own matching does
    // ("文泉驿微米黑" is WenQuanYi Micro Hei), but asks fontconfig for each: only for names
    // not in the list.
    const auto first = std::find_if(families.begin(), families.end(), [&](const QString &family) {
        return installed.contains(family, Qt::CaseInsensitive) || QFontDatabase::hasFamily(family);
    });
    return first == families.end() ? families : QStringList(first, families.end());
}

} // namespace tunelet::ui

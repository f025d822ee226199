// Window tests: font family lists cut down to the families Qt would try.
#include <gtest/gtest.h>

#include <QStringList>

#include "ui/common/font_families.h"

namespace tunelet::ui {
namespace {

// WenQuanYi Micro Hei and DejaVu Sans are installed wherever the tests run (the notation
// files embed the one, Qt falls back to the other); the "Missing" families are nowhere.
TEST(FromFirstInstalled, DropsOnlyTheMissingFamiliesBeforeTheFirstInstalledOne) {
    const std::pair<QStringList, QStringList> cases[] = {
        {{"宋体", "SimSun", "WenQuanYi Micro Hei"}, {"WenQuanYi Micro Hei"}},
        {{"Missing A", "DejaVu Sans", "Missing B", "WenQuanYi Micro Hei"},
         {"DejaVu Sans", "Missing B", "WenQuanYi Micro Hei"}},
        {{"WenQuanYi Micro Hei", "Missing A"}, {"WenQuanYi Micro Hei", "Missing A"}},
        {{"Missing A", "文泉驿微米黑"}, {"文泉驿微米黑"}},        // known by its Chinese name
        {{"Missing A", "Missing B"}, {"Missing A", "Missing B"}}, // none: Qt's own fallbacks
        {{}, {}},
    };
    for (const auto &[families, tried] : cases) {
        EXPECT_EQ(fromFirstInstalled(families), tried) << families.join(", ").toStdString();
    }
}

} // namespace
} // namespace tunelet::ui

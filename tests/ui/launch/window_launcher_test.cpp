// The launcher: the font set-up beside the main thread, the window module found and run.
#include <dlfcn.h>
#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>
#include <sched.h>

#include <string>

#include "ui/launch/font_warm_up.h"
#include "ui/launch/window_launcher.h"

namespace {

using tunelet::ui::FontConfigWarmUp;
using tunelet::ui::launchWindowModule;

// The window program hands fontconfig's set-up to Qt, whose font database releases it at
// the end; these tests have no Qt, so each releases it itself.
class WindowLauncher : public ::testing::Test {
protected:
    void TearDown() override { FcFini(); }
};
using FontConfigWarmUpTest = WindowLauncher;

char program[] = "tunelet";
char song[] = "song.TNL";
char *arguments[] = {program, song, nullptr};

TEST_F(WindowLauncher, RunsTheModulesEntryWithTheProgramsArguments) {
    EXPECT_EQ(launchWindowModule(2, arguments, "launch_probe.so", "launch_probe_main"), 42);
}

// A module missing, or one that needs a function no library gives: said before anything
// of it runs.
TEST_F(WindowLauncher, SaysWhichModuleIsMissingOrCannotLoad) {
    const std::pair<const char *, const char *> rows[] = {
        {"no-such-window.so", "找不到模块“no-such-window.so”"},
        {"launch_unresolved.so", "无法载入模块"}};
    for (const auto &[module, message] : rows) {
        testing::internal::CaptureStderr();
        const int code = launchWindowModule(2, arguments, module, "launch_probe_main");
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(code, 1) << module;
        EXPECT_NE(said.find(message), std::string::npos) << said;
    }
}

// The real window module, as built: it loads with all its libraries, and refuses a
// launcher of another version before it touches Qt.
TEST_F(WindowLauncher, TheWindowModuleRefusesAnotherVersion) {
    void *module = dlopen(TUNELET_WINDOW_MODULE, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << dlerror();
    auto entry = reinterpret_cast<TuneletWindowEntry>(dlsym(module, "tunelet_window_main"));
    ASSERT_NE(entry, nullptr);
    const TuneletWindowStart older{TUNELET_WINDOW_ABI - 1, [](void *) {}, nullptr};
    testing::internal::CaptureStderr();
    EXPECT_EQ(entry(2, arguments, &older), 1);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("版本不符"), std::string::npos);
}

// The set-up runs on another core than the one the program starts on, where there is one;
// on a single core it still runs, where it can.
TEST_F(FontConfigWarmUpTest, RunsBesideTheMainThreadWhereThereIsAnotherCore) {
    cpu_set_t all;
    ASSERT_EQ(sched_getaffinity(0, sizeof all, &all), 0);
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(sched_getcpu(), &one);
    const struct {
        const cpu_set_t *cores;
        bool beside;
    } rows[] = {{&all, CPU_COUNT(&all) > 1}, {&one, false}};
    for (const auto &row : rows) {
        ASSERT_EQ(sched_setaffinity(0, sizeof *row.cores, row.cores), 0);
        FontConfigWarmUp warmUp;
        warmUp.wait();
        EXPECT_EQ(warmUp.ranBeside(), row.beside) << CPU_COUNT(row.cores) << " cores";
    }
    sched_setaffinity(0, sizeof all, &all);
}

} // namespace

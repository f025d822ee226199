// The launcher: the font set-up beside the main thread, the window module found and run.
#include <dlfcn.h>
#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "ui/launch/font_warm_up.h"
#include "ui/launch/window_launcher.h"

namespace {

using tunelet::ui::FontConfigWarmUp;
using tunelet::ui::launchWindowModule;

// The window program hands fontconfig's set-up to Qt, whose font database releases it at
// the end; these tests have no Qt, so each releases it itself.
// A failure would also be shown in a box on a display: none here, unless a test sets one.
class WindowLauncher : public ::testing::Test {
protected:
    void SetUp() override {
        for (std::size_t i = 0; i < std::size(kDisplays); ++i) {
            if (const char *value = std::getenv(kDisplays[i])) {
                m_displays[i] = value;
            }
            ::unsetenv(kDisplays[i]);
        }
        m_path = std::getenv("PATH");
    }
    void TearDown() override {
        for (std::size_t i = 0; i < std::size(kDisplays); ++i) {
            m_displays[i] ? ::setenv(kDisplays[i], m_displays[i]->c_str(), 1)
                          : ::unsetenv(kDisplays[i]);
        }
        ::setenv("PATH", m_path.c_str(), 1);
        FcFini();
    }

    static constexpr const char *kDisplays[] = {"DISPLAY", "WAYLAND_DISPLAY"};
    std::optional<std::string> m_displays[2];
    std::string m_path;
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

std::string contentOf(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Started from a desktop menu, a failure is also shown in a box where there is a display:
// here a stand-in for zenity, found first on the PATH, records what it was asked to show.
TEST_F(WindowLauncher, SaysWhyInABoxWhereThereIsADisplay) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("tunelet-box-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string record = (folder / "shown").string();
    std::ofstream(folder / "zenity") << "#!/bin/sh\nprintf '%s|' \"$@\" > '" << record << "'\n";
    std::filesystem::permissions(folder / "zenity", std::filesystem::perms::owner_all);
    const struct {
        const char *display;
        const char *wayland;
        std::string shown;
    } rows[] = {
        {":77", nullptr,
         "--error|--no-markup|--title=Tunelet|--text=Tunelet 无法启动\n找不到模块“no-such-"},
        {nullptr, "wayland-77", "--error|--no-markup|--title=Tunelet|--text=Tunelet"},
        {nullptr, nullptr, ""},
    };
    ::setenv("PATH", (folder.string() + ":" + m_path).c_str(), 1);
    for (const auto &row : rows) {
        std::filesystem::remove(record);
        row.display ? ::setenv("DISPLAY", row.display, 1) : ::unsetenv("DISPLAY");
        row.wayland ? ::setenv("WAYLAND_DISPLAY", row.wayland, 1) : ::unsetenv("WAYLAND_DISPLAY");
        testing::internal::CaptureStderr();
        EXPECT_EQ(launchWindowModule(2, arguments, "no-such-window.so", "launch_probe_main"), 1);
        testing::internal::GetCapturedStderr();
        EXPECT_EQ(contentOf(record).substr(0, row.shown.size()), row.shown);
    }
    std::filesystem::remove_all(folder);
}

// A module cut short (a full disk during an install) is refused by name before the loader
// maps it, as a SIGBUS would end the program without a word. Run in a child, so that a
// crash fails the row instead of the whole test program.
TEST_F(WindowLauncher, SaysWhichModuleIsCutShort) {
    const std::filesystem::path folder =
        std::filesystem::read_symlink("/proc/self/exe").parent_path();
    const std::string whole = (folder / "launch_probe.so").string();
    const std::string damaged = (folder / "damaged_probe.so").string();
    const std::string said = (folder / "damaged_probe.err").string();
    const auto size = std::filesystem::file_size(whole);
    for (const std::uintmax_t kept : {size / 2, size - 1}) {
        std::filesystem::copy_file(whole, damaged,
                                   std::filesystem::copy_options::overwrite_existing);
        std::filesystem::resize_file(damaged, kept);
        const pid_t pid = ::fork();
        if (pid == 0) {
            std::freopen(said.c_str(), "w", stderr);
            const int code =
                launchWindowModule(2, arguments, "damaged_probe.so", "launch_probe_main");
            std::fflush(stderr);
            ::_exit(code);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), 1) << kept;
        EXPECT_EQ(contentOf(said), "Tunelet 无法启动\n模块文件“" + damaged +
                                       "”不完整（已损坏），请重新构建或安装 Tunelet\n")
            << kept;
    }
    std::filesystem::remove(damaged);
    std::filesystem::remove(said);
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

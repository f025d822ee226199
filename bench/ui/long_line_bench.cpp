// Long-line benchmark: a track of 10 MB and one as long as the line editor holds, loaded
// into it with a double-click and typed into, beside a track of 50 MB that it refuses.
#include <benchmark/benchmark.h>

#include <QListView>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>
#include <memory>
#include <string>

#include "export/token_composer.h"
#include "fixed_prompt.h"
#include "playback/fluidsynth_sequencer.h"
#include "ui/common/line_editor.h"
#include "ui/main_window/main_window.h"
#include "ui/main_window/track_list_model.h"

namespace {

struct LongLineWindow {
    QTemporaryDir dir;
    std::unique_ptr<tunelet::ui::MainWindow> main;

    // A line of bytes made of unit again and again.
    explicit LongLineWindow(std::size_t bytes, const std::string &unit = "1fd/") {
        const QString script = dir.filePath("long.TNL");
        std::string line;
        while (line.size() < bytes) {
            line += unit;
        }
        line.resize(bytes);
        std::ofstream(script.toStdString(), std::ios::binary) << line << "\r\n";
        main = std::make_unique<tunelet::ui::MainWindow>(
            std::make_unique<tunelet::bench::FixedPrompt>(),
            tunelet::playback::createSystemSequencer());
        main->show();
        main->openScoreFile(script);
    }
    QListView *list() const { return main->findChild<QListView *>("lp"); }
    tunelet::ui::LineEditor *editor() const {
        return main->findChild<tunelet::ui::LineEditor *>("ij");
    }
    void doubleClickTrack() const {
        const QModelIndex row = list()->model()->index(0, 0);
        list()->setCurrentIndex(row);
        QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {},
                           list()->visualRect(row).center());
    }
};

// A track of 10 MB, and one as long as the editor holds (less one note, so a key still
// goes in).
constexpr std::size_t kTenMegabytes = 10 * 1024 * 1024;
constexpr std::size_t kLoadable = tunelet::ui::LineEditor::kCapacity - 4;

// Loads the track into the emptied editor, once each iteration.
void loadAgainAndAgain(benchmark::State &state, const LongLineWindow &window) {
    for (auto _ : state) {
        window.doubleClickTrack();
        window.editor()->repaint();
        state.PauseTiming();
        window.editor()->clear();
        window.editor()->repaint();
        state.ResumeTiming();
    }
}

void BM_LoadTrack(benchmark::State &state) {
    loadAgainAndAgain(state, LongLineWindow(static_cast<std::size_t>(state.range(0))));
}

// Chinese text (two bytes a character in the script's encoding) is decoded as it loads.
void BM_LoadChineseTrack(benchmark::State &state) {
    const std::string twoCharacters = "\xD2\xF4\xC0\xD6"; // 音乐
    loadAgainAndAgain(state,
                      LongLineWindow(static_cast<std::size_t>(state.range(0)), twoCharacters));
}

// A key at the start of the line moves all of it; at the end the audition reads all of
// what comes before.
void BM_KeyIntoTrack(benchmark::State &state) {
    LongLineWindow window(static_cast<std::size_t>(state.range(0)));
    window.doubleClickTrack();
    const bool atStart = state.range(1) != 0;
    for (auto _ : state) {
        if (atStart) {
            window.editor()->home(false);
        }
        QTest::keyClick(window.editor(), '1');
        window.editor()->repaint();
        state.PauseTiming();
        for (int i = 0; i < 4; ++i) {
            window.editor()->backspace();
        }
        state.ResumeTiming();
    }
}

// What a composed note's audition reads: the instrument and volume before the caret.
void BM_SoundBeforeTheEndOfTrack(benchmark::State &state) {
    LongLineWindow window(static_cast<std::size_t>(state.range(0)));
    window.doubleClickTrack();
    for (auto _ : state) {
        const auto *ij = window.editor();
        benchmark::DoNotOptimize(tunelet::midi::soundBefore(
            tunelet::ui::encodeLine(ij->text().left(ij->cursorPosition()))));
    }
}

// Refused with a notice: the editor is left as it was.
void BM_RefuseA50MegabyteTrack(benchmark::State &state) {
    LongLineWindow window(50'000'000);
    for (auto _ : state) {
        window.doubleClickTrack();
    }
}

constexpr auto kTen = static_cast<std::int64_t>(kTenMegabytes);
constexpr auto kFull = static_cast<std::int64_t>(kLoadable);
BENCHMARK(BM_LoadTrack)->Arg(kTen)->Arg(kFull)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadChineseTrack)->Arg(20 * 1024 * 1024)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KeyIntoTrack)
    ->Args({kTen, 0})
    ->Args({kTen, 1})
    ->Args({kFull, 1})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SoundBeforeTheEndOfTrack)->Arg(kTen)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RefuseA50MegabyteTrack)->Unit(benchmark::kMillisecond);

} // namespace

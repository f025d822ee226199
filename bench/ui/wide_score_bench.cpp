// Wide-score benchmark: a 16-track score of 60,000 notes a track, opened in the window and
// exported from it (Enter in the save dialog to the play question), beside the export
// alone as the command line runs it.
#include <benchmark/benchmark.h>

#include "ui/common/line_editor.h"
#include <QAction>
#include <QDir>
#include <QListView>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "export/score_to_midi.h"
#include "fixed_prompt.h"
#include "playback/fluidsynth_sequencer.h"
#include "score/script_file.h"
#include "ui/common/prompt.h"
#include "ui/main_window/main_window.h"

namespace {

constexpr int kTracks = 16;
constexpr int kNotesPerTrack = 60000;

struct WideScore {
    QTemporaryDir dir;
    QString script = dir.filePath("wide.TNL");
    QString midi = dir.filePath("wide.MID");

    WideScore() {
        std::ofstream out(script.toStdString(), std::ios::binary);
        const std::string notes = "1fd/2fe/3ff/0d/";
        for (int t = 0; t < kTracks; ++t) {
            for (int n = 0; n < kNotesPerTrack / 4; ++n) {
                out << notes;
            }
            out << "\r\n";
        }
    }
};

struct Window {
    tunelet::bench::FixedPrompt *prompt;
    std::unique_ptr<tunelet::ui::MainWindow> main;

    Window() {
        auto owned = std::make_unique<tunelet::bench::FixedPrompt>();
        prompt = owned.get();
        main = std::make_unique<tunelet::ui::MainWindow>(
            std::move(owned), tunelet::playback::createSystemSequencer());
        main->show();
    }
    QListView *list() const { return main->findChild<QListView *>("lp"); }
};

void BM_OpenWideScoreAndDrawTheList(benchmark::State &state) {
    WideScore score;
    Window window;
    for (auto _ : state) {
        window.main->openScoreFile(score.script);
        window.list()->viewport()->repaint();
    }
}

void BM_ExportWideScoreFromTheWindow(benchmark::State &state) {
    WideScore score;
    Window window;
    window.main->openScoreFile(score.script);
    window.prompt->file = score.midi;
    QAction *exportItem = window.main->findChild<QAction *>("MIDI1");
    for (auto _ : state) {
        exportItem->trigger(); // the dialog answers at once; ends at the play question
        window.list()->viewport()->repaint();
    }
}

void BM_ExportWideScoreAlone(benchmark::State &state) {
    WideScore score;
    for (auto _ : state) {
        const auto lines = tunelet::score::readScriptFile(score.script.toStdString());
        benchmark::DoNotOptimize(tunelet::midi::scoreToMidi(lines, {}, score.midi.toStdString()));
    }
}

// A key composed into the line editor holding a track of three megabytes.
void BM_KeyIntoAThreeMegabyteLine(benchmark::State &state) {
    Window window;
    auto *editor = window.main->findChild<tunelet::ui::LineEditor *>("ij");
    editor->setText(QString(3'000'000, QLatin1Char('1')));
    for (auto _ : state) {
        QTest::keyClick(editor, '1');
        editor->repaint();
        state.PauseTiming();
        editor->backspace(); // the four characters of the note
        editor->backspace();
        editor->backspace();
        editor->backspace();
        state.ResumeTiming();
    }
}

BENCHMARK(BM_OpenWideScoreAndDrawTheList)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportWideScoreFromTheWindow)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportWideScoreAlone)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KeyIntoAThreeMegabyteLine)->Unit(benchmark::kMillisecond);

} // namespace

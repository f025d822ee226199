// Long-line benchmark: a track as long as the line editor holds, loaded into it with a
// double-click and typed into, beside a track of 50 MB that the editor refuses.
#include <benchmark/benchmark.h>

#include <QListView>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>
#include <memory>
#include <string>

#include "fixed_prompt.h"
#include "playback/fluidsynth_sequencer.h"
#include "ui/common/line_editor.h"
#include "ui/main_window/main_window.h"

namespace {

struct LongLineWindow {
    QTemporaryDir dir;
    std::unique_ptr<tunelet::ui::MainWindow> main;

    explicit LongLineWindow(std::size_t bytes) {
        const QString script = dir.filePath("long.TNL");
        std::string line;
        while (line.size() < bytes) {
            line += "1fd/";
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
    QLineEdit *editor() const { return main->findChild<QLineEdit *>("ij"); }
    void doubleClickTrack() const {
        const QModelIndex row = list()->model()->index(0, 0);
        list()->setCurrentIndex(row);
        QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {},
                           list()->visualRect(row).center());
    }
};

// The editor's capacity less one note, so a key still goes in.
constexpr std::size_t kLoadable = tunelet::ui::LineEditor::kCapacity - 4;

void BM_LoadTrackAtEditorCapacity(benchmark::State &state) {
    LongLineWindow window(kLoadable);
    for (auto _ : state) {
        window.doubleClickTrack();
        window.editor()->repaint();
        state.PauseTiming();
        window.editor()->clear();
        window.editor()->repaint();
        state.ResumeTiming();
    }
}

void BM_KeyIntoTrackAtEditorCapacity(benchmark::State &state) {
    LongLineWindow window(kLoadable);
    window.doubleClickTrack();
    for (auto _ : state) {
        QTest::keyClick(window.editor(), '1');
        window.editor()->repaint();
        state.PauseTiming();
        for (int i = 0; i < 4; ++i) {
            window.editor()->backspace();
        }
        state.ResumeTiming();
    }
}

// Refused with a notice: the editor is left as it was.
void BM_RefuseA50MegabyteTrack(benchmark::State &state) {
    LongLineWindow window(50'000'000);
    for (auto _ : state) {
        window.doubleClickTrack();
    }
}

BENCHMARK(BM_LoadTrackAtEditorCapacity)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KeyIntoTrackAtEditorCapacity)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RefuseA50MegabyteTrack)->Unit(benchmark::kMillisecond);

} // namespace

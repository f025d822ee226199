// Numbered-notation benchmarks: a 16-track score of 2,000 notes a track laid out and
// painted in the 简谱 view; a key press in the line editor on the songbook's longest score
// until the view has painted it; the songbook's PDFs from the command line.
#include <benchmark/benchmark.h>

#include "ui/common/line_editor.h"
#include <QAction>
#include <QDir>
#include <QImage>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "fixed_prompt.h"
#include "notation/bar_layout.h"
#include "playback/fluidsynth_sequencer.h"
#include "ui/main_window/main_window.h"
#include "ui/notation/notation_view.h"
#include "ui/notation/notation_window.h"

namespace {

constexpr int kTracks = 16;
constexpr int kNotesPerTrack = 2000;

// Every duration, octaves above and below, sharps and rests.
std::vector<std::string> manyNotes() {
    const std::string bar = "1fd/2fe/3ff/4ff/5gd/0e/vec/6fh/7fe/";
    std::vector<std::string> lines;
    for (int t = 0; t < kTracks; ++t) {
        std::string line = "@000/#080/";
        for (int n = 0; n < kNotesPerTrack / 9; ++n) {
            line += bar;
        }
        lines.push_back(line);
    }
    return lines;
}

// From the lines to the view painted as the window shows it (800 x 600, scrolled to the
// start): the score built, laid out for the width and the systems in sight painted.
void BM_LayOutAndPaint16TracksOf2000Notes(benchmark::State &state) {
    const std::vector<std::string> lines = manyNotes();
    QScrollArea scroll;
    scroll.setWidgetResizable(true);
    auto *view = new tunelet::ui::NotationView;
    scroll.setWidget(view);
    scroll.resize(800, 600);
    scroll.show();
    QImage image(800, 600, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        view->setScore(tunelet::notation::buildScore(lines, {4, 4}), {QStringLiteral("b"), 48});
        scroll.render(&image);
    }
    state.counters["systems"] = static_cast<double>(view->layout().systems.size());
}
BENCHMARK(BM_LayOutAndPaint16TracksOf2000Notes)->Unit(benchmark::kMillisecond);

struct Window {
    std::unique_ptr<tunelet::ui::MainWindow> main;
    tunelet::ui::LineEditor *ij = nullptr;
    tunelet::ui::NotationView *view = nullptr;

    explicit Window(bool notation) {
        main = std::make_unique<tunelet::ui::MainWindow>(
            std::make_unique<tunelet::bench::FixedPrompt>(),
            tunelet::playback::createSystemSequencer());
        main->show();
        main->findChild<QAction *>("L1")->trigger(); // silent: the view is measured
        main->openScoreFile(QStringLiteral(TUNELET_EXAMPLES "/frere_jacques_round.TNL"));
        ij = main->findChild<tunelet::ui::LineEditor *>("ij");
        if (notation) {
            main->findChild<QAction *>("V1")->trigger();
            view = main->findChild<tunelet::ui::NotationView *>("view");
        }
    }
};

// A note key in ij composes a token; the view lays out the score with the new line and
// paints it. Beside it the same key without the view open.
void keyPress(benchmark::State &state, bool notation) {
    Window window(notation);
    for (auto _ : state) {
        QTest::keyClick(window.ij, Qt::Key_1);
        if (window.view != nullptr) {
            window.view->repaint();
        }
        state.PauseTiming();
        if (window.ij->text().size() > 400) {
            window.ij->clear();
        }
        state.ResumeTiming();
    }
    if (window.view != nullptr) {
        // The line being composed is drawn as a part of its own.
        state.counters["parts"] = static_cast<double>(window.view->score().tracks.size());
    }
}
void BM_KeyPressWithNotationOpen(benchmark::State &state) {
    keyPress(state, true);
}
void BM_KeyPressWithoutNotation(benchmark::State &state) {
    keyPress(state, false);
}
BENCHMARK(BM_KeyPressWithNotationOpen)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KeyPressWithoutNotation)->Unit(benchmark::kMillisecond);

// The songbook's scores, each to a PDF by its own run of tunelet-export.
void BM_SongbookPdfsFromTheCommandLine(benchmark::State &state) {
    QTemporaryDir out;
    const QStringList songs =
        QDir(QStringLiteral(TUNELET_EXAMPLES)).entryList({QStringLiteral("*.TNL")});
    for (auto _ : state) {
        for (const QString &song : songs) {
            const std::string command = std::string(TUNELET_EXPORT_BIN) + " --pdf '" +
                                        TUNELET_EXAMPLES "/" + song.toStdString() + "' '" +
                                        out.filePath(song + ".pdf").toStdString() + "'";
            if (std::system(command.c_str()) != 0) {
                state.SkipWithError("tunelet-export --pdf failed");
                return;
            }
        }
    }
    state.counters["files"] = songs.size();
}
BENCHMARK(BM_SongbookPdfsFromTheCommandLine)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

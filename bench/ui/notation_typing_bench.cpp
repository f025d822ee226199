// Typing with the 简谱 view open on a large score: a note key in the line editor until the
// view has painted it, on 16 tracks of 60,000 notes (a new line, and the last track loaded
// for editing) and on the songbook's longest score, beside the same key with the view
// closed; on the large score with words under the notes of six tracks, a note key, and a
// key in the words bar at the end and at the start of the last track's words. Counters: the slowest
// key, the resident memory after the first key and after the others (MB).
#include <benchmark/benchmark.h>

#include <QAction>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListView>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

#include "fixed_prompt.h"
#include "playback/fluidsynth_sequencer.h"
#include "ui/common/line_editor.h"
#include "ui/main_window/main_window.h"
#include "ui/main_window/track_list_model.h"
#include "ui/notation/notation_view.h"

namespace {

constexpr int kTracks = 16;
constexpr int kNotesPerTrack = 60000;
const std::string kNotes = "1fd/2fe/3ff/0d/";

double residentMegabytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1e6;
}

struct LargeScore {
    QTemporaryDir dir;
    QString script = dir.filePath("large.TNL");

    explicit LargeScore(bool words = false) {
        std::ofstream out(script.toStdString(), std::ios::binary);
        for (int t = 0; t < kTracks; ++t) {
            for (int n = 0; n < kNotesPerTrack / 4; ++n) {
                out << kNotes;
            }
            out << "\r\n";
        }
        if (words) {
            // A syllable for each note (three of every four tokens) of the last six tracks:
            // as many as the song block's megabyte holds.
            out << '\0' << "tunelet-song 1\n";
            for (int t = kTracks - 5; t <= kTracks; ++t) {
                out << "words" << t << "-1=";
                for (int n = 0; n < kNotesPerTrack / 4; ++n) {
                    out << "一闪亮";
                }
                out << "\n";
            }
        }
    }
};

enum class Line { New, LastTrack };

// The window with a score open, the view open or not, and ij holding a new line or the
// last track (selected, as a double-click on it leaves it).
struct Window {
    std::unique_ptr<tunelet::ui::MainWindow> main;
    tunelet::ui::LineEditor *ij = nullptr;
    tunelet::ui::NotationView *view = nullptr;

    Window(const QString &file, bool notation, Line line) {
        main = std::make_unique<tunelet::ui::MainWindow>(
            std::make_unique<tunelet::bench::FixedPrompt>(),
            tunelet::playback::createSystemSequencer());
        main->show();
        main->findChild<QAction *>("L1")->trigger(); // silent: the view is measured
        main->openScoreFile(file);
        ij = main->findChild<tunelet::ui::LineEditor *>("ij");
        if (line == Line::LastTrack) {
            auto *lp = main->findChild<QListView *>("lp");
            const int last = lp->model()->rowCount() - 1;
            lp->selectionModel()->setCurrentIndex(lp->model()->index(last, 0),
                                                  QItemSelectionModel::ClearAndSelect);
            auto *model = static_cast<tunelet::ui::TrackListModel *>(lp->model());
            ij->setText(tunelet::ui::decodeLine(model->line(last)));
        }
        if (notation) {
            main->findChild<QAction *>("V1")->trigger();
            view = main->findChild<tunelet::ui::NotationView *>("view");
            view->repaint();
        }
    }
};

// Each iteration types one key into target and paints the view (when open); the slowest
// key and the memory before and after go with the averages.
void timeKeys(benchmark::State &state, QWidget *target, Qt::Key key,
              tunelet::ui::NotationView *view) {
    const double before = residentMegabytes();
    double slowest = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        QTest::keyClick(target, key);
        if (view != nullptr) {
            view->repaint();
        }
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        slowest = std::max(slowest, took.count());
    }
    state.counters["slowest_ms"] = slowest;
    state.counters["rss_open_MB"] = before;
    state.counters["rss_after_MB"] = residentMegabytes();
}

void typeKeys(benchmark::State &state, const QString &file, bool notation, Line line) {
    Window window(file, notation, line);
    // The first key of a new line adds a part to the view, laid out whole once.
    QTest::keyClick(window.ij, Qt::Key_1);
    if (window.view != nullptr) {
        window.view->repaint();
    }
    timeKeys(state, window.ij, Qt::Key_1, window.view);
}

// A letter typed into the last track's words, at their end or their start.
void typeWords(benchmark::State &state, bool atStart) {
    const LargeScore score(true);
    Window window(score.script, true, Line::LastTrack);
    auto *words = window.main->findChild<QLineEdit *>("words");
    QTest::keyClick(words, atStart ? Qt::Key_Home : Qt::Key_End);
    QTest::keyClick(words, Qt::Key_A);
    window.view->repaint();
    timeKeys(state, words, Qt::Key_A, window.view);
}

void BM_KeyOnLargeScoreNewLine(benchmark::State &state) {
    const LargeScore score;
    typeKeys(state, score.script, true, Line::New);
}
void BM_KeyOnLargeScoreLastTrack(benchmark::State &state) {
    const LargeScore score;
    typeKeys(state, score.script, true, Line::LastTrack);
}
void BM_KeyOnLargeScoreWithoutNotation(benchmark::State &state) {
    const LargeScore score;
    typeKeys(state, score.script, false, Line::LastTrack);
}
void BM_KeyOnLargeScoreWithWordsLastTrack(benchmark::State &state) {
    const LargeScore score(true);
    typeKeys(state, score.script, true, Line::LastTrack);
}
void BM_WordsKeyAtTheEndOnLargeScore(benchmark::State &state) {
    typeWords(state, false);
}
void BM_WordsKeyAtTheStartOnLargeScore(benchmark::State &state) {
    typeWords(state, true);
}
void BM_KeyOnLongestSongLastTrack(benchmark::State &state) {
    typeKeys(state, QStringLiteral(TUNELET_EXAMPLES "/frere_jacques_round.TNL"), true,
             Line::LastTrack);
}
BENCHMARK(BM_KeyOnLargeScoreNewLine)->Unit(benchmark::kMillisecond)->Iterations(200);
BENCHMARK(BM_KeyOnLargeScoreLastTrack)->Unit(benchmark::kMillisecond)->Iterations(200);
BENCHMARK(BM_KeyOnLargeScoreWithoutNotation)->Unit(benchmark::kMillisecond)->Iterations(200);
BENCHMARK(BM_KeyOnLargeScoreWithWordsLastTrack)->Unit(benchmark::kMillisecond)->Iterations(50);
BENCHMARK(BM_WordsKeyAtTheEndOnLargeScore)->Unit(benchmark::kMillisecond)->Iterations(50);
BENCHMARK(BM_WordsKeyAtTheStartOnLargeScore)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_KeyOnLongestSongLastTrack)->Unit(benchmark::kMillisecond)->Iterations(200);

} // namespace

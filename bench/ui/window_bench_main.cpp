// Window benchmarks: the program's application object on the offscreen platform, then the
// benchmarks of the program this is linked into.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "ui/common/application.h"

int main(int argc, char **argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    tunelet::ui::Application app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

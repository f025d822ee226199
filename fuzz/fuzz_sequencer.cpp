// Fuzz target: any bytes as a media file, opened and played by the real sequencer on its
// silent output. A file is refused at Open or plays: its position never runs backwards
// or past its length, and FluidSynth never gives up on a file that Open accepted (that
// would show "playing" with nothing to hear).
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "playback/fluidsynth_sequencer.h"

namespace {

using namespace tunelet::playback;

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// Made once: the SoundFont is loaded at the first Open and kept.
struct Player {
    Player() {
        FluidSynthOptions options;
        options.output = FluidSynthOptions::Output::Silent;
        device = new FluidSynthSequencer(options);
        QObject::connect(device, &Sequencer::completed,
                         [this](NotifyResult result) { failed = result == NotifyResult::Failure; });
    }
    ~Player() { delete device; } // before the application object goes
    Player(const Player &) = delete;
    Player &operator=(const Player &) = delete;
    int argc = 1;
    char name[5] = "fuzz";
    char *argv[1] = {name};
    QCoreApplication app{argc, argv};
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("input.mid"));
    FluidSynthSequencer *device = nullptr;
    bool failed = false;
};

constexpr int kBlockMs = 20;
constexpr int kPlayMs = 400;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    static Player player;
    QFile file(player.path);
    check(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(reinterpret_cast<const char *>(data), qint64(size));
    file.close();

    FluidSynthSequencer &device = *player.device;
    if (device.open(player.path) != 0) {
        check(!device.isOpen());
        return 0;
    }
    player.failed = false;
    check(device.play() == 0);
    std::int64_t last = 0;
    for (int ms = 0; ms < kPlayMs && device.mode() == DeviceMode::Playing; ms += kBlockMs) {
        device.renderMilliseconds(kBlockMs);
        QCoreApplication::processEvents();
        const std::int64_t position = device.position();
        check(position >= last && position <= device.length());
        last = position;
    }
    QCoreApplication::processEvents();
    check(!player.failed);
    device.close();
    return 0;
}

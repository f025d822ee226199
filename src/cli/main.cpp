// tunelet-export: exports a .TNL script file to a MIDI file, exactly as the program does.
#include <charconv>
#include <iostream>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "cli/diagnostics.h"
#include "cli/import_command.h"
#include "cli/module_loader.h"
#include "export/score_to_midi.h"
#include "score/atomic_file.h"
#include "score/score_document.h"
#include "score/script_file.h"
#include "score/song_block.h"

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr unsigned kMaxDivision = 384;

constexpr const char *kUsage =
    "usage: tunelet-export [--division N] [--no-staccato] INPUT.TNL OUTPUT.MID\n"
    "       tunelet-export --wav [--division N] [--no-staccato] INPUT.TNL OUTPUT.wav\n"
    "       tunelet-export --pdf|--svg [--time T] [--division N] INPUT.TNL OUTPUT\n"
    "       tunelet-export --musicxml [--division N] INPUT.TNL OUTPUT.musicxml\n"
    "       tunelet-export --import INPUT.MID|INPUT.musicxml|INPUT.mxl OUTPUT.TNL\n"
    "\n"
    "Exports the script file INPUT.TNL to the Standard MIDI File OUTPUT.MID, or with --wav\n"
    "renders its music to OUTPUT.wav (44.1 kHz, 16-bit stereo) with the program's\n"
    "synthesiser and SoundFont, or with --pdf or --svg draws it as numbered notation.\n"
    "OUTPUT is written as named, no extension added; an existing file is replaced only on\n"
    "success; OUTPUT may not be INPUT itself.\n"
    "With --import, makes the MIDI or MusicXML file (.musicxml, .xml, compressed .mxl;\n"
    "known by its contents) into the script file OUTPUT.TNL and\n"
    "says on stderr what the script could not keep and which time increment to use.\n"
    "\n"
    "  --wav          write a WAV audio file instead of a MIDI file\n"
    "  --pdf          write the numbered notation as a PDF file (A4 pages)\n"
    "  --svg          write the numbered notation as an SVG picture\n"
    "  --musicxml     write the score in staff notation as a MusicXML 4.0 file\n"
    "  --time T       the time signature: n/2, n/4 or n/8 with n from 1 to 12; a drawing\n"
    "                 takes 2/4, 3/4, 4/4 (default), 3/8 or 6/8\n"
    "  --division N   ticks per quarter note, 0 to 384 (default 48; 0 is refused); a\n"
    "                 drawing shows the speed it gives\n"
    "  --no-staccato  write no release after each note (default: staccato on)\n"
    "  --help         show this text\n"
    "\n"
    "The song's properties kept in INPUT.TNL are used; --time and these replace one of\n"
    "them for this export:\n"
    "  --key K        the key 1=K: C G D A E B F# Db Ab Eb Bb F\n"
    "  --pickup B     beats before the first full bar: 1, 2, 1/2, 3/2 (0: none)\n"
    "  --title T, --subtitle T, --composer T, --lyricist T   UTF-8 texts\n"
    "A MIDI file gets the title as its first track's name, the time and key signatures\n"
    "and the part names as track names; a drawing the time signature.\n"
    "\n"
    "Exit status: 0 exported, 1 export failed (OUTPUT unchanged), 2 usage error.\n";

// The outputs other than MIDI, each made by a module opened only when asked for.
constexpr tunelet::cli::OutputModule kModules[] = {
    {"--wav", "tunelet-export-wav.so", "tunelet_export_wav", "有错误产生，无法导出为WAV文件！"},
    {"--pdf", "tunelet-export-notation.so", "tunelet_export_pdf",
     "有错误产生，无法导出为PDF文件！"},
    {"--svg", "tunelet-export-notation.so", "tunelet_export_svg",
     "有错误产生，无法导出为SVG文件！"},
    {"--musicxml", "tunelet-export-musicxml.so", "tunelet_export_musicxml",
     "有错误产生，无法导出为MusicXML文件！"},
};

// Song properties given on the command line: each replaces the script file's own.
struct SongOverrides {
    std::optional<std::string> title, subtitle, composer, lyricist;
    std::optional<tunelet::score::Key> key;
    std::optional<tunelet::score::SongTime> time;
    std::optional<int> pickupTicks;
};

struct Arguments {
    tunelet::midi::ExportOptions options;
    std::vector<std::string> files;
    const tunelet::cli::OutputModule *module = nullptr; // none: a MIDI file
    SongOverrides song;
    bool help = false;
};

const tunelet::cli::OutputModule *moduleFor(std::string_view option) {
    for (const tunelet::cli::OutputModule &module : kModules) {
        if (option == module.option) {
            return &module;
        }
    }
    return nullptr;
}

std::optional<unsigned> parseDivision(std::string_view text) {
    unsigned value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() ||
        value > kMaxDivision) {
        return std::nullopt;
    }
    return value;
}

// Beats as "2" or "3/2", in script ticks (48 to a beat); nullopt unless a whole number.
std::optional<int> parsePickup(std::string_view text) {
    const std::size_t slash = text.find('/');
    const std::optional<unsigned> beats = parseDivision(text.substr(0, slash));
    const std::optional<unsigned> part =
        slash == std::string_view::npos ? 1u : parseDivision(text.substr(slash + 1));
    if (!beats || !part || *part == 0 || *beats * 48 % *part != 0) {
        return std::nullopt;
    }
    return static_cast<int>(*beats * 48 / *part);
}

// A song option and its value (--key G or --key=G); false with a message when the value
// is missing or wrong, true when done or when arg is no song option (handled then false).
bool songOption(std::string_view arg, int &i, int argc, char **argv, SongOverrides &song,
                bool &handled) {
    constexpr std::string_view kNames[] = {"--key",      "--time",     "--pickup",  "--title",
                                           "--subtitle", "--composer", "--lyricist"};
    handled = false;
    for (const std::string_view name : kNames) {
        const bool separate = arg == name;
        if (!separate && !(arg.starts_with(name) && arg.substr(name.size()).starts_with('='))) {
            continue;
        }
        handled = true;
        if (separate && i + 1 >= argc) {
            std::cerr << "tunelet-export: " << name << " needs a value\n";
            return false;
        }
        const std::string_view value = separate ? argv[++i] : arg.substr(name.size() + 1);
        const char *problem = nullptr;
        if (name == "--key") {
            song.key = tunelet::score::parseKey(value);
            problem = song.key ? nullptr : "must be one of C G D A E B F# Db Ab Eb Bb F";
        } else if (name == "--time") {
            song.time = tunelet::score::parseSongTime(value);
            problem = song.time ? nullptr : "must be n/2, n/4 or n/8 with n from 1 to 12";
        } else if (name == "--pickup") {
            song.pickupTicks = parsePickup(value);
            problem = song.pickupTicks ? nullptr : "must be a number of beats: 1, 2, 1/2, 3/2";
        } else if (!tunelet::score::isUtf8(value)) {
            problem = "must be UTF-8 text";
        } else {
            (name == "--title"      ? song.title
             : name == "--subtitle" ? song.subtitle
             : name == "--composer" ? song.composer
                                    : song.lyricist) = std::string(value);
        }
        if (problem != nullptr) {
            std::cerr << "tunelet-export: " << name << " " << problem << "\n";
            return false;
        }
        return true;
    }
    return true;
}

// Returns nullopt (after saying why) on a usage error.
std::optional<Arguments> parseArguments(int argc, char **argv) {
    Arguments args;
    bool optionsDone = false;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        std::optional<std::string_view> division;
        bool song = false;
        if (!optionsDone && !songOption(arg, i, argc, argv, args.song, song)) {
            return std::nullopt;
        }
        if (song) {
            continue;
        }
        if (optionsDone || arg == "-" || !arg.starts_with("-")) {
            args.files.emplace_back(arg);
        } else if (arg == "--") {
            optionsDone = true;
        } else if (arg == "--help" || arg == "-h") {
            args.help = true;
        } else if (moduleFor(arg) != nullptr) {
            if (args.module != nullptr && args.module != moduleFor(arg)) {
                std::cerr << "tunelet-export: only one of --wav, --pdf and --svg may be given\n";
                return std::nullopt;
            }
            args.module = moduleFor(arg);
        } else if (arg == "--no-staccato") {
            args.options.staccato = false;
        } else if (arg == "--division") {
            if (i + 1 >= argc) {
                std::cerr << "tunelet-export: --division needs a value\n";
                return std::nullopt;
            }
            division = argv[++i];
        } else if (arg.starts_with("--division=")) {
            division = arg.substr(11);
        } else {
            std::cerr << "tunelet-export: unknown option " << arg << "\n";
            return std::nullopt;
        }
        if (division) {
            std::optional<unsigned> value = parseDivision(*division);
            if (!value) {
                std::cerr << "tunelet-export: --division must be a number from 0 to 384\n";
                return std::nullopt;
            }
            args.options.division = static_cast<std::uint16_t>(*value);
        }
    }
    if (!args.help && args.files.size() != 2) {
        std::cerr << "tunelet-export: expected INPUT.TNL and OUTPUT.MID\n";
        return std::nullopt;
    }
    return args;
}

// module: the output being made, whose failure the general headline names (the MIDI
// file's when none).
void report(const tunelet::midi::ExportResult &result, const std::vector<std::string> &lines,
            const tunelet::cli::ExportContext &context,
            const tunelet::cli::OutputModule *module = nullptr) {
    using tunelet::midi::failureMessage;
    std::string headline = failureMessage(result.failure);
    if (module != nullptr && headline == failureMessage(tunelet::midi::ExportFailure::WriteError)) {
        headline = module->failureMessage;
    }
    std::cerr << headline << "\n" << tunelet::cli::failureDetail(result, lines, context) << "\n";
}

// A module's output: the same checks of the script as a MIDI export first, worded the same
// way, then the module is opened and makes the file.
int exportWithModule(const Arguments &args, const std::vector<std::string> &lines,
                     const tunelet::score::SongProperties &song,
                     const tunelet::cli::ExportContext &context) {
    tunelet::midi::ExportResult checked;
    if (tunelet::score::isSameFile(context.inputPath, context.outputPath)) {
        checked.failure = tunelet::midi::ExportFailure::SameFile;
    } else {
        checked = tunelet::midi::compileScore(lines, args.options);
    }
    if (!checked.ok()) {
        report(checked, lines, context, args.module);
        return kExitFailure;
    }
    const tunelet::cli::ModuleEntry entry = tunelet::cli::openModule(*args.module);
    if (entry.function == nullptr) {
        std::cerr << args.module->failureMessage << "\n" << entry.error << "\n";
        return kExitFailure;
    }
    std::string message;
    // A drawing is in the song's key and metre, with its title and credits.
    if (!tunelet::cli::runModule(entry.function, lines, args.options, context.inputPath,
                                 context.outputPath, message, song.time ? song.time->text() : "4/4",
                                 tunelet::score::formatSongBlock(song))) {
        std::cerr << message;
        return kExitFailure;
    }
    return 0;
}

// The script file's song properties with the command line's in their place.
tunelet::score::SongProperties withOverrides(tunelet::score::SongProperties song,
                                             const SongOverrides &overrides) {
    for (auto [text, given] : {std::pair{&song.title, &overrides.title},
                               {&song.subtitle, &overrides.subtitle},
                               {&song.composer, &overrides.composer},
                               {&song.lyricist, &overrides.lyricist}}) {
        *text = given->value_or(*text);
    }
    song.key = overrides.key ? overrides.key : song.key;
    song.time = overrides.time ? overrides.time : song.time;
    song.pickupTicks = overrides.pickupTicks.value_or(song.pickupTicks);
    return song;
}

int exportFile(const Arguments &args) {
    const tunelet::cli::ExportContext context{args.files[0], args.files[1]};
    std::vector<std::string> lines;
    tunelet::score::SongProperties song;
    try {
        // A pipe or device is read as a filter would: the command line may wait for it.
        tunelet::score::ScoreText text =
            tunelet::score::readScoreFile(context.inputPath, tunelet::score::ScriptSource::AnyFile);
        // What of the song block could not be read is said; the tracks export all the same.
        for (const tunelet::score::SongBlockNotice &notice : text.notices) {
            std::cerr << context.inputPath << ": " << tunelet::score::songBlockNoticeText(notice)
                      << "\n";
        }
        lines = std::move(text.lines);
        song = withOverrides(std::move(text.properties), args.song);
    } catch (const tunelet::score::FileError &error) {
        tunelet::midi::ExportResult result;
        result.failure = tunelet::midi::ExportFailure::ReadError;
        result.systemError = error.error();
        report(result, lines, context);
        return kExitFailure;
    }
    if (song.pickupTicks >= tunelet::score::barTicks(song)) {
        std::cerr << "tunelet-export: the pickup must be shorter than a bar\n";
        return kExitUsage;
    }
    if (args.module != nullptr) {
        return exportWithModule(args, lines, song, context);
    }
    const auto result = tunelet::midi::scoreToMidi(lines, args.options, context.outputPath,
                                                   context.inputPath, song);
    if (!result.ok()) {
        report(result, lines, context);
        return kExitFailure;
    }
    return 0;
}

} // namespace

int main(int argc, char **argv) {
    if (argc >= 2 && std::string_view(argv[1]) == "--import") {
        return tunelet::cli::runImport(argc - 2, argv + 2);
    }
    std::optional<Arguments> args = parseArguments(argc, argv);
    if (!args) {
        std::cerr << kUsage;
        return kExitUsage;
    }
    if (args->help) {
        std::cout << kUsage;
        return std::cout.flush() ? 0 : kExitFailure;
    }
    try {
        return exportFile(*args);
    } catch (const std::bad_alloc &) {
        // Whatever did not fit in memory, the export failed and the output is untouched.
        tunelet::midi::ExportResult result;
        result.failure = tunelet::midi::ExportFailure::OutOfMemory;
        report(result, {}, {args->files[0], args->files[1]}, args->module);
        return kExitFailure;
    }
}

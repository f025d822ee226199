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
#include "notation/timed_events.h"
#include "score/atomic_file.h"
#include "score/score_document.h"
#include "score/script_file.h"

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr unsigned kMaxDivision = 384;

constexpr const char *kUsage =
    "usage: tunelet-export [--division N] [--no-staccato] INPUT.TNL OUTPUT.MID\n"
    "       tunelet-export --wav [--division N] [--no-staccato] INPUT.TNL OUTPUT.wav\n"
    "       tunelet-export --pdf|--svg [--time T] [--division N] INPUT.TNL OUTPUT\n"
    "       tunelet-export --musicxml [--division N] INPUT.TNL OUTPUT.musicxml\n"
    "       tunelet-export --import INPUT.MID OUTPUT.TNL\n"
    "\n"
    "Exports the script file INPUT.TNL to the Standard MIDI File OUTPUT.MID, or with --wav\n"
    "renders its music to OUTPUT.wav (44.1 kHz, 16-bit stereo) with the program's\n"
    "synthesiser and SoundFont, or with --pdf or --svg draws it as numbered notation.\n"
    "OUTPUT is written as named, no extension added; an existing file is replaced only on\n"
    "success; OUTPUT may not be INPUT itself.\n"
    "With --import, makes the MIDI file INPUT.MID into the script file OUTPUT.TNL and\n"
    "says on stderr what the script could not keep and which time increment to use.\n"
    "\n"
    "  --wav          write a WAV audio file instead of a MIDI file\n"
    "  --pdf          write the numbered notation as a PDF file (A4 pages)\n"
    "  --svg          write the numbered notation as an SVG picture\n"
    "  --musicxml     write the score in staff notation as a MusicXML 4.0 file\n"
    "  --time T       the drawing's time signature: 2/4, 3/4, 4/4 (default), 3/8 or 6/8\n"
    "  --division N   ticks per quarter note, 0 to 384 (default 48; 0 is refused); a\n"
    "                 drawing shows the speed it gives\n"
    "  --no-staccato  write no release after each note (default: staccato on)\n"
    "  --help         show this text\n"
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

struct Arguments {
    tunelet::midi::ExportOptions options;
    std::vector<std::string> files;
    const tunelet::cli::OutputModule *module = nullptr; // none: a MIDI file
    std::string timeSignature = "4/4";                  // of a drawing
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

// Returns nullopt (after saying why) on a usage error.
std::optional<Arguments> parseArguments(int argc, char **argv) {
    Arguments args;
    bool optionsDone = false;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        std::optional<std::string_view> division;
        if (optionsDone || arg == "-" || !arg.starts_with("-")) {
            args.files.emplace_back(arg);
        } else if (arg == "--") {
            optionsDone = true;
        } else if (arg == "--help" || arg == "-h") {
            args.help = true;
        } else if (moduleFor(arg) != nullptr) {
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
        } else if (arg == "--time" || arg.starts_with("--time=")) {
            if (arg == "--time" && i + 1 >= argc) {
                std::cerr << "tunelet-export: --time needs a value\n";
                return std::nullopt;
            }
            const std::string_view time = arg == "--time" ? argv[++i] : arg.substr(7);
            if (!tunelet::notation::parseTimeSignature(time)) {
                std::cerr << "tunelet-export: --time must be 2/4, 3/4, 4/4, 3/8 or 6/8\n";
                return std::nullopt;
            }
            args.timeSignature = time;
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

void report(const tunelet::midi::ExportResult &result, const std::vector<std::string> &lines,
            const tunelet::cli::ExportContext &context) {
    std::cerr << tunelet::midi::failureMessage(result.failure) << "\n"
              << tunelet::cli::failureDetail(result, lines, context) << "\n";
}

// A module's output: the same checks of the script as a MIDI export first, worded the same
// way, then the module is opened and makes the file.
int exportWithModule(const Arguments &args, const std::vector<std::string> &lines,
                     const tunelet::cli::ExportContext &context) {
    tunelet::midi::ExportResult checked;
    if (tunelet::score::isSameFile(context.inputPath, context.outputPath)) {
        checked.failure = tunelet::midi::ExportFailure::SameFile;
    } else {
        checked = tunelet::midi::compileScore(lines, args.options);
    }
    if (!checked.ok()) {
        report(checked, lines, context);
        return kExitFailure;
    }
    const tunelet::cli::ModuleEntry entry = tunelet::cli::openModule(*args.module);
    if (entry.function == nullptr) {
        std::cerr << args.module->failureMessage << "\n" << entry.error << "\n";
        return kExitFailure;
    }
    std::string message;
    if (!tunelet::cli::runModule(entry.function, lines, args.options, context.inputPath,
                                 context.outputPath, message, args.timeSignature)) {
        std::cerr << message;
        return kExitFailure;
    }
    return 0;
}

int exportFile(const Arguments &args) {
    const tunelet::cli::ExportContext context{args.files[0], args.files[1]};
    std::vector<std::string> lines;
    try {
        // A pipe or device is read as a filter would: the command line may wait for it.
        lines = tunelet::score::readScriptFile(context.inputPath,
                                               tunelet::score::ScriptSource::AnyFile);
    } catch (const tunelet::score::FileError &error) {
        tunelet::midi::ExportResult result;
        result.failure = tunelet::midi::ExportFailure::ReadError;
        result.systemError = error.error();
        report(result, lines, context);
        return kExitFailure;
    }
    if (args.module != nullptr) {
        return exportWithModule(args, lines, context);
    }
    const auto result =
        tunelet::midi::scoreToMidi(lines, args.options, context.outputPath, context.inputPath);
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
        report(result, {}, {args->files[0], args->files[1]});
        return kExitFailure;
    }
}

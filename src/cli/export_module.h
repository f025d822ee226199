// tunelet-export's output modules: the C interface between the command and a module it
// opens at run time (the WAV renderer; drawings to PDF or SVG the same way).
//
// A module is a shared object with one entry function of type TuneletExportFunction under
// its own name. The command has already read the script, refused an output that is the
// script itself and checked that the score compiles; the module makes its output from the
// lines and the options and writes it to outputPath, replacing it only on success.
#pragma once

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

// Raised whenever TuneletExportRequest changes; a module refuses a request of another one.
#define TUNELET_EXPORT_ABI 3

typedef struct TuneletExportRequest {
    int abi;                  // TUNELET_EXPORT_ABI of the caller
    const char *const *lines; // the script's lines, bytes as stored (not terminated)
    const size_t *lineSizes;  // the byte count of each line
    size_t lineCount;
    unsigned division;         // ticks per quarter note
    int staccato;              // nonzero: a release after every note
    const char *inputPath;     // the script file, for messages
    const char *outputPath;    // the file to write
    const char *timeSignature; // drawings: "n/2", "n/4" or "n/8" (n from 1 to 12)
    // Drawings: the song's properties as the score file keeps them after its NUL (the
    // command line's overrides applied), none when songBlockSize is 0.
    const char *songBlock;
    size_t songBlockSize;
} TuneletExportRequest;

enum TuneletExportStatus {
    TUNELET_EXPORT_OK = 0,     // outputPath written
    TUNELET_EXPORT_FAILED = 1, // outputPath as it was; message says why
};

// Returns a TuneletExportStatus. On failure message receives what the user is told
// (UTF-8, lines ending in '\n'), cut to messageSize bytes with its terminating NUL.
typedef int (*TuneletExportFunction)(const TuneletExportRequest *request, char *message,
                                     size_t messageSize);

// --import of a file that needs a module (MusicXML: Qt's XML reader): reads inputPath and
// writes the script file outputPath. OK: message holds the import's report; FAILED: why
// (outputPath as it was). Lines end in '\n', cut to messageSize as above.
typedef int (*TuneletImportFunction)(int abi, const char *inputPath, const char *outputPath,
                                     char *message, size_t messageSize);

#ifdef __cplusplus
}
#endif

// The .TNL script file: splitting, joining, reading and writing track lines.
#include "score/script_file.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <new>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

#include "score/atomic_file.h"
#include "score/score_document.h"

namespace tunelet::score {

std::vector<std::string> parseScriptText(std::string_view bytes) {
    if (std::size_t nul = bytes.find('\0'); nul != std::string_view::npos) {
        bytes = bytes.substr(0, nul);
    }
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        // Two single-character searches (memchr) rather than find_first_of, which tests
        // every byte against both characters: a large score reads several times faster.
        const std::size_t lf = bytes.find('\n', start);
        const std::size_t cr = bytes.substr(0, lf).find('\r', start);
        const std::size_t end = cr != std::string_view::npos ? cr : lf;
        if (end == std::string_view::npos) {
            lines.emplace_back(bytes.substr(start));
            break;
        }
        lines.emplace_back(bytes.substr(start, end - start));
        start = end + 1;
        if (bytes[end] == '\r' && start < bytes.size() && bytes[start] == '\n') {
            ++start;
        }
    }
    return lines;
}

std::string formatScriptText(const std::vector<std::string> &lines) {
    std::size_t size = 0;
    for (const std::string &line : lines) {
        size += line.size() + 2;
    }
    std::string text;
    text.reserve(size);
    for (const std::string &line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

namespace {

FileError fileError(const std::string &what, const std::string &path, int error,
                    FileAccess access) {
    return FileError(what + path + "\n" + systemErrorText(error, access), error);
}

// Reads up to the first NUL byte and, when afterNul is not 0, on to the next NUL but at
// most afterNul bytes after the first (one more, so that a longer block can be told from
// one of exactly that size). In pieces: a huge sparse file or /dev/zero ends at once, and
// a file too big for memory is an error, not an abort.
int readUntilNul(int fd, std::string &bytes, std::size_t afterNul) {
    constexpr std::size_t kPiece = 1 << 16;
    std::size_t nul = std::string::npos;
    try {
        for (;;) {
            const std::size_t used = bytes.size();
            bytes.resize(used + kPiece);
            const ssize_t got = ::read(fd, bytes.data() + used, kPiece);
            if (got < 0 && errno == EINTR) {
                bytes.resize(used);
                continue;
            }
            bytes.resize(used + static_cast<std::size_t>(got < 0 ? 0 : got));
            if (got <= 0) {
                return got < 0 ? errno : 0;
            }
            if (nul == std::string::npos) {
                nul = bytes.find('\0', used);
            }
            if (nul != std::string::npos &&
                (afterNul == 0 || bytes.size() - nul - 1 > afterNul ||
                 bytes.find('\0', std::max(used, nul + 1)) != std::string::npos)) {
                return 0;
            }
        }
    } catch (const std::bad_alloc &) {
        return ENOMEM;
    }
}

// A descriptor of path, or -1 with the error.
int openScript(const std::string &path, ScriptSource source, int &error) {
    if (source == ScriptSource::RegularFile) {
        const OpenedFile opened = openRegularFile(path, O_RDONLY);
        error = opened.error;
        return opened.fd;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    error = fd < 0 ? errno : ::fstat(fd, &st) != 0 ? errno : S_ISDIR(st.st_mode) ? EISDIR : 0;
    if (error != 0 && fd >= 0) {
        ::close(fd);
    }
    return error != 0 ? -1 : fd;
}

// The file's bytes up to the first NUL and at most afterNul bytes after it.
std::string readScriptBytes(const std::string &path, ScriptSource source, std::size_t afterNul) {
    const std::string what = "Cannot open file ";
    int error = 0;
    const int fd = openScript(path, source, error);
    if (fd < 0) {
        throw fileError(what, path, error, FileAccess::Read);
    }
    std::string bytes;
    error = readUntilNul(fd, bytes, afterNul);
    ::close(fd);
    if (error != 0) {
        throw fileError(what, path, error, FileAccess::Read);
    }
    return bytes;
}

void writeBytes(const std::string &path, const std::function<std::string()> &format) {
    int error = 0;
    try {
        error = replaceFileAtomically(path, format()).error;
    } catch (const std::bad_alloc &) {
        error = ENOMEM;
    }
    if (error != 0) {
        throw fileError("Cannot create file ", path, error, FileAccess::Write);
    }
}

} // namespace

ScoreText parseScoreText(std::string_view bytes) {
    ScoreText text;
    text.lines = parseScriptText(bytes);
    const std::size_t nul = bytes.find('\0');
    if (nul == std::string_view::npos) {
        return text;
    }
    // The block ends at the next NUL, as the tracks end at the first: nothing after it
    // counts, and nothing between the two NULs is no block at all.
    const std::string_view blockBytes = bytes.substr(nul + 1, bytes.find('\0', nul + 1) - nul - 1);
    if (!blockBytes.empty()) {
        SongBlock block = parseSongBlock(blockBytes);
        text.properties = std::move(block.properties);
        text.notices = std::move(block.notices);
    }
    return text;
}

std::string formatScoreText(const std::vector<std::string> &lines,
                            const SongProperties &properties) {
    std::string text = formatScriptText(lines);
    const std::string block = formatSongBlock(properties);
    if (block.size() > kMaxSongBlockBytes) {
        // Written, it would not be read back: the save fails instead.
        throw std::length_error("song block");
    }
    if (!block.empty()) {
        text.reserve(text.size() + 1 + block.size());
        text += '\0';
        text += block;
    }
    return text;
}

std::vector<std::string> readScriptFile(const std::string &path, ScriptSource source) {
    const std::string bytes = readScriptBytes(path, source, 0);
    try {
        return parseScriptText(bytes);
    } catch (const std::bad_alloc &) {
        throw fileError("Cannot open file ", path, ENOMEM, FileAccess::Read);
    }
}

ScoreText readScoreFile(const std::string &path, ScriptSource source) {
    const std::string bytes = readScriptBytes(path, source, kMaxSongBlockBytes);
    try {
        return parseScoreText(bytes);
    } catch (const std::bad_alloc &) {
        throw fileError("Cannot open file ", path, ENOMEM, FileAccess::Read);
    }
}

void writeScriptFile(const std::string &path, const std::vector<std::string> &lines) {
    writeBytes(path, [&] { return formatScriptText(lines); });
}

void writeScoreFile(const std::string &path, const std::vector<std::string> &lines,
                    const SongProperties &properties) {
    try {
        writeBytes(path, [&] { return formatScoreText(lines, properties); });
    } catch (const std::length_error &) {
        throw fileError("Cannot create file ", path, EFBIG, FileAccess::Write);
    }
}

} // namespace tunelet::score

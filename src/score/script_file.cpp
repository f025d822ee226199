// The .TNL script file: splitting, joining, reading and writing track lines.
#include "score/script_file.h"

#include <cerrno>
#include <fcntl.h>
#include <new>
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

// Reads up to the first NUL byte (nothing after it counts), in pieces: a huge sparse file
// or /dev/zero ends at once, and a file too big for memory is an error, not an abort.
int readUntilNul(int fd, std::string &bytes) {
    constexpr std::size_t kPiece = 1 << 16;
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
            if (bytes.find('\0', used) != std::string::npos) {
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

} // namespace

std::vector<std::string> readScriptFile(const std::string &path, ScriptSource source) {
    const std::string what = "Cannot open file ";
    int error = 0;
    const int fd = openScript(path, source, error);
    if (fd < 0) {
        throw fileError(what, path, error, FileAccess::Read);
    }
    std::string bytes;
    error = readUntilNul(fd, bytes);
    ::close(fd);
    if (error != 0) {
        throw fileError(what, path, error, FileAccess::Read);
    }
    try {
        return parseScriptText(bytes);
    } catch (const std::bad_alloc &) {
        throw fileError(what, path, ENOMEM, FileAccess::Read);
    }
}

void writeScriptFile(const std::string &path, const std::vector<std::string> &lines) {
    int error = 0;
    try {
        error = replaceFileAtomically(path, formatScriptText(lines)).error;
    } catch (const std::bad_alloc &) {
        error = ENOMEM;
    }
    if (error != 0) {
        throw fileError("Cannot create file ", path, error, FileAccess::Write);
    }
}

} // namespace tunelet::score

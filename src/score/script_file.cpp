// The .TNL script file: splitting, joining, reading and writing track lines.
#include "score/script_file.h"

#include <cerrno>
#include <fcntl.h>
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
        std::size_t end = bytes.find_first_of("\r\n", start);
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

std::vector<std::string> readScriptFile(const std::string &path) {
    const FileError error("Cannot open file " + path);
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        throw error;
    }
    std::string bytes;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode);
    if (ok && S_ISREG(st.st_mode)) {
        bytes.reserve(static_cast<std::size_t>(st.st_size));
    }
    char buffer[65536];
    while (ok) {
        ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    if (!ok) {
        throw error;
    }
    return parseScriptText(bytes);
}

void writeScriptFile(const std::string &path, const std::vector<std::string> &lines) {
    if (!replaceFileAtomically(path, formatScriptText(lines))) {
        throw FileError("Cannot create file " + path);
    }
}

} // namespace tunelet::score

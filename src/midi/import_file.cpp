// MIDI import: reading the file within the size any MIDI file can have, recognising one
// by its header, and the words for the outcome.
#include <cerrno>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

#include "midi/midi_import.h"
#include "midi/smf_reader.h"
#include "score/atomic_file.h"

namespace tunelet::midi {

namespace {

constexpr std::size_t kHeadBytes = 14; // "MThd", its length and the 6 bytes it holds

// A descriptor that closes itself. Opened without waiting: a pipe with no writer or a
// device cannot hold the caller up.
class ReadOnlyFile {
public:
    explicit ReadOnlyFile(const std::string &path)
        : m_fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)) {}
    ~ReadOnlyFile() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    ReadOnlyFile(const ReadOnlyFile &) = delete;
    ReadOnlyFile &operator=(const ReadOnlyFile &) = delete;

    int fd() const { return m_fd; }
    // The regular file's size, or -1 for anything else.
    std::int64_t regularSize() const {
        struct stat st {};
        return m_fd >= 0 && ::fstat(m_fd, &st) == 0 && S_ISREG(st.st_mode) ? st.st_size : -1;
    }
    // Reads up to `limit` bytes into `bytes`; answers errno or 0.
    int read(std::string &bytes, std::size_t limit) const {
        bytes.resize(limit);
        std::size_t got = 0;
        while (got < limit) {
            const ssize_t n = ::read(m_fd, bytes.data() + got, limit - got);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                bytes.resize(got);
                return n < 0 ? errno : 0;
            }
            got += static_cast<std::size_t>(n);
        }
        return 0;
    }

private:
    int m_fd;
};

std::string count(std::size_t n) {
    return std::to_string(n);
}

} // namespace

bool isMidiFile(const std::string &path) {
    const ReadOnlyFile file(path);
    std::string head;
    return file.regularSize() >= 0 && file.read(head, kHeadBytes) == 0 && hasSmfHeader(head);
}

ImportResult importMidiFile(const std::string &path) {
    ImportResult result;
    const ReadOnlyFile file(path);
    const std::int64_t size = file.regularSize();
    if (file.fd() < 0) {
        result.failure = ImportFailure::ReadError;
        result.systemError = errno;
        return result;
    }
    if (size < 0) {
        result.failure = ImportFailure::NotAFile;
        return result;
    }
    if (size > kMaxMidiFileBytes) {
        result.failure = ImportFailure::TooLarge;
        return result;
    }
    std::string bytes;
    try {
        // One byte more than measured: a file that grew since is read up to the limit.
        const auto expected = static_cast<std::size_t>(size) + 1;
        result.systemError = file.read(bytes, expected);
        if (result.systemError == 0 && bytes.size() == expected) {
            std::string more;
            result.systemError =
                file.read(more, static_cast<std::size_t>(kMaxMidiFileBytes) + 1 - expected);
            bytes += more;
        }
        if (result.systemError != 0) {
            result.failure = ImportFailure::ReadError;
            return result;
        }
        if (bytes.size() > static_cast<std::size_t>(kMaxMidiFileBytes)) {
            result.failure = ImportFailure::TooLarge;
            return result;
        }
        return importMidi(bytes);
    } catch (const std::bad_alloc &) {
        result.failure = ImportFailure::ReadError;
        result.systemError = ENOMEM;
        return result;
    }
}

std::string importFailureText(const ImportResult &result, const std::string &path) {
    const std::string file = "“" + path + "”";
    switch (result.failure) {
    case ImportFailure::None:
        return {};
    case ImportFailure::NotMidi:
        return "文件" + file + "不是完好的标准MIDI文件，无法导入";
    case ImportFailure::TooLong:
        return "文件" + file + "的乐曲太长（超过约48小时），无法导入为乐谱";
    case ImportFailure::TooLarge:
        return "文件" + file + "大于" + count(std::size_t(kMaxMidiFileBytes >> 20)) +
               " MB，不是本程序能导入的MIDI文件";
    case ImportFailure::NotAFile:
        return "文件" + file + "不是普通文件，无法导入";
    case ImportFailure::ReadError:
        break;
    }
    return "无法读取文件" + file + "：" +
           score::systemErrorText(result.systemError, score::FileAccess::Read);
}

std::vector<std::string> importReportLines(const ImportReport &report) {
    std::vector<std::string> lines;
    if (report.exact) {
        lines.push_back(std::string("这是Tunelet导出的MIDI文件，已逐个还原为原来的符号（导出时") +
                        (report.staccato.value_or(true) ? "断奏" : "不断奏") + "）");
    }
    if (report.smpte) {
        lines.push_back("文件以SMPTE时间码计时，已按每分钟120拍导入");
    }
    lines.push_back("时间增量设为" + count(report.timeIncrement));
    if (report.incrementLimited) {
        lines.push_back("文件的速度超出时间增量1至384所能表示的范围，已取最接近的值");
    }
    const std::pair<std::size_t, const char *> changes[] = {
        {report.droppedNotes, "个重叠的音符因16个音轨已满（鼓只能在第10音轨）而丢弃"},
        {report.lengthenedNotes, "个短于6个tick的音符延长为6个tick"},
        {report.splitNotes, "个音符的长度没有对应的符号，拆成了几个相连的音符（乐谱没有连音线）"},
        {report.unendedNotes, "个音符没有结束事件，在下一个音符开始时结束"},
        {report.droppedTempos, "个后来的速度变化被丢弃，全曲按第一个速度演奏"},
        {report.droppedEvents, "个控制器、弯音、触后或系统专用事件被丢弃"},
    };
    bool changed = false;
    for (const auto &[n, text] : changes) {
        if (n > 0) {
            lines.push_back(count(n) + text);
            changed = true;
        }
    }
    if (report.noNotes) {
        lines.push_back("文件中没有音符");
    } else if (!changed) {
        lines.push_back("没有丢弃或改动任何音符");
    }
    return lines;
}

} // namespace tunelet::midi

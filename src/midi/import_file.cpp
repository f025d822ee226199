// MIDI import: reading the file within the size any MIDI file can have, recognising one
// by its header, and the words for the outcome.
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <new>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

#include "midi/midi_import.h"
#include "midi/smf_reader.h"
#include "score/atomic_file.h"

namespace tunelet::midi {

namespace {

// "MThd", its length and the 6 bytes it holds; in a RIFF MIDI file ("RMID") behind the
// RIFF header and whatever chunks (names, notes) come before the music.
constexpr std::size_t kHeadBytes = 4096;

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

// A number rounded to `places` decimals, without trailing zeros.
std::string decimal(double value, int places) {
    long long scale = 1;
    for (int i = 0; i < places; ++i) {
        scale *= 10;
    }
    const auto scaled = static_cast<long long>(value * double(scale) + 0.5);
    std::string text = std::to_string(scaled / scale);
    std::string fraction = std::to_string(scale + scaled % scale).substr(1);
    while (!fraction.empty() && fraction.back() == '0') {
        fraction.pop_back();
    }
    if (!fraction.empty()) {
        text += '.';
        text += fraction;
    }
    return text;
}

// What is wrong with a file that is not a whole Standard MIDI File.
std::string damage(const SmfInfo &info) {
    const std::string byte = "第" + count(info.faultByte) + "字节";
    const std::string track = "第" + std::to_string(info.faultTrack + 1) + "音轨";
    switch (info.fault) {
    case SmfFault::NoHeader:
        return info.otherChunk.empty()
                   ? "不是标准MIDI文件（开头没有MIDI文件头“MThd”）"
                   : "不是标准MIDI文件（开头是未知的“" + info.otherChunk + "”块，不是“MThd”）";
    case SmfFault::BadHeader:
        if (info.trackCount == 0) {
            return "没有音轨（文件头中的音轨数为0）";
        }
        if (info.format > 2) {
            return "是未知的MIDI文件格式" + std::to_string(info.format);
        }
        return "的文件头有误（每个四分音符的tick数为0）";
    case SmfFault::TruncatedChunk:
        return "不完整：" + (info.faultTrack >= 0 ? track : std::string("文件头")) + "在" + byte +
               "处被截断";
    case SmfFault::BadEvent:
        return info.cutShort ? "不完整：" + track + "在" + byte + "处被截断"
                             : "的" + track + "在" + byte + "处有无法读取的事件";
    case SmfFault::MissingTracks:
        return "的文件头说有" + std::to_string(info.trackCount) + "个音轨，只找到" +
               std::to_string(info.tracksFound) + "个" +
               (info.otherChunk.empty() ? "" : "（另有未知的“" + info.otherChunk + "”块）");
    default:
        return "不是完好的标准MIDI文件";
    }
}

} // namespace

std::string fileHead(const std::string &path, std::size_t size) {
    const ReadOnlyFile file(path);
    std::string head;
    if (file.regularSize() < 0 || file.read(head, size) != 0) {
        return {};
    }
    return head;
}

bool isMidiFile(const std::string &path) {
    return hasSmfHeader(unwrapRiffMidi(fileHead(path, kHeadBytes)));
}

std::optional<std::string> readImportFile(const std::string &path, std::int64_t limit,
                                          ImportResult &result) {
    const ReadOnlyFile file(path);
    const std::int64_t size = file.regularSize();
    if (file.fd() < 0) {
        result.failure = ImportFailure::ReadError;
        result.systemError = errno;
        return std::nullopt;
    }
    if (size < 0) {
        result.failure = ImportFailure::NotAFile;
        return std::nullopt;
    }
    if (size > limit) {
        result.failure = ImportFailure::TooLarge;
        return std::nullopt;
    }
    std::string bytes;
    try {
        // One byte more than measured: a file that grew since is read up to the limit.
        const auto expected = static_cast<std::size_t>(size) + 1;
        result.systemError = file.read(bytes, expected);
        if (result.systemError == 0 && bytes.size() == expected) {
            std::string more;
            result.systemError = file.read(more, static_cast<std::size_t>(limit) + 1 - expected);
            bytes += more;
        }
        if (result.systemError != 0) {
            result.failure = ImportFailure::ReadError;
            return std::nullopt;
        }
        if (bytes.size() > static_cast<std::size_t>(limit)) {
            result.failure = ImportFailure::TooLarge;
            return std::nullopt;
        }
    } catch (const std::bad_alloc &) {
        result.failure = ImportFailure::ReadError;
        result.systemError = ENOMEM;
        return std::nullopt;
    }
    return bytes;
}

ImportResult importMidiFile(const std::string &path) {
    ImportResult result;
    const std::optional<std::string> bytes = readImportFile(path, kMaxMidiFileBytes, result);
    if (!bytes) {
        return result;
    }
    try {
        return importMidi(*bytes);
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
        return "文件" + file + damage(result.file) + "，无法导入";
    case ImportFailure::TooLong:
        return "文件" + file + "的乐曲太长（超过约48小时），无法导入为乐谱";
    case ImportFailure::NotMusicXml:
        return "文件" + file + result.damage + "，无法导入";
    case ImportFailure::TooLarge:
        if (result.format == ImportFormat::MusicXml) {
            return "文件" + file + "大于" + count(std::size_t(kMaxMusicXmlFileBytes >> 20)) +
                   " MB，不是本程序能导入的MusicXML文件";
        }
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
    bool changed = false;
    if (report.exact) {
        lines.push_back(std::string("这是Tunelet导出的MIDI文件，已逐个还原为原来的符号（导出时") +
                        (report.staccato.value_or(true) ? "断奏" : "不断奏") + "）");
        if (report.guessedVolumes > 0) {
            lines.push_back(count(report.guessedVolumes) +
                            "个音量符号在MIDI文件中只留下其后音符的力度，原来的位置无从得知："
                            "已放在该音符前最近的音符或乐器符号之后（或行首），演奏不变");
            changed = true;
        }
    }
    if (report.smpte) {
        lines.push_back("文件以SMPTE时间码计时，已按每分钟120拍导入");
    }
    if (report.patterns > 0) {
        lines.push_back("这是格式2的文件：" + count(report.patterns) +
                        "个独立的乐段被叠在一起，从头同时演奏");
        changed = true;
    }
    lines.push_back("时间增量设为" + count(report.timeIncrement));
    std::vector<std::string> kept;
    if (report.keptTitle) {
        kept.push_back("标题");
    }
    if (report.keptKey) {
        kept.push_back("调号" + report.keptKey->header());
    }
    if (report.keptTime) {
        kept.push_back("拍号" + report.keptTime->text());
    }
    if (report.keptPickup) {
        kept.push_back("弱起小节");
    }
    const std::pair<bool, const char *> credits[] = {{report.keptSubtitle, "副标题"},
                                                     {report.keptComposer, "曲作者"},
                                                     {report.keptLyricist, "词作者"}};
    for (const auto &[keptOne, name] : credits) {
        if (keptOne) {
            kept.push_back(name);
        }
    }
    if (report.keptPartNames > 0) {
        kept.push_back(count(report.keptPartNames) + "个声部名");
    }
    if (report.keptVerses > 0) {
        kept.push_back(count(report.keptVerses) + "段歌词");
    }
    if (!kept.empty()) {
        std::string text = "乐曲属性取自文件：";
        for (std::size_t i = 0; i < kept.size(); ++i) {
            text += (i > 0 ? "、" : "") + kept[i];
        }
        lines.push_back(text);
    }
    if (report.incrementLimited) {
        lines.push_back("文件的速度超出时间增量1至384所能表示的范围，已取最接近的值");
    }
    // A script beat at increment n plays at 2.5 n beats a minute.
    const double written = report.tempo > 0 ? 60e6 / double(report.tempo) : 120.0;
    const double played = 2.5 * report.timeIncrement;
    const std::string tempo = "每分钟" + decimal(written, 2) + "拍";
    // Under 0.005% the difference is below what a tempo in whole microseconds can say.
    const double error = (played / written - 1) * 100;
    const double size = error < 0 ? -error : error;
    if (!report.exact && !report.smpte && report.tempo > 0 && size >= 0.005) {
        lines.push_back("乐曲的速度是" + tempo + "，时间增量" + count(report.timeIncrement) +
                        "按每分钟" + decimal(played, 2) + "拍演奏（" + (error < 0 ? "慢" : "快") +
                        decimal(size, size < 0.1 ? 2 : 1) + "%）");
        changed = true;
    }
    const std::pair<std::size_t, std::string> changes[] = {
        {report.droppedNotes, "个音符因其余15个音轨都在发声（第10音轨只奏鼓）而丢弃"},
        {report.droppedDrums, "个鼓音与更要紧的鼓音同时敲击而丢弃（第10音轨一次只奏一个鼓音："
                              "依次保留大鼓、军鼓、通通鼓、镲和踩镲、其他打击乐器）"},
        {report.shortenedDrums, "个鼓音在下一击处提前结束"},
        {report.lengthenedNotes, "个短于6个tick的音符延长为6个tick"},
        {report.splitNotes, "个音符的长度没有对应的符号，拆成了几个相连的音符（乐谱没有连音线）"},
        {report.unendedNotes, "个音符没有结束事件，在下一个音符开始时结束"},
        {report.restruckNotes, "个音符在同一声道再次按下同一个键时结束（合成器也这样演奏）"},
        {report.doubledNotes, "个在同一时刻重复按下的音符只保留了一个"},
        {report.droppedTempos, "个速度变化被丢弃，全曲按" + tempo + "演奏"},
        {report.zeroTempos, "个速度为0的速度事件没有意义，已忽略"},
        {report.droppedEvents, "个控制器、弯音、触后或系统专用事件被丢弃"},
        {report.unplacedSyllables, "个歌词音节没有落在任何音符上，已丢弃"},
        {report.droppedSyllables, "个歌词音节因超出4段或歌词过长而丢弃"},
        {report.markers, "个标记被丢弃"},
        {report.keySignatures, "个后来的调号变化未保留（乐谱全曲用开头的调号）"},
        {report.timeSignatures, "个后来的拍号变化未保留（乐谱全曲用开头的拍号）"},
        {report.texts, "个文字事件（音轨名、乐器名、版权、说明）被丢弃"},
        {report.otherMeta, "个其他元事件（音序器数据等）被丢弃"},
        {report.extraParts, "个声部超出16个音轨：其音符放在空闲的音轨上"},
        {report.roundedNotes, "个音符的时值或位置（如三连音）没有对应的符号，已取最接近的"},
        {report.graceNotes, "个装饰音被丢弃"},
        {report.cueNotes, "个提示音符（小音符，不演奏）被丢弃"},
        {report.unknownDrums, "个打击乐音符没有对应的MIDI键，被丢弃"},
        {report.outOfRange, "个音符超出MIDI键0至127的范围，被丢弃"},
        {report.repeats, "个反复记号或房子没有展开，乐谱按写出的顺序演奏一遍"},
        {report.markings, "个记号（演奏法、连线、文字、踏板等）被丢弃"},
    };
    for (const auto &[n, text] : changes) {
        if (n > 0) {
            lines.push_back(count(n) + text);
            changed = true;
        }
    }
    if (report.unsupportedTime) {
        lines.push_back("文件开头的拍号不是乐谱能用的拍号（n/2、n/4、n/8，n为1至12），已丢弃");
        changed = true;
    }
    if (report.noNotes) {
        lines.push_back("文件中没有音符");
    } else if (!changed) {
        lines.push_back("没有丢弃或改动任何音符");
    }
    return lines;
}

} // namespace tunelet::midi

// The song block of a .TNL file: writing the properties as text and reading them back.
#include "score/song_block.h"

#include "score/lyrics.h"

#include <charconv>
#include <optional>
#include <set>
#include <utility>

namespace tunelet::score {

namespace {

using namespace std::string_view_literals;

constexpr std::string_view kHeaderName = "tunelet-song ";
constexpr std::string_view kVersion = "1";

std::string escaped(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (const char c : value) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\0':
            out += "\\0";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::optional<std::string> unescaped(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\') {
            out += value[i];
            continue;
        }
        if (++i == value.size()) {
            return std::nullopt;
        }
        switch (value[i]) {
        case '\\':
            out += '\\';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case '0':
            out += '\0';
            break;
        default:
            return std::nullopt;
        }
    }
    return out;
}

bool isName(std::string_view name) {
    if (name.empty()) {
        return false;
    }
    for (const char c : name) {
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-')) {
            return false;
        }
    }
    return true;
}

// A decimal number without sign or leading zero (but "0"), below 10^9.
std::optional<int> parseCount(std::string_view text) {
    int value = 0;
    if (text.empty() || text.size() > 9 || text[0] < '0' || text[0] > '9' ||
        (text.size() > 1 && text[0] == '0')) {
        return std::nullopt;
    }
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

// The track of a "partN" name (0-based), N from 1 to kMaxPartNames.
std::optional<std::size_t> partIndex(std::string_view name) {
    if (!name.starts_with("part")) {
        return std::nullopt;
    }
    const std::optional<int> number = parseCount(name.substr(4));
    if (!number || *number < 1 || static_cast<std::size_t>(*number) > kMaxPartNames) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(*number - 1);
}

// The track and verse of a "wordsT-V" name (0-based), T up to kMaxPartNames, V up to
// kMaxVerses.
std::optional<std::pair<std::size_t, std::size_t>> wordsIndex(std::string_view name) {
    if (!name.starts_with("words")) {
        return std::nullopt;
    }
    const std::size_t dash = name.find('-');
    if (dash == std::string_view::npos) {
        return std::nullopt;
    }
    const std::optional<int> part = parseCount(name.substr(5, dash - 5));
    const std::optional<int> verse = parseCount(name.substr(dash + 1));
    if (!part || !verse || *part < 1 || static_cast<std::size_t>(*part) > kMaxPartNames ||
        *verse < 1 || static_cast<std::size_t>(*verse) > kMaxVerses) {
        return std::nullopt;
    }
    return std::pair{static_cast<std::size_t>(*part - 1), static_cast<std::size_t>(*verse - 1)};
}

bool isKnownName(std::string_view name) {
    static const std::set<std::string_view> kKnown = {"title", "subtitle", "composer", "lyricist",
                                                      "key",   "time",     "pickup",   "beat"};
    return kKnown.contains(name) ||
           (name.starts_with("part") && name.size() > 4 &&
            name.find_first_not_of("0123456789", 4) == name.npos) ||
           (name.starts_with("words") && name.size() > 5 &&
            name.find_first_not_of("0123456789-", 5) == name.npos);
}

// Sets one known property from its value; false when the value is not one it can have.
bool setProperty(SongProperties &properties, std::string_view name, std::string value) {
    if (name == "title" || name == "subtitle" || name == "composer" || name == "lyricist") {
        (name == "title"      ? properties.title
         : name == "subtitle" ? properties.subtitle
         : name == "composer" ? properties.composer
                              : properties.lyricist) = std::move(value);
        return true;
    }
    if (name == "key") {
        properties.key = parseKey(value);
        return properties.key.has_value();
    }
    if (name == "time") {
        properties.time = parseSongTime(value);
        return properties.time.has_value();
    }
    if (name == "beat") {
        properties.beat = parseBeatNote(value);
        return properties.beat.has_value();
    }
    if (name == "pickup") {
        const std::optional<int> ticks = parseCount(value);
        properties.pickupTicks = ticks.value_or(0);
        return ticks.has_value();
    }
    if (const auto words = wordsIndex(name)) {
        properties.setVerse(words->first, words->second, std::move(value));
        return true;
    }
    const std::optional<std::size_t> part = partIndex(name);
    if (!part) {
        return false;
    }
    if (properties.partNames.size() <= *part) {
        properties.partNames.resize(*part + 1);
    }
    properties.partNames[*part] = std::move(value);
    return true;
}

void appendLine(std::string &block, std::string_view name, std::string_view value) {
    if (!value.empty()) {
        block.append(name).append("=").append(escaped(value)).append("\n");
    }
}

} // namespace

bool isUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
        const unsigned lead = byte(i);
        std::size_t length = 1;
        unsigned low = 0x80;
        unsigned high = 0xBF;
        if (lead < 0x80) {
            ++i;
            continue;
        }
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            low = lead == 0xE0 ? 0xA0 : 0x80;
            high = lead == 0xED ? 0x9F : 0xBF;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            low = lead == 0xF0 ? 0x90 : 0x80;
            high = lead == 0xF4 ? 0x8F : 0xBF;
        } else {
            return false;
        }
        if (text.size() - i < length || byte(i + 1) < low || byte(i + 1) > high) {
            return false;
        }
        for (std::size_t k = 2; k < length; ++k) {
            if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) {
                return false;
            }
        }
        i += length;
    }
    return true;
}

std::string formatSongBlock(const SongProperties &properties) {
    if (properties.empty()) {
        return {};
    }
    std::string block = std::string(kHeaderName) + std::string(kVersion) + "\n";
    appendLine(block, "title", properties.title);
    appendLine(block, "subtitle", properties.subtitle);
    appendLine(block, "composer", properties.composer);
    appendLine(block, "lyricist", properties.lyricist);
    appendLine(block, "key", properties.key ? properties.key->asciiName() : "");
    appendLine(block, "time", properties.time ? properties.time->text() : "");
    appendLine(block, "pickup",
               properties.pickupTicks > 0 ? std::to_string(properties.pickupTicks) : "");
    appendLine(block, "beat",
               properties.beat ? std::to_string(static_cast<int>(*properties.beat)) : "");
    for (std::size_t k = 0; k < properties.partNames.size() && k < kMaxPartNames; ++k) {
        appendLine(block, "part" + std::to_string(k + 1), properties.partNames[k]);
    }
    for (std::size_t k = 0; k < properties.words.size() && k < kMaxPartNames; ++k) {
        for (std::size_t v = 0; v < properties.words[k].size() && v < kMaxVerses; ++v) {
            appendLine(block, "words" + std::to_string(k + 1) + "-" + std::to_string(v + 1),
                       properties.words[k][v]);
        }
    }
    for (const std::string &line : properties.unknownLines) {
        block.append(line).append("\n");
    }
    return block;
}

SongBlock parseSongBlock(std::string_view bytes) {
    using Kind = SongBlockNotice::Kind;
    SongBlock result;
    if (bytes.size() > kMaxSongBlockBytes) {
        result.notices.push_back({Kind::Oversized, 0, {}});
        return result;
    }
    std::vector<std::string_view> lines;
    for (std::size_t start = 0; start < bytes.size();) {
        const std::size_t end = std::min(bytes.find('\n', start), bytes.size());
        std::string_view line = bytes.substr(start, end - start);
        if (line.ends_with('\r')) {
            line.remove_suffix(1); // written by a text editor that ends lines with CR LF
        }
        lines.push_back(line);
        start = end + 1;
    }
    if (lines.empty() || !lines[0].starts_with(kHeaderName)) {
        result.notices.push_back({Kind::NotASongBlock, 0, {}});
        return result;
    }
    const std::optional<int> version = parseCount(lines[0].substr(kHeaderName.size()));
    if (!version || *version < 1) {
        result.notices.push_back({Kind::NotASongBlock, 0, {}});
        return result;
    }
    if (*version > 1) {
        result.notices.push_back({Kind::NewerVersion, 0, {}});
        return result;
    }
    SongProperties &properties = result.properties;
    std::set<std::string, std::less<>> seen;
    std::size_t pickupLine = 0;
    for (std::size_t k = 1; k < lines.size(); ++k) {
        const std::string_view line = lines[k];
        if (line.empty()) {
            continue;
        }
        const std::size_t equals = line.find('=');
        const std::string_view name = line.substr(0, std::min(equals, line.size()));
        const bool wellFormed = equals != std::string_view::npos && isName(name) && isUtf8(line) &&
                                line.find_first_of("\r\0"sv) == std::string_view::npos;
        const std::optional<std::string> value =
            wellFormed ? unescaped(line.substr(equals + 1)) : std::nullopt;
        if (!value) {
            result.notices.push_back({Kind::BadLine, k + 1, isName(name) ? std::string(name) : ""});
        } else if (!isKnownName(name)) {
            properties.unknownLines.emplace_back(line);
        } else if (seen.contains(name)) {
            result.notices.push_back({Kind::LaterDuplicate, k + 1, std::string(name)});
        } else if (!setProperty(properties, name, *value)) {
            result.notices.push_back({Kind::BadLine, k + 1, std::string(name)});
        } else {
            seen.emplace(name);
            pickupLine = name == "pickup" ? k + 1 : pickupLine;
        }
    }
    // A pickup of a whole bar or more is no pickup: the metre decides, whatever the order.
    if (properties.pickupTicks >= barTicks(properties)) {
        properties.pickupTicks = 0;
        result.notices.push_back({Kind::BadLine, pickupLine, "pickup"});
    }
    return result;
}

std::string songBlockNoticeText(const SongBlockNotice &notice) {
    using Kind = SongBlockNotice::Kind;
    const std::string where = "歌曲属性第" + std::to_string(notice.line) + "行" +
                              (notice.name.empty() ? "" : "（" + notice.name + "）");
    switch (notice.kind) {
    case Kind::Oversized:
        return "音轨后的歌曲属性超过1 MB，已忽略";
    case Kind::NotASongBlock:
        return "音轨后的内容不是歌曲属性，已忽略";
    case Kind::NewerVersion:
        return "音轨后的歌曲属性来自较新的版本，无法读取，已忽略";
    case Kind::BadLine:
        return where + "无法读取，已忽略";
    case Kind::LaterDuplicate:
        return where + "重复出现，已忽略";
    }
    return {};
}

} // namespace tunelet::score

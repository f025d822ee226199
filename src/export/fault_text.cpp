// The words for a fault in a track line, shared by the command line and the window.
#include "export/fault_text.h"

#include <algorithm>
#include <cstdio>

namespace tunelet::midi {

namespace {

std::string quoted(std::string_view bytes) {
    return "“" + showBytes(bytes) + "”";
}

std::string where(const ExportResult &result) {
    return "第" + std::to_string(result.track) + "音轨，第" + std::to_string(result.position) +
           "字节：";
}

// The bytes of the faulty token: from its start, as far as the token reaches in the line.
std::string_view tokenText(std::string_view line, std::size_t start, std::size_t length) {
    if (start == 0 || start > line.size()) {
        return {};
    }
    return line.substr(start - 1, length);
}

} // namespace

std::string tokenFaultText(const ExportResult &result, std::string_view line) {
    const std::size_t pos = result.position;
    const std::string at = pos >= 1 && pos <= line.size() ? quoted(line.substr(pos - 1, 1)) : "";
    switch (result.scanFault) {
    case ScanFault::BadTokenStart:
        return where(result) + at + "不是音符、休止符、@ 或 # 的开头";
    case ScanFault::BadOctave:
        return where(result) + at + "不是八度字母（应为 a 到 k）";
    case ScanFault::BadDuration:
        return where(result) + at + "不是时值字母（应为 a 到 h）";
    case ScanFault::TruncatedToken: {
        std::string_view token = tokenText(line, result.tokenStart, 3);
        const bool note = !token.empty() && token[0] != '0';
        const bool wantsOctave = note && token.size() < 2;
        return where(result) + quoted(token) + "在行尾被截断（缺少" +
               (wantsOctave ? "八度字母" : "时值字母") + "）";
    }
    case ScanFault::BadNumber: {
        std::string_view token = tokenText(line, result.tokenStart, 4);
        std::string field = token.size() > 1 ? quoted(token.substr(1)) : "（空）";
        return where(result) + "“" + std::string(token.substr(0, 1)) + "”后的" + field +
               "不是整数（应为三位数字，如 " + std::string(token.substr(0, 1)) + "080）";
    }
    case ScanFault::KeyOutOfRange:
        return where(result) + "音符" + quoted(tokenText(line, result.tokenStart, 2)) +
               "的音高超出 MIDI 范围（最高为 5k）";
    case ScanFault::ProgramOutOfRange:
        return where(result) + "乐器号" + quoted(tokenText(line, result.tokenStart, 4)) +
               "超出范围（应为 0 到 127）";
    case ScanFault::NegativeVolume:
        return where(result) + "音量" + quoted(tokenText(line, result.tokenStart, 4)) +
               "不能为负数（应为 0 到 255）";
    case ScanFault::None:
        break;
    }
    return where(result) + "音轨有错误";
}

std::string showBytes(std::string_view bytes) {
    auto printable = [](char c) { return c >= 0x20 && c < 0x7F; };
    const bool plain = std::all_of(bytes.begin(), bytes.end(), printable) &&
                       bytes.find_first_not_of(' ') != std::string_view::npos;
    if (plain) {
        return std::string(bytes);
    }
    // Bytes the terminal cannot show (or blanks alone) are spelled out one by one.
    std::string shown;
    for (char c : bytes) {
        if (!shown.empty()) {
            shown.push_back(' ');
        }
        if (printable(c) && c != ' ') {
            shown.push_back(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "0x%02X", static_cast<unsigned char>(c));
            shown += hex;
        }
    }
    return shown;
}

} // namespace tunelet::midi

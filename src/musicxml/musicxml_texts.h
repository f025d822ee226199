// MusicXML import: what the user is told when a file cannot be read as a score. Each
// completes "文件“name”…，无法导入".
#pragma once

namespace tunelet::musicxml::texts {

inline constexpr const char *kNotAScore = "不是MusicXML乐谱（开头不是<score-partwise>）";
inline constexpr const char *kTimewise =
    "是按小节组织的MusicXML乐谱（score-timewise），本程序只读按声部组织的乐谱（score-partwise）";
// Line, column and the XML reader's own words.
inline constexpr const char *kBadXml = "不是完好的XML文件（第%1行第%2列：%3）";
inline constexpr const char *kNoDivisions = "的第%1行有音符时值，但此前没有<divisions>";
inline constexpr const char *kBadArchive = "是损坏的压缩MusicXML文件（.mxl）：%1";
inline constexpr const char *kNoContainer =
    "是ZIP文件，但其中没有META-INF/container.xml，不是压缩MusicXML文件（.mxl）";
inline constexpr const char *kNoRootFile =
    "的META-INF/container.xml没有指明乐谱文件（<rootfile full-path>）";
inline constexpr const char *kMissingRootFile = "缺少META-INF/container.xml所指的乐谱文件“%1”";
inline constexpr const char *kRootFileTooLarge = "所含的乐谱文件“%1”大于128 MB";

} // namespace tunelet::musicxml::texts

// The .TNL script file: plain text, one track line per line, CR LF after every line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tunelet::score {

// Splits file content into lines at CR LF, lone CR and lone LF; a final break gives no
// extra line, an empty middle line is an empty track; reading stops at the first NUL.
std::vector<std::string> parseScriptText(std::string_view bytes);

// Every line, the last included, followed by CR LF.
std::string formatScriptText(const std::vector<std::string> &lines);

// What a script may be read from: the window takes regular files only (a pipe or terminal
// would keep it waiting), the command line also a pipe or device, as a filter would.
enum class ScriptSource { RegularFile, AnyFile };

// Reads up to the first NUL byte, so an endless device ends at its first NUL. Throws
// FileError("Cannot open file <path>" and the reason), also when memory runs out.
std::vector<std::string> readScriptFile(const std::string &path,
                                        ScriptSource source = ScriptSource::RegularFile);

// Writes through replaceFileAtomically, so a failed write leaves any old file whole.
// Throws FileError("Cannot create file <path>" and the reason).
void writeScriptFile(const std::string &path, const std::vector<std::string> &lines);

} // namespace tunelet::score

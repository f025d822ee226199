// The score being edited: its track lines, the script file it belongs to, the saved flag.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

namespace tunelet::score {

// A script file that cannot be read or written. The text is what the user sees:
// "Cannot open file <path>" or "Cannot create file <path>", and on a second line why
// (in Chinese) when the system said why.
class FileError : public std::runtime_error {
public:
    explicit FileError(const std::string &message, int error = 0)
        : std::runtime_error(message), m_error(error) {}
    // The system's error number (errno), or 0.
    int error() const { return m_error; }

private:
    int m_error;
};

// Track lines are byte strings exactly as stored in the script file (GBK text for
// Chinese); line k is track k+1 and MIDI channel k on export. Every change of the
// lines clears the saved flag, so no edit can be lost without a question.
class ScoreDocument {
public:
    std::size_t lineCount() const { return m_lines.size(); }
    const std::string &line(std::size_t k) const; // throws std::out_of_range
    const std::vector<std::string> &lines() const { return m_lines; }

    void appendLine(std::string text);
    void replaceLine(std::size_t k, std::string text); // throws std::out_of_range
    void deleteLine(std::size_t k);                    // throws std::out_of_range
    void clear();

    const std::string &fileName() const { return m_fileName; }
    void setFileName(std::string path) { m_fileName = std::move(path); }
    bool isSaved() const { return m_saved; }
    void setSaved(bool saved) { m_saved = saved; }

    // Replaces the lines with the file's; on FileError nothing changes.
    void load(const std::string &path);
    // Writes the lines to path atomically; on FileError the old file and the document's
    // state are untouched. Does not change the file name or the saved flag.
    void saveTo(const std::string &path) const;

private:
    std::vector<std::string> m_lines;
    std::string m_fileName;
    bool m_saved = true;
};

} // namespace tunelet::score

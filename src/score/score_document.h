// The score being edited: its track lines, its song properties, the script file it
// belongs to, the saved flag.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "score/song_block.h"

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
// Chinese); line k is track k+1 and MIDI channel k on export. The song properties belong
// to the score as its lines do. Every change of the lines or of a property clears the
// saved flag, so no edit can be lost without a question.
class ScoreDocument {
public:
    std::size_t lineCount() const { return m_lines.size(); }
    const std::string &line(std::size_t k) const; // throws std::out_of_range
    const std::vector<std::string> &lines() const { return m_lines; }

    void appendLine(std::string text);
    void replaceLine(std::size_t k, std::string text); // throws std::out_of_range
    // Puts lines in place of all the lines at once, as many as before, so each part name
    // stays with its track; answers the lines as they were. Throws std::invalid_argument
    // on another count.
    std::vector<std::string> exchangeLines(std::vector<std::string> lines);
    // Removes the line and its part name; throws std::out_of_range.
    void deleteLine(std::size_t k);
    void clear(); // the lines and the properties: a new score

    const SongProperties &properties() const { return m_properties; }
    // Clears the saved flag when the properties differ from the current ones.
    void setProperties(SongProperties properties);

    const std::string &fileName() const { return m_fileName; }
    void setFileName(std::string path) { m_fileName = std::move(path); }
    bool isSaved() const { return m_saved; }
    // Counts the changes of the lines and properties (load and clear included): a step
    // kept to be taken back is valid only while the score is still as that step left it.
    std::uint64_t revision() const { return m_revision; }
    void setSaved(bool saved) { m_saved = saved; }

    // Replaces the lines and properties with the file's; on FileError nothing changes.
    // Returns what of the song block was ignored (the tracks open all the same).
    std::vector<SongBlockNotice> load(const std::string &path);
    // Writes the lines and properties to path atomically; on FileError the old file and the
    // document's state are untouched. Does not change the file name or the saved flag.
    void saveTo(const std::string &path) const;

private:
    std::vector<std::string> m_lines;
    SongProperties m_properties;
    std::string m_fileName;
    bool m_saved = true;
    std::uint64_t m_revision = 0;
};

} // namespace tunelet::score

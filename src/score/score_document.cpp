// The score being edited: line access, and loading and saving its script file.
#include "score/score_document.h"

#include "score/script_file.h"

namespace tunelet::score {

const std::string &ScoreDocument::line(std::size_t k) const {
    return m_lines.at(k);
}

void ScoreDocument::appendLine(std::string text) {
    m_lines.push_back(std::move(text));
    m_saved = false;
    ++m_revision;
}

void ScoreDocument::replaceLine(std::size_t k, std::string text) {
    m_lines.at(k) = std::move(text);
    m_saved = false;
    ++m_revision;
}

std::vector<std::string> ScoreDocument::exchangeLines(std::vector<std::string> lines) {
    if (lines.size() != m_lines.size()) {
        throw std::invalid_argument("ScoreDocument::exchangeLines");
    }
    m_lines.swap(lines);
    m_saved = false;
    ++m_revision;
    return lines;
}

void ScoreDocument::deleteLine(std::size_t k) {
    if (k >= m_lines.size()) {
        throw std::out_of_range("ScoreDocument::deleteLine");
    }
    m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(k));
    // The later tracks move up, and their part names and words with them.
    std::vector<std::string> &names = m_properties.partNames;
    if (k < names.size()) {
        names.erase(names.begin() + static_cast<std::ptrdiff_t>(k));
    }
    std::vector<std::vector<std::string>> &words = m_properties.words;
    if (k < words.size()) {
        words.erase(words.begin() + static_cast<std::ptrdiff_t>(k));
    }
    m_saved = false;
    ++m_revision;
}

void ScoreDocument::clear() {
    m_lines.clear();
    m_properties = {};
    m_saved = false;
    ++m_revision;
}

void ScoreDocument::setProperties(SongProperties properties) {
    if (properties != m_properties) {
        m_properties = std::move(properties);
        m_saved = false;
        ++m_revision;
    }
}

std::vector<SongBlockNotice> ScoreDocument::load(const std::string &path) {
    // Read fully first: a file that cannot be read leaves the score as it was.
    ScoreText text = readScoreFile(path);
    m_lines = std::move(text.lines);
    m_properties = std::move(text.properties);
    ++m_revision;
    return std::move(text.notices);
}

void ScoreDocument::saveTo(const std::string &path) const {
    writeScoreFile(path, m_lines, m_properties);
}

} // namespace tunelet::score

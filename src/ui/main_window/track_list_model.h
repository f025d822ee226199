// Main window: the track list's model, a view over the score's lines.
#pragma once

#include <QAbstractListModel>
#include <QStringDecoder>
#include <QStringEncoder>
#include <string>
#include <vector>

#include "score/score_document.h"

namespace tunelet::ui {

// Track lines are GBK bytes; the list shows them decoded with GB18030 (a superset of
// GBK) and a submitted editor text is encoded the same way, so opening and saving a
// file gives back the same bytes. Rows are decoded only when the view draws them, so a
// score of a million lines opens without copying it, and only the head of each line
// that a row can show, so a line of megabytes does not freeze the list.
QString decodeLine(const std::string &bytes);
std::string encodeLine(const QString &text);

// The lines as they would be with the line being composed submitted: in place of the
// selected track (selectedRow >= 0), else after the last one. Answers the composed line's
// part, or -1 when it adds nothing: an empty line, or one equal to the track it would
// replace or, with none selected, to the last track (Enter and 是 keep the line just
// added in the editor, and it must not stand twice).
int placeComposedLine(std::vector<std::string> &lines, std::string composed, int selectedRow);

// Every change of the lines goes through here, so the list view follows it. Replacing
// a row reports the row as changed (not removed and inserted), so its selection stays.
class TrackListModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit TrackListModel(score::ScoreDocument &document, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    // The track line of a row as stored, for drawing it whole.
    const std::string &line(int row) const;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    void appendLine(std::string text);
    void replaceLine(int row, std::string text);
    void deleteLine(int row);
    void clear();
    void setLines(std::vector<std::string> lines);
    // All lines at once, as many as there are (a transposition, its undo): one change
    // of every row, selection kept; answers the lines as they were.
    std::vector<std::string> exchangeLines(std::vector<std::string> lines);
    // Replaces every line with the file's; on an error the lines stay as they were.
    // Returns what of the file's song block was ignored.
    std::vector<score::SongBlockNotice> load(const std::string &path);

private:
    score::ScoreDocument &m_document;
};

} // namespace tunelet::ui

// The 简谱 window's words bar: the words sung to one part, a verse at a time (第1段 ..
// 第4段). Every key typed is a change of the song, so the score shows it at once and is
// unsaved until saved; beside the line, how many syllables found no note.
//
//   words (QLineEdit) ── setVerse ──> SongProperties ── setProperties ──> ScoreDocument
//   verse (QComboBox): which verse the line shows
//   wordsExtra (QLabel): 多出N个字, the syllables beyond the part's last note
#pragma once

#include <QWidget>
#include <functional>

#include "notation/timed_events.h"
#include "score/song_properties.h"

class QComboBox;
class QLabel;
class QLineEdit;

namespace tunelet::ui {

class WordsBar : public QWidget {
    Q_OBJECT
public:
    using Getter = std::function<const score::SongProperties &()>;
    using Setter = std::function<void(const score::SongProperties &)>;

    WordsBar(QWidget *parent, Getter properties, Setter setProperties);

    // The part whose words the line edits (-1: none, the line is disabled) and its notes as
    // the score shows them, to count the syllables that find none. The line shows the
    // part's words of the chosen verse as the song has them now.
    void setPart(int part, const notation::Track &track);
    int part() const { return m_part; }

private:
    void showVerse();
    void edit(const QString &text);
    void countExtra();

    Getter m_properties;
    Setter m_setProperties;
    int m_part = -1;
    std::size_t m_notes = 0; // of the part
    // What the count of syllables beyond the notes was made for.
    QString m_counted;
    std::size_t m_countedNotes = 0;
    QLabel *m_label;
    QComboBox *m_verse;
    QLineEdit *m_words;
    QLabel *m_extra;
};

} // namespace tunelet::ui

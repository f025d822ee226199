// The 简谱 window's words bar: the words sung to one part, a verse at a time.
#include "ui/notation/words_bar.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <algorithm>
#include <limits>

#include "score/lyrics.h"
#include "ui/notation/notation_texts.h"

namespace tunelet::ui {

WordsBar::WordsBar(QWidget *parent, Getter properties, Setter setProperties)
    : QWidget(parent), m_properties(std::move(properties)),
      m_setProperties(std::move(setProperties)) {
    setObjectName(QStringLiteral("wordsBar"));
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    m_label = new QLabel(texts::kWordsLabel, this);
    m_verse = new QComboBox(this);
    m_verse->setObjectName(QStringLiteral("verse"));
    for (std::size_t v = 0; v < score::kMaxVerses; ++v) {
        m_verse->addItem(texts::kVerseItem.arg(v + 1));
    }
    m_words = new QLineEdit(this);
    m_words->setObjectName(QStringLiteral("words"));
    m_words->setPlaceholderText(texts::kWordsPlaceholder);
    // A verse may be longer than a line edit's 32,767 characters: cut short, the next key
    // would store the verse without its end.
    m_words->setMaxLength(std::numeric_limits<int>::max());
    m_extra = new QLabel(this);
    m_extra->setObjectName(QStringLiteral("wordsExtra"));
    m_extra->setForegroundRole(QPalette::PlaceholderText); // a quiet note, not an error
    row->addWidget(m_label);
    row->addWidget(m_verse);
    row->addWidget(m_words, 1);
    row->addWidget(m_extra);
    connect(m_verse, &QComboBox::currentIndexChanged, this, [this] { showVerse(); });
    connect(m_words, &QLineEdit::textEdited, this, &WordsBar::edit);
    setPart(-1, {});
}

void WordsBar::setPart(int part, const notation::Track &track) {
    m_part = part;
    m_notes = static_cast<std::size_t>(
        std::count_if(track.events.begin(), track.events.end(),
                      [](const notation::TimedEvent &event) { return event.degree != 0; }));
    m_label->setText(part >= 0 ? texts::kPartWordsLabel.arg(part + 1) : texts::kWordsLabel);
    m_verse->setEnabled(part >= 0);
    m_words->setEnabled(part >= 0);
    showVerse();
}

// The line follows the song (an Open, the song dialog, another part), but never rewrites
// what is being typed: that is the song's already.
void WordsBar::showVerse() {
    const QString verse =
        m_part < 0 ? QString()
                   : QString::fromStdString(m_properties().verse(
                         static_cast<std::size_t>(m_part),
                         static_cast<std::size_t>(std::max(0, m_verse->currentIndex()))));
    if (m_words->text() != verse) {
        m_words->setText(verse);
        m_words->setCursorPosition(0); // a long verse shows its start
    }
    countExtra();
}

void WordsBar::edit(const QString &text) {
    if (m_part < 0) {
        return;
    }
    score::SongProperties song = m_properties();
    song.setVerse(static_cast<std::size_t>(m_part),
                  static_cast<std::size_t>(std::max(0, m_verse->currentIndex())),
                  text.toStdString());
    m_setProperties(song);
    countExtra();
}

void WordsBar::countExtra() {
    if (m_part < 0) {
        m_extra->clear();
        m_countedNotes = std::numeric_limits<std::size_t>::max(); // counted for no part
        return;
    }
    // The score follows every key of the composed line: count again only what changed.
    const QString text = m_words->text();
    if (text == m_counted && m_notes == m_countedNotes) {
        return;
    }
    m_counted = text;
    m_countedNotes = m_notes;
    const std::size_t extra =
        score::placeSyllables(score::splitSyllables(text.toStdString()), m_notes).unplaced;
    m_extra->setText(extra > 0 ? texts::kWordsExtra.arg(extra) : QString());
}

} // namespace tunelet::ui

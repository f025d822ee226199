// Main window (Tmain): composing a whole token with one key press in the line editor.
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

#include "export/token_composer.h"
#include "playback/media_player.h"
#include "ui/common/line_editor.h"
#include "ui/common/token_inserter.h"
#include "ui/main_window/main_window.h"
#include "ui/main_window/track_list_model.h"

namespace tunelet::ui {

// The tests run in order and each stands alone; the editor then drops the character
// (all but Backspace), so nothing but whole tokens reaches the line.
void MainWindow::ijKeyPress(QChar typed) {
    const char k = typed.unicode() < 0x80 ? static_cast<char>(typed.unicode()) : '\0';
    if (k == '#') {
        if (const std::optional<QString> token = chooseVolumeToken(*this, *m_prompt)) {
            insertToken(*token);
        }
    }
    if (midi::isPitchLetter(k)) {
        const midi::ComposedNote note = midi::composeNote(k, m_input.octave, m_input.beat);
        if (!note.refused && insertToken(QString::fromStdString(note.text))) {
            auditionNote(note); // above key 127: silently nothing
        }
    }
    if (k == '0') {
        insertToken(QString::fromStdString(midi::composeRest(m_input.beat)));
    }
    if (k == '\r') {
        Button1->click(); // as a click: its question included
    }
    if (k == '@') {
        if (const std::optional<QString> token = chooseProgramToken(*this, *m_prompt)) {
            insertToken(*token);
        }
    }
}

bool MainWindow::insertToken(const QString &token) {
    if (tmp == nullptr) {
        // Made at the first token, not at start: a line edit lays out its empty text in
        // the application's default font, which nothing on the first frame uses, and
        // loading that font cost more than a millisecond of the start.
        tmp = new QLineEdit(gb1);
        tmp->setObjectName(QStringLiteral("tmp"));
        tmp->hide(); // never shown
    }
    return ui::insertToken(token, *tmp, *ij, *m_prompt);
}

namespace {

constexpr int kLongestAudition = 1500; // ms: a whole note at a slow pace would drag on
constexpr int kQuarterNoteMs = 500;    // at the files' 120 quarter notes a minute

} // namespace

void MainWindow::auditionNote(const midi::ComposedNote &note) {
    if (!L1->isChecked() || m_auditionFailed) {
        return;
    }
    const midi::SoundAtPlace sound =
        midi::soundBefore(encodeLine(ij->text().left(ij->cursorPosition())));
    const int ms = m_timeIncrement == 0
                       ? kLongestAudition
                       : std::min(kLongestAudition, note.ticks * kQuarterNoteMs / m_timeIncrement);
    // Without a sound output the composer works on in silence: no box at every key.
    m_auditionFailed = !mp1->auditionNote(sound.program, note.key, sound.velocity, ms);
    m_composed = true;
    updateComposing();
}

// Once a note was composed, and while the program is in use with notes heard, the
// transport bar's device keeps its output open for the next ones. Not before the first
// note: a program only opened to play or read a score costs no sound output at idle.
// Another program in front lets the sound server rest.
void MainWindow::updateComposing() {
    mp1->setComposing(m_composed && m_firstFrame && m_inFront && L1->isChecked() &&
                      !m_auditionFailed);
}

} // namespace tunelet::ui

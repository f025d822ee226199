// Main window: the text behind the line editor ij, with its caret, selection and undo.
#pragma once

#include <QString>
#include <algorithm>
#include <vector>

namespace tunelet::ui {

// One line of text being edited. Every edit is a splice at one place, so its cost is a
// move of the text after that place, never a pass over the whole line: the line may be
// tens of megabytes. The selection runs from the anchor to the caret; without one the
// two are equal. Positions never fall inside a surrogate pair.
class EditBuffer {
public:
    const QString &text() const { return m_text; }
    int cursor() const { return m_cursor; }
    int selectionStart() const { return std::min(m_cursor, m_anchor); }
    int selectionEnd() const { return std::max(m_cursor, m_anchor); }
    bool hasSelection() const { return m_cursor != m_anchor; }
    QString selectedText() const;

    // Replaces the whole text, caret at its end, and forgets the undo history.
    void reset(const QString &text);
    // Moves the caret; keepAnchor extends the selection instead of dropping it.
    void moveCursor(int position, bool keepAnchor);
    // Selects length characters from start (a negative length selects backwards).
    void select(int start, int length);

    // Puts inserted in place of the selection (or at the caret), caret after it; one
    // undo step. False when nothing changed.
    bool replaceSelection(const QString &inserted);
    // Backspace and Delete: the selection, else the character before or after the caret.
    bool removeBefore();
    bool removeAfter();
    // Removes from the caret to to (a word boundary), unless there is a selection.
    bool removeTo(int to);

    bool canUndo() const { return !m_undo.empty(); }
    bool canRedo() const { return !m_redo.empty(); }
    bool undo();
    bool redo();

    // Character steps (a surrogate pair is one step) and word moves: the start of the
    // word before from, and the start of the next one.
    int previousCharacter(int from) const;
    int nextCharacter(int from) const;
    int previousWordStart(int from) const;
    int nextWordStart(int from) const;
    // Selects the word at position (what a double-click selects).
    void selectWordAt(int position);

private:
    // A splice: removed was at position and inserted took its place.
    struct Edit {
        int position;
        QString removed;
        QString inserted;
        int cursorBefore;
        int anchorBefore;
    };

    int clamped(int position) const;
    bool splice(int position, int length, const QString &inserted);
    void apply(const Edit &edit, bool forward);

    QString m_text;
    int m_cursor = 0;
    int m_anchor = 0;
    std::vector<Edit> m_undo;
    std::vector<Edit> m_redo;
};

} // namespace tunelet::ui

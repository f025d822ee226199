// Main window: the text behind the line editor ij.
#include "ui/common/edit_buffer.h"

#include <cstdlib>

namespace tunelet::ui {

namespace {

bool isWordCharacter(QChar c) {
    return c.isLetterOrNumber() || c.isSurrogate();
}

} // namespace

QString EditBuffer::selectedText() const {
    return m_text.mid(selectionStart(), selectionEnd() - selectionStart());
}

void EditBuffer::reset(const QString &text) {
    m_text = text;
    m_cursor = m_anchor = static_cast<int>(m_text.size());
    m_undo.clear();
    m_redo.clear();
}

int EditBuffer::clamped(int position) const {
    position = std::clamp(position, 0, static_cast<int>(m_text.size()));
    if (position > 0 && position < m_text.size() && m_text.at(position).isLowSurrogate() &&
        m_text.at(position - 1).isHighSurrogate()) {
        --position; // never between the halves of one character
    }
    return position;
}

void EditBuffer::moveCursor(int position, bool keepAnchor) {
    m_cursor = clamped(position);
    if (!keepAnchor) {
        m_anchor = m_cursor;
    }
}

void EditBuffer::select(int start, int length) {
    m_anchor = clamped(start);
    m_cursor = clamped(start + length);
}

bool EditBuffer::replaceSelection(const QString &inserted) {
    return splice(selectionStart(), selectionEnd() - selectionStart(), inserted);
}

bool EditBuffer::removeBefore() {
    if (hasSelection()) {
        return replaceSelection({});
    }
    const int from = previousCharacter(m_cursor);
    return from < m_cursor && splice(from, m_cursor - from, {});
}

bool EditBuffer::removeAfter() {
    if (hasSelection()) {
        return replaceSelection({});
    }
    const int to = nextCharacter(m_cursor);
    return to > m_cursor && splice(m_cursor, to - m_cursor, {});
}

bool EditBuffer::removeTo(int to) {
    if (hasSelection()) {
        return replaceSelection({});
    }
    to = clamped(to);
    return splice(std::min(m_cursor, to), std::abs(to - m_cursor), {});
}

bool EditBuffer::splice(int position, int length, const QString &inserted) {
    if (length == 0 && inserted.isEmpty()) {
        return false;
    }
    Edit edit{position, m_text.mid(position, length), inserted, m_cursor, m_anchor};
    apply(edit, true);
    m_undo.push_back(std::move(edit));
    m_redo.clear();
    return true;
}

void EditBuffer::apply(const Edit &edit, bool forward) {
    const QString &out = forward ? edit.removed : edit.inserted;
    const QString &in = forward ? edit.inserted : edit.removed;
    m_text.replace(edit.position, out.size(), in);
    if (forward) {
        m_cursor = m_anchor = edit.position + static_cast<int>(in.size());
    } else { // the selection the edit replaced comes back
        m_cursor = edit.cursorBefore;
        m_anchor = edit.anchorBefore;
    }
}

bool EditBuffer::undo() {
    if (m_undo.empty()) {
        return false;
    }
    apply(m_undo.back(), false);
    m_redo.push_back(std::move(m_undo.back()));
    m_undo.pop_back();
    return true;
}

bool EditBuffer::redo() {
    if (m_redo.empty()) {
        return false;
    }
    apply(m_redo.back(), true);
    m_undo.push_back(std::move(m_redo.back()));
    m_redo.pop_back();
    return true;
}

int EditBuffer::previousCharacter(int from) const {
    return from > 0 ? clamped(from - 1) : 0;
}

int EditBuffer::nextCharacter(int from) const {
    const int size = static_cast<int>(m_text.size());
    if (from + 1 < size && m_text.at(from).isHighSurrogate() &&
        m_text.at(from + 1).isLowSurrogate()) {
        return from + 2;
    }
    return std::min(from + 1, size);
}

int EditBuffer::previousWordStart(int from) const {
    while (from > 0 && !isWordCharacter(m_text.at(from - 1))) {
        --from;
    }
    while (from > 0 && isWordCharacter(m_text.at(from - 1))) {
        --from;
    }
    return from;
}

int EditBuffer::nextWordStart(int from) const {
    const int size = static_cast<int>(m_text.size());
    while (from < size && isWordCharacter(m_text.at(from))) {
        ++from;
    }
    while (from < size && !isWordCharacter(m_text.at(from))) {
        ++from;
    }
    return from;
}

void EditBuffer::selectWordAt(int position) {
    int start = clamped(position);
    int end = start;
    const int size = static_cast<int>(m_text.size());
    while (start > 0 && isWordCharacter(m_text.at(start - 1))) {
        --start;
    }
    while (end < size && isWordCharacter(m_text.at(end))) {
        ++end;
    }
    if (start == end) {
        end = nextCharacter(end); // between two separators: the one clicked
    }
    select(start, end - start);
}

} // namespace tunelet::ui

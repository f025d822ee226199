// Main window: the line editor ij.
#include "ui/common/line_editor.h"

#include <QApplication>
#include <QClipboard>
#include <QFocusEvent>
#include <QFontMetricsF>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QStyle>
#include <QStyleHints>
#include <QStyleOptionFrame>
#include <utility>

namespace tunelet::ui {

namespace {

constexpr char16_t kBackspace = 8;
constexpr char16_t kDelete = 0x7F;   // some keyboards send it as the Delete key's text
constexpr int kHorizontalMargin = 2; // between the frame and the text, as a line edit has
constexpr int kVerticalMargin = 1;
// Laid out past the right edge: the glyph the edge cuts, and one to click or drag into.
constexpr int kCharactersPastTheEdge = 2;

QString lowerCased(const QString &text) {
    return text.isLower() ? text : text.toLower(); // a look costs less than a copy
}

} // namespace

LineEditor::LineEditor(QWidget *parent) : QWidget(parent), m_metrics(font()) {
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::IBeamCursor);
    setBackgroundRole(QPalette::Base);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setSizePolicy(QSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed, QSizePolicy::LineEdit));
}

void LineEditor::setText(const QString &text) {
    const QString lower = lowerCased(text);
    const bool edited = lower != m_buffer.text();
    m_buffer.reset(lower);
    m_first = 0;
    changed(edited, true);
}

void LineEditor::setCursorPosition(int position) {
    moveCursor(position, false);
}

void LineEditor::setSelection(int start, int length) {
    m_buffer.select(start, length);
    changed(false);
}

void LineEditor::selectAll() {
    m_buffer.select(0, static_cast<int>(m_buffer.text().size()));
    changed(false);
}

void LineEditor::home(bool mark) {
    moveCursor(0, mark);
}

void LineEditor::end(bool mark) {
    moveCursor(static_cast<int>(m_buffer.text().size()), mark);
}

bool LineEditor::fits(qsizetype inserted) const {
    const qsizetype kept =
        m_buffer.text().size() - (m_buffer.selectionEnd() - m_buffer.selectionStart());
    return kept + inserted <= kCapacity;
}

bool LineEditor::insert(const QString &text) {
    if (!fits(text.size())) {
        if (m_fullHandler) {
            m_fullHandler(); // said, not cut
        }
        return false;
    }
    changed(m_buffer.replaceSelection(lowerCased(text)), true);
    return true;
}

void LineEditor::backspace() {
    changed(m_buffer.removeBefore(), true);
}

void LineEditor::del() {
    changed(m_buffer.removeAfter(), true);
}

void LineEditor::undo() {
    changed(m_buffer.undo(), true);
}

void LineEditor::redo() {
    changed(m_buffer.redo(), true);
}

void LineEditor::cut() {
    if (m_buffer.hasSelection()) {
        copy();
        del();
    }
}

void LineEditor::copy() const {
    if (m_buffer.hasSelection()) {
        QApplication::clipboard()->setText(m_buffer.selectedText());
    }
}

void LineEditor::paste() {
    const QString pasted = QApplication::clipboard()->text();
    if (!pasted.isEmpty()) {
        insert(pasted);
    }
}

void LineEditor::moveCursor(int position, bool keepAnchor) {
    m_buffer.moveCursor(position, keepAnchor);
    changed(false);
}

void LineEditor::changed(bool edited, bool relayout) {
    if (relayout || edited) {
        m_layoutValid = false;
    }
    scrollToCursor();
    restartBlink();
    update();
    if (edited) {
        emit textChanged(m_buffer.text());
    }
}

QMenu *LineEditor::createContextMenu() {
    auto *menu = new QMenu(this);
    const auto add = [this, menu](const char *name, const char *label, bool enabled, auto run) {
        // The toolkit's own words for a line edit's menu, in the toolkit's translation.
        QAction *action = menu->addAction(QCoreApplication::translate("QLineEdit", label));
        action->setObjectName(QString::fromLatin1(name));
        action->setEnabled(enabled);
        connect(action, &QAction::triggered, this, run);
    };
    const bool selection = m_buffer.hasSelection();
    const int size = static_cast<int>(m_buffer.text().size());
    add("undo", "&Undo", m_buffer.canUndo(), [this] { undo(); });
    add("redo", "&Redo", m_buffer.canRedo(), [this] { redo(); });
    menu->addSeparator();
    add("cut", "Cu&t", selection, [this] { cut(); });
    add("copy", "&Copy", selection, [this] { copy(); });
    add("paste", "&Paste", !QApplication::clipboard()->text().isEmpty(), [this] { paste(); });
    add("delete", "Delete", selection, [this] { del(); });
    menu->addSeparator();
    add("selectAll", "Select All",
        size > 0 && m_buffer.selectionEnd() - m_buffer.selectionStart() < size,
        [this] { selectAll(); });
    return menu;
}

void LineEditor::contextMenuEvent(QContextMenuEvent *event) {
    QMenu *menu = createContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

bool LineEditor::event(QEvent *event) {
    if (event->type() == QEvent::ShortcutOverride) {
        // The editor's own keys, and plain characters, are not taken by the window's
        // shortcuts while it has the focus.
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->matches(QKeySequence::Undo) && m_undoElsewhere && m_undoElsewhere()) {
            return QWidget::event(event);
        }
        const bool plain = !key->text().isEmpty() && key->text().at(0).isPrint() &&
                           !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
        if (plain || commandFor(key)) {
            event->accept();
            return true;
        }
    }
    return QWidget::event(event);
}

void LineEditor::keyPressEvent(QKeyEvent *event) {
    const QString typed = event->text();
    if (m_keyHandler && !typed.isEmpty() && typed != QChar(kDelete)) {
        for (const QChar k : typed) {
            m_keyHandler(k);
        }
        // Backspace arrives with the text "\b", with or without Ctrl: the key table tells
        // a word (Ctrl) from a character.
        if (typed == QChar(kBackspace) && !editKey(event)) {
            backspace();
        }
        event->accept(); // composed (or refused), never typed
    } else if (editKey(event)) {
        event->accept();
    } else if (!m_keyHandler && !typed.isEmpty() && typed.at(0).isPrint()) {
        insert(typed);
        event->accept();
    } else {
        QWidget::keyPressEvent(event); // Up, Down, Enter and the like go to the window
    }
}

LineEditor::KeyCommand LineEditor::commandFor(QKeyEvent *event) {
    using K = QKeySequence;
    using E = LineEditor;
    // Each editing key and what it does; the three start and end keys of each kind (line,
    // block, document) are all the one line's start or end.
    static const std::pair<K::StandardKey, KeyCommand> kCommands[] = {
        {K::Paste, [](E &e) { e.paste(); }},
        {K::Copy, [](E &e) { e.copy(); }},
        {K::Cut, [](E &e) { e.cut(); }},
        {K::Undo, [](E &e) { e.undo(); }},
        {K::Redo, [](E &e) { e.redo(); }},
        {K::SelectAll, [](E &e) { e.selectAll(); }},
        {K::Delete, [](E &e) { e.del(); }},
        {K::Backspace, [](E &e) { e.backspace(); }},
        {K::DeleteEndOfWord,
         [](E &e) { e.removeTo(e.m_buffer.nextWordStart(e.cursorPosition())); }},
        {K::DeleteStartOfWord,
         [](E &e) { e.removeTo(e.m_buffer.previousWordStart(e.cursorPosition())); }},
        {K::MoveToNextChar, [](E &e) { e.step(true, false); }},
        {K::MoveToPreviousChar, [](E &e) { e.step(false, false); }},
        {K::SelectNextChar, [](E &e) { e.step(true, true); }},
        {K::SelectPreviousChar, [](E &e) { e.step(false, true); }},
        {K::MoveToNextWord, [](E &e) { e.stepWord(true, false); }},
        {K::MoveToPreviousWord, [](E &e) { e.stepWord(false, false); }},
        {K::SelectNextWord, [](E &e) { e.stepWord(true, true); }},
        {K::SelectPreviousWord, [](E &e) { e.stepWord(false, true); }},
        {K::MoveToStartOfLine, [](E &e) { e.home(false); }},
        {K::MoveToStartOfBlock, [](E &e) { e.home(false); }},
        {K::MoveToStartOfDocument, [](E &e) { e.home(false); }},
        {K::MoveToEndOfLine, [](E &e) { e.end(false); }},
        {K::MoveToEndOfBlock, [](E &e) { e.end(false); }},
        {K::MoveToEndOfDocument, [](E &e) { e.end(false); }},
        {K::SelectStartOfLine, [](E &e) { e.home(true); }},
        {K::SelectStartOfBlock, [](E &e) { e.home(true); }},
        {K::SelectStartOfDocument, [](E &e) { e.home(true); }},
        {K::SelectEndOfLine, [](E &e) { e.end(true); }},
        {K::SelectEndOfBlock, [](E &e) { e.end(true); }},
        {K::SelectEndOfDocument, [](E &e) { e.end(true); }},
    };
    for (const auto &[key, command] : kCommands) {
        if (event->matches(key)) {
            return command;
        }
    }
    return nullptr;
}

void LineEditor::step(bool forward, bool keepAnchor) {
    const EditBuffer &b = m_buffer;
    if (b.hasSelection() && !keepAnchor) { // off a selection, to its end on that side
        moveCursor(forward ? b.selectionEnd() : b.selectionStart(), false);
    } else {
        moveCursor(forward ? b.nextCharacter(b.cursor()) : b.previousCharacter(b.cursor()),
                   keepAnchor);
    }
}

void LineEditor::stepWord(bool forward, bool keepAnchor) {
    const int at = m_buffer.cursor();
    moveCursor(forward ? m_buffer.nextWordStart(at) : m_buffer.previousWordStart(at), keepAnchor);
}

void LineEditor::removeTo(int to) {
    changed(m_buffer.removeTo(to), true);
}

bool LineEditor::editKey(QKeyEvent *event) {
    const KeyCommand command = commandFor(event);
    if (!command) {
        return false;
    }
    command(*this);
    offerSelection();
    return true;
}

void LineEditor::mousePressEvent(QMouseEvent *event) {
    const int at = positionAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton) {
        moveCursor(at, event->modifiers().testFlag(Qt::ShiftModifier));
    } else if (event->button() == Qt::MiddleButton &&
               QApplication::clipboard()->supportsSelection()) {
        // Pastes what is selected anywhere on the desktop, where the mouse is.
        const QString selected = QApplication::clipboard()->text(QClipboard::Selection);
        if (!selected.isEmpty()) {
            moveCursor(at, false);
            insert(selected);
        }
    } else {
        QWidget::mousePressEvent(event);
    }
}

void LineEditor::mouseMoveEvent(QMouseEvent *event) {
    if (event->buttons().testFlag(Qt::LeftButton)) {
        moveCursor(positionAt(event->position().toPoint()), true); // dragging scrolls too
    }
}

void LineEditor::mouseReleaseEvent(QMouseEvent *event) {
    if (event->button() == Qt::LeftButton) {
        offerSelection();
    }
    QWidget::mouseReleaseEvent(event);
}

void LineEditor::mouseDoubleClickEvent(QMouseEvent *event) {
    if (event->button() == Qt::LeftButton) {
        m_buffer.selectWordAt(positionAt(event->position().toPoint()));
        changed(false);
        offerSelection();
    }
}

void LineEditor::offerSelection() const {
    QClipboard *clipboard = QApplication::clipboard();
    if (m_buffer.hasSelection() && clipboard->supportsSelection()) {
        clipboard->setText(m_buffer.selectedText(), QClipboard::Selection);
    }
}

void LineEditor::focusInEvent(QFocusEvent *event) {
    // Unlike a line edit, nothing is selected on Tab or a shortcut: the caret stays.
    restartBlink();
    update();
    QWidget::focusInEvent(event);
}

void LineEditor::focusOutEvent(QFocusEvent *event) {
    // As a line edit does: the selection goes when the focus moves on within the window.
    if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason &&
        m_buffer.hasSelection()) {
        m_buffer.moveCursor(m_buffer.cursor(), false);
    }
    m_blink.stop();
    update();
    QWidget::focusOutEvent(event);
}

void LineEditor::inputMethodEvent(QInputMethodEvent *event) {
    event->accept(); // an input method that is on anyway still types nothing
}

void LineEditor::changeEvent(QEvent *event) {
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        m_metrics = QFontMetricsF(font());
        m_advances.clear();
        changed(false, true);
    }
    QWidget::changeEvent(event);
}

void LineEditor::resizeEvent(QResizeEvent *event) {
    changed(false, true);
    QWidget::resizeEvent(event);
}

void LineEditor::timerEvent(QTimerEvent *event) {
    if (event->timerId() == m_blink.timerId()) {
        m_caretShown = !m_caretShown;
        update();
        return;
    }
    QWidget::timerEvent(event);
}

void LineEditor::restartBlink() {
    m_caretShown = true;
    const int flashTime = QGuiApplication::styleHints()->cursorFlashTime();
    if (hasFocus() && flashTime >= 2) {
        m_blink.start(flashTime / 2, this);
    } else {
        m_blink.stop();
    }
}

QStyleOptionFrame LineEditor::frameOption() const {
    QStyleOptionFrame option;
    option.initFrom(this);
    option.rect = contentsRect();
    option.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, this);
    option.midLineWidth = 0;
    option.state |= QStyle::State_Sunken;
    option.features = QStyleOptionFrame::None;
    return option;
}

QRect LineEditor::contentRect() const {
    const QStyleOptionFrame option = frameOption();
    return style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
}

QRect LineEditor::textRect() const {
    const QRect content = contentRect();
    const int height = qCeil(m_metrics.height());
    return {content.x() + kHorizontalMargin, content.y() + (content.height() - height + 1) / 2,
            content.width() - 2 * kHorizontalMargin, height};
}

qreal LineEditor::advance(QChar c) const {
    if (c.isSurrogate()) {
        return m_metrics.averageCharWidth(); // half of a pair each: an estimate is enough here
    }
    auto known = m_advances.find(c.unicode());
    if (known == m_advances.end()) {
        known = m_advances.insert(c.unicode(), m_metrics.horizontalAdvance(c));
    }
    return *known;
}

qreal LineEditor::widthUpTo(int from, int to, qreal limit) const {
    const QString &text = m_buffer.text();
    qreal width = 0;
    for (int i = from; i < to && width <= limit; ++i) {
        width += advance(text.at(i));
    }
    return width;
}

int LineEditor::firstFitting(int last, qreal room) const {
    const QString &text = m_buffer.text();
    int first = last;
    qreal width = 0;
    while (first > 0 && width + advance(text.at(first - 1)) <= room) {
        width += advance(text.at(first - 1));
        --first;
    }
    if (first > 0 && first < text.size() && text.at(first).isLowSurrogate()) {
        ++first; // a character is shown whole or not at all
    }
    return first;
}

void LineEditor::scrollToCursor() {
    // The caret's character, and the room it needs beside it, stay in view; where the
    // line ends before the right edge, nothing is hidden on the left.
    const int before = m_first;
    const qreal room = textRect().width() - style()->pixelMetric(QStyle::PM_TextCursorWidth);
    const int cursor = m_buffer.cursor();
    const int size = static_cast<int>(m_buffer.text().size());
    m_first = std::min(m_first, size);
    if (cursor < m_first) {
        m_first = cursor;
    } else if (widthUpTo(m_first, cursor, room) > room) {
        m_first = firstFitting(cursor, room);
    }
    if (m_first > 0 && widthUpTo(m_first, size, room) <= room) {
        m_first = firstFitting(size, room);
    }
    if (m_first != before) {
        m_layoutValid = false;
    }
}

const QTextLayout &LineEditor::visibleLayout() const {
    if (!m_layoutValid) {
        const QString &text = m_buffer.text();
        const int size = static_cast<int>(text.size());
        const qreal room = textRect().width();
        int last = m_first;
        for (qreal width = 0; last < size && width <= room; ++last) {
            width += advance(text.at(last));
        }
        last = std::min(size, last + kCharactersPastTheEdge);
        if (last < size && text.at(last).isLowSurrogate()) {
            ++last;
        }
        m_layout.setFont(font());
        m_layout.setText(text.mid(m_first, last - m_first));
        QTextOption option;
        option.setWrapMode(QTextOption::NoWrap);
        m_layout.setTextOption(option);
        m_layout.beginLayout();
        m_layout.createLine().setPosition({0, 0});
        m_layout.endLayout();
        m_layoutValid = true;
    }
    return m_layout;
}

int LineEditor::positionAt(QPoint point) const {
    const QRect text = textRect();
    if (point.x() < text.left() && m_first > 0) {
        return m_first - 1; // dragging past the left edge scrolls back
    }
    return m_first + visibleLayout().lineAt(0).xToCursor(point.x() - text.left());
}

void LineEditor::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    const QStyleOptionFrame panel = frameOption();
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &panel, &painter, this);
    painter.setClipRect(contentRect());

    const QTextLayout &layout = visibleLayout();
    const int shown = static_cast<int>(layout.text().size());
    QList<QTextLayout::FormatRange> selections;
    const int start = std::max(m_buffer.selectionStart() - m_first, 0);
    const int end = std::min(m_buffer.selectionEnd() - m_first, shown);
    if (m_buffer.hasSelection() && start < end) {
        QTextLayout::FormatRange range;
        range.start = start;
        range.length = end - start;
        range.format.setBackground(palette().highlight());
        range.format.setForeground(palette().highlightedText());
        selections.append(range);
    }
    const QPointF origin = textRect().topLeft();
    painter.setPen(palette().text().color());
    layout.draw(&painter, origin, selections);
    const int caret = m_buffer.cursor() - m_first;
    if (hasFocus() && m_caretShown && caret >= 0 && caret <= shown) {
        layout.drawCursor(&painter, origin, caret,
                          style()->pixelMetric(QStyle::PM_TextCursorWidth, nullptr, this));
    }
}

QVariant LineEditor::inputMethodQuery(Qt::InputMethodQuery query) const {
    if (query == Qt::ImCursorRectangle) {
        const QRect text = textRect();
        const qreal x = visibleLayout().lineAt(0).cursorToX(m_buffer.cursor() - m_first);
        return QRect(text.left() + qRound(x), text.top(), 1, text.height());
    }
    if (query == Qt::ImEnabled) {
        return false;
    }
    return QWidget::inputMethodQuery(query);
}

QSize LineEditor::sizeHint() const {
    ensurePolished();
    const QFontMetrics metrics(font());
    const int height = std::max(metrics.height(), 14) + 2 * kVerticalMargin;
    const int width = metrics.horizontalAdvance(QLatin1Char('x')) * 17 + 2 * kHorizontalMargin;
    const QStyleOptionFrame option = frameOption();
    return style()->sizeFromContents(QStyle::CT_LineEdit, &option, QSize(width, height), this);
}

QSize LineEditor::minimumSizeHint() const {
    ensurePolished();
    const QFontMetrics metrics(font());
    const int height = metrics.height() + 2 * kVerticalMargin;
    const int width = metrics.maxWidth() + 2 * kHorizontalMargin;
    const QStyleOptionFrame option = frameOption();
    return style()->sizeFromContents(QStyle::CT_LineEdit, &option, QSize(width, height), this);
}

} // namespace tunelet::ui

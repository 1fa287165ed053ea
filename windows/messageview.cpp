#include "windows/messageview.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

namespace quenby::gui {

namespace {

constexpr int kMargin = 4;

}  // namespace

TMessageView::TMessageView(QWidget* parent) : QAbstractScrollArea(parent) {
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, viewport(),
            qOverload<>(&QWidget::update));
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, viewport(),
            qOverload<>(&QWidget::update));
    UpdateScrollBars();
}

void TMessageView::SetLines(TMessageLines lines) {
    m_lines = std::move(lines);
    m_anchor = m_cursor = Position{};
    m_selecting = false;
    MeasureWidth();
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    UpdateScrollBars();
    viewport()->update();
    emit SelectionChanged();
}

void TMessageView::Clear() {
    SetLines({});
}

void TMessageView::MeasureWidth() {
    // Only the longest line (by characters) is measured: with the fixed
    // font that is the widest, and it keeps a million lines cheap.
    const qsizetype longest = m_lines.Longest();
    m_contentWidth = longest >= 0 ? fontMetrics().horizontalAdvance(m_lines[longest]) : 0;
}

int TMessageView::FirstVisibleLine() const {
    return verticalScrollBar()->value();
}

int TMessageView::VisibleLineCount() const {
    return std::max(1, viewport()->height() / fontMetrics().lineSpacing());
}

void TMessageView::UpdateScrollBars() {
    const int count = static_cast<int>(m_lines.size());
    const int visible = VisibleLineCount();
    verticalScrollBar()->setRange(0, std::max(0, count - visible));
    verticalScrollBar()->setPageStep(visible);
    verticalScrollBar()->setSingleStep(1);
    const int width = m_contentWidth + 2 * kMargin;
    horizontalScrollBar()->setRange(0, std::max(0, width - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    horizontalScrollBar()->setSingleStep(std::max(1, fontMetrics().averageCharWidth()));
}

void TMessageView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void TMessageView::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        MeasureWidth();
        UpdateScrollBars();
        viewport()->update();
    }
}

int TMessageView::XOf(const QString& line, int column) const {
    return kMargin - horizontalScrollBar()->value() +
           fontMetrics().horizontalAdvance(line.left(column));
}

void TMessageView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    painter.setFont(font());
    const QFontMetrics metrics = fontMetrics();
    const int height = metrics.lineSpacing();
    const int first = FirstVisibleLine();
    const int last =
        std::min(static_cast<int>(m_lines.size()), first + event->rect().bottom() / height + 2);
    const Position start = std::min(m_anchor, m_cursor);
    const Position end = std::max(m_anchor, m_cursor);
    const QPalette& colors = palette();
    const int left = kMargin - horizontalScrollBar()->value();
    for (int index = first; index < last; ++index) {
        const QString& line = m_lines[index];
        const int top = (index - first) * height;
        const int baseline = top + metrics.ascent();
        painter.setPen(colors.color(QPalette::Text));
        painter.drawText(left, baseline, line);
        if (!HasSelection() || index < start.Line || index > end.Line) {
            continue;
        }
        const int from = index == start.Line ? XOf(line, start.Column) : left;
        // A selected line break shows as a little room after the text.
        const int to = index == end.Line
                           ? XOf(line, end.Column)
                           : XOf(line, static_cast<int>(line.size())) + metrics.averageCharWidth();
        const QRect selected(from, top, to - from, height);
        painter.fillRect(selected, colors.color(QPalette::Highlight));
        painter.save();
        painter.setClipRect(selected);
        painter.setPen(colors.color(QPalette::HighlightedText));
        painter.drawText(left, baseline, line);
        painter.restore();
    }
    // A caret without blinking: enough to see where the keys will move from.
    if (hasFocus() && m_cursor.Line >= first && m_cursor.Line < last) {
        const int x = XOf(m_lines[m_cursor.Line], m_cursor.Column);
        const int top = (m_cursor.Line - first) * height;
        painter.fillRect(QRect(x, top, 1, height), colors.color(QPalette::Text));
    }
}

void TMessageView::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void TMessageView::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

void TMessageView::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    QAction* copy = menu.addAction(QStringLiteral("&Copy"), this, &TMessageView::Copy);
    copy->setShortcut(QKeySequence::Copy);
    copy->setEnabled(HasSelection());
    QAction* all = menu.addAction(QStringLiteral("Select &All"), this, &TMessageView::SelectAll);
    all->setShortcut(QKeySequence::SelectAll);
    all->setEnabled(!m_lines.isEmpty());
    menu.exec(event->globalPos());
}

TMessageView::Position TMessageView::Clamp(Position position) const {
    if (m_lines.isEmpty()) {
        return {};
    }
    position.Line = std::clamp(position.Line, 0, static_cast<int>(m_lines.size()) - 1);
    position.Column =
        std::clamp(position.Column, 0, static_cast<int>(m_lines[position.Line].size()));
    return position;
}

TMessageView::Position TMessageView::PositionAt(const QPoint& point) const {
    if (m_lines.isEmpty()) {
        return {};
    }
    const int height = fontMetrics().lineSpacing();
    const int row = point.y() < 0 ? -1 : point.y() / height;
    Position position = Clamp({FirstVisibleLine() + row, 0});
    if (point.y() < 0 && position.Line == 0 && FirstVisibleLine() == 0) {
        return position;
    }
    const QString& line = m_lines[position.Line];
    // The column whose left edge lies nearest: a binary search over the
    // widths of the line's beginnings.
    int low = 0;
    int high = static_cast<int>(line.size());
    while (low < high) {
        const int middle = (low + high + 1) / 2;
        const int leftEdge = XOf(line, middle - 1);
        const int rightEdge = XOf(line, middle);
        if ((leftEdge + rightEdge) / 2 <= point.x()) {
            low = middle;
        } else {
            high = middle - 1;
        }
    }
    position.Column = low;
    return position;
}

void TMessageView::MoveCursor(Position to, bool extend) {
    to = Clamp(to);
    const bool changed = to != m_cursor || (!extend && m_anchor != to);
    m_cursor = to;
    if (!extend) {
        m_anchor = to;
    }
    EnsureCursorVisible();
    if (changed) {
        viewport()->update();
        emit SelectionChanged();
    }
}

void TMessageView::SetSelection(Position anchor, Position cursor) {
    m_anchor = Clamp(anchor);
    MoveCursor(cursor, true);
    viewport()->update();
}

void TMessageView::SelectAll() {
    if (m_lines.isEmpty()) {
        return;
    }
    const int last = static_cast<int>(m_lines.size()) - 1;
    SetSelection({0, 0}, {last, static_cast<int>(m_lines[last].size())});
}

void TMessageView::EnsureCursorVisible() {
    QScrollBar* vertical = verticalScrollBar();
    const int visible = VisibleLineCount();
    if (m_cursor.Line < vertical->value()) {
        vertical->setValue(m_cursor.Line);
    } else if (m_cursor.Line >= vertical->value() + visible) {
        vertical->setValue(m_cursor.Line - visible + 1);
    }
    if (m_lines.isEmpty()) {
        return;
    }
    QScrollBar* horizontal = horizontalScrollBar();
    const int x = fontMetrics().horizontalAdvance(m_lines[m_cursor.Line].left(m_cursor.Column));
    if (x < horizontal->value()) {
        horizontal->setValue(x);
    } else if (x + 2 * kMargin > horizontal->value() + viewport()->width()) {
        horizontal->setValue(x + 2 * kMargin - viewport()->width());
    }
}

QString TMessageView::SelectedText() const {
    if (!HasSelection()) {
        return {};
    }
    const Position start = std::min(m_anchor, m_cursor);
    const Position end = std::max(m_anchor, m_cursor);
    if (start.Line == end.Line) {
        return m_lines[start.Line].mid(start.Column, end.Column - start.Column);
    }
    QString text = m_lines[start.Line].mid(start.Column);
    for (int index = start.Line + 1; index < end.Line; ++index) {
        text += QLatin1Char('\n');
        text += m_lines[index];
    }
    text += QLatin1Char('\n');
    text += m_lines[end.Line].left(end.Column);
    return text;
}

void TMessageView::Copy() const {
    if (HasSelection()) {
        QApplication::clipboard()->setText(SelectedText());
    }
}

bool TMessageView::event(QEvent* event) {
    // Claim the view's own keys before any menu shortcut sees them; all
    // other combinations (Ctrl+V among them) stay with the window's menu.
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Copy) || key->matches(QKeySequence::SelectAll)) {
            key->accept();
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

void TMessageView::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        Copy();
        return;
    }
    if (event->matches(QKeySequence::SelectAll)) {
        SelectAll();
        return;
    }
    const int page = VisibleLineCount();
    const int lastLine = static_cast<int>(m_lines.size()) - 1;
    const Position at = m_cursor;
    const int lineEnd = m_lines.isEmpty() ? 0 : static_cast<int>(m_lines[at.Line].size());
    struct Move {
        QKeySequence::StandardKey move;
        QKeySequence::StandardKey select;
        Position to;
    };
    const Position previousChar =
        at.Column > 0 ? Position{at.Line, at.Column - 1}
        : at.Line > 0 ? Position{at.Line - 1, static_cast<int>(m_lines[at.Line - 1].size())}
                      : at;
    const Position nextChar = at.Column < lineEnd  ? Position{at.Line, at.Column + 1}
                              : at.Line < lastLine ? Position{at.Line + 1, 0}
                                                   : at;
    const Move moves[] = {
        {QKeySequence::MoveToPreviousChar, QKeySequence::SelectPreviousChar, previousChar},
        {QKeySequence::MoveToNextChar, QKeySequence::SelectNextChar, nextChar},
        {QKeySequence::MoveToPreviousLine,
         QKeySequence::SelectPreviousLine,
         {at.Line - 1, at.Column}},
        {QKeySequence::MoveToNextLine, QKeySequence::SelectNextLine, {at.Line + 1, at.Column}},
        {QKeySequence::MoveToPreviousPage,
         QKeySequence::SelectPreviousPage,
         {at.Line - page, at.Column}},
        {QKeySequence::MoveToNextPage, QKeySequence::SelectNextPage, {at.Line + page, at.Column}},
        {QKeySequence::MoveToStartOfLine, QKeySequence::SelectStartOfLine, {at.Line, 0}},
        {QKeySequence::MoveToEndOfLine, QKeySequence::SelectEndOfLine, {at.Line, lineEnd}},
        {QKeySequence::MoveToStartOfDocument, QKeySequence::SelectStartOfDocument, {0, 0}},
        {QKeySequence::MoveToEndOfDocument,
         QKeySequence::SelectEndOfDocument,
         {lastLine, lastLine >= 0 ? static_cast<int>(m_lines[lastLine].size()) : 0}},
    };
    for (const Move& move : moves) {
        if (event->matches(move.move) || event->matches(move.select)) {
            MoveCursor(move.to, event->matches(move.select));
            return;
        }
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void TMessageView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    m_selecting = true;
    MoveCursor(PositionAt(event->position().toPoint()),
               event->modifiers().testFlag(Qt::ShiftModifier));
}

void TMessageView::mouseMoveEvent(QMouseEvent* event) {
    if (m_selecting && event->buttons().testFlag(Qt::LeftButton)) {
        MoveCursor(PositionAt(event->position().toPoint()), true);
    }
}

void TMessageView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_selecting = false;
        // The desktop's middle-click selection, where there is one.
        if (HasSelection() && QApplication::clipboard()->supportsSelection()) {
            QApplication::clipboard()->setText(SelectedText(), QClipboard::Selection);
        }
    }
}

void TMessageView::mouseDoubleClickEvent(QMouseEvent* event) {
    // A double click marks the word under the mouse.
    const Position at = PositionAt(event->position().toPoint());
    if (m_lines.isEmpty()) {
        return;
    }
    const QString& line = m_lines[at.Line];
    auto isWord = [&](int index) {
        return index >= 0 && index < line.size() &&
               (line[index].isLetterOrNumber() || line[index] == QLatin1Char('_'));
    };
    int start = at.Column;
    int end = at.Column;
    while (isWord(start - 1)) {
        --start;
    }
    while (isWord(end)) {
        ++end;
    }
    SetSelection({at.Line, start}, {at.Line, end});
}

}  // namespace quenby::gui

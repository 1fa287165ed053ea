#pragma once

#include <QAbstractScrollArea>
#include <QString>
#include <QStringList>

#include "windows/messagelines.h"

namespace quenby::gui {

// A read-only view of text lines that stays quick with millions of them: it
// keeps the lines compactly as they are and paints only those in sight, where
// a text document would build a block structure per line first. Selection with
// mouse and keyboard, Ctrl+A and Ctrl+C as in any text view; no wrapping.
class TMessageView : public QAbstractScrollArea {
    Q_OBJECT
public:
    struct Position {
        int Line = 0;
        int Column = 0;
        friend bool operator==(const Position&, const Position&) = default;
        friend auto operator<=>(const Position&, const Position&) = default;
    };

    explicit TMessageView(QWidget* parent = nullptr);

    void SetLines(TMessageLines lines);
    const TMessageLines& Lines() const { return m_lines; }
    void Clear();

    bool HasSelection() const { return m_anchor != m_cursor; }
    QString SelectedText() const;
    // Puts the selection on the clipboard; without one the clipboard stays.
    void Copy() const;
    void SelectAll();
    // Positions beyond the text are moved to its nearest place.
    void SetSelection(Position anchor, Position cursor);
    Position Cursor() const { return m_cursor; }
    Position Anchor() const { return m_anchor; }

    // The line shown at the top.
    int FirstVisibleLine() const;
    int VisibleLineCount() const;

signals:
    void SelectionChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    Position Clamp(Position position) const;
    Position PositionAt(const QPoint& point) const;
    int XOf(const QString& line, int column) const;
    void MoveCursor(Position to, bool extend);
    void EnsureCursorVisible();
    void UpdateScrollBars();
    void MeasureWidth();

    TMessageLines m_lines;
    Position m_anchor;
    Position m_cursor;
    int m_contentWidth = 0;
    bool m_selecting = false;
};

}  // namespace quenby::gui

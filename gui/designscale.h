#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

class QWidget;

namespace quenby::gui {

// The windows were laid out at 120 pixels per inch for Tahoma 8 pt, 13
// pixels high there. As with dialog units, the layout is sized from the font
// actually in use: every horizontal design length grows with the font's
// average character width (over "A" to "Z" and "a" to "z"), every vertical
// one with its height, each against the design font's. A screen with more
// dots per inch makes the font larger in pixels, so the layout grows with
// the screen as well.
class TDesignScale {
public:
    // Measures `font` on the screen it will be shown on; `designPixels` is
    // the height of the design font at 120 dpi.
    explicit TDesignScale(const QFont& font, int designPixels = 13);

    double FactorX() const { return m_x; }
    double FactorY() const { return m_y; }
    int X(int designLength) const;
    int Y(int designLength) const;
    QSize Size(const QSize& design) const;
    QRect Rect(const QRect& design) const;

private:
    double m_x;
    double m_y;
};

// Puts every named child of `container` at its design rectangle (as the
// layout file placed it) scaled by `scale`.
void ScaleDesignGeometry(QWidget* container, const TDesignScale& scale);

// The room a widget needs to show all of its text: the widget's own size
// hint for labels, buttons and lists; the text with frame and margins for a
// line edit; the least size of a widget made of a layout. Invalid for a
// widget that shows no text of its own.
QSize TextRoom(const QWidget* widget);

// Gives every named child of `container` at least its TextRoom. A grown
// child pushes the children beside it and everything below it away by as
// much as it grew, so the design's order and distances hold. Returns the
// size the container needs: `scaled` (its design size scaled), or more
// where children grew, keeping each child's own distance to the right and
// bottom edges.
QSize FitTexts(QWidget* container, const QSize& scaled);

}  // namespace quenby::gui

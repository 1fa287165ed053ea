#include "gui/designscale.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFontMetricsF>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionFrame>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <vector>

namespace quenby::gui {
namespace {

// Tahoma's advance widths of "A" to "Z" and "a" to "z" add up to 28.51 em,
// 0.5483 em each on average; its line (ascent 2049 plus descent 423 of 2048
// units) is 1.2070 em high. At 13 pixels that is 7.13 by 15.69 pixels.
constexpr double kTahomaAverageWidth = 0.5483;
constexpr double kTahomaHeight = 1.2070;

QString Letters() {
    return QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
}

QSize LineEditRoom(const QLineEdit* edit) {
    // As QLineEdit::sizeHint, but for its text instead of 17 "x".
    constexpr int kTextMargin = 2;  // QLineEdit's own, each side
    constexpr int kCursor = 1;
    const QFontMetrics metrics(edit->font());
    const QMargins text = edit->textMargins();
    const QMargins contents = edit->contentsMargins();
    const int width = metrics.horizontalAdvance(edit->text()) + 2 * kTextMargin + kCursor +
                      text.left() + text.right() + contents.left() + contents.right();
    QStyleOptionFrame option;
    option.initFrom(edit);
    option.lineWidth = edit->hasFrame()
                           ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit)
                           : 0;
    option.state |= QStyle::State_Sunken;
    const QSize hint = edit->sizeHint();
    const QSize styled = edit->style()->sizeFromContents(QStyle::CT_LineEdit, &option,
                                                         QSize(width, hint.height()), edit);
    return {styled.width(), hint.height()};
}

QSize PushButtonRoom(const QPushButton* button) {
    // The style's least width of any captioned button (80 pixels in
    // Fusion) is a look, not room the text needs: measure without it.
    constexpr int kIconSpacing = 4;
    const QFontMetrics metrics(button->font());
    QSize contents = metrics.size(Qt::TextShowMnemonic, button->text());
    QStyleOptionButton option;
    option.initFrom(button);
    option.icon = button->icon();
    option.iconSize = button->iconSize();
    if (button->isDefault()) {
        option.features |= QStyleOptionButton::DefaultButton;
    }
    if (button->autoDefault()) {
        option.features |= QStyleOptionButton::AutoDefaultButton;
    }
    if (!option.icon.isNull()) {
        contents.rwidth() += option.iconSize.width() + kIconSpacing;
        contents.setHeight(std::max(contents.height(), option.iconSize.height()));
    }
    return button->style()->sizeFromContents(QStyle::CT_PushButton, &option, contents, button);
}

bool Overlap(int begin1, int end1, int begin2, int end2) {
    return begin1 <= end2 && begin2 <= end1;
}

}  // namespace

TDesignScale::TDesignScale(const QFont& font, int designPixels) {
    const QFontMetricsF metrics(font);
    m_x = metrics.horizontalAdvance(Letters()) / static_cast<double>(Letters().size()) /
          (kTahomaAverageWidth * designPixels);
    m_y = metrics.height() / (kTahomaHeight * designPixels);
}

int TDesignScale::X(int designLength) const {
    return static_cast<int>(std::lround(designLength * m_x));
}

int TDesignScale::Y(int designLength) const {
    return static_cast<int>(std::lround(designLength * m_y));
}

QSize TDesignScale::Size(const QSize& design) const {
    return {X(design.width()), Y(design.height())};
}

QRect TDesignScale::Rect(const QRect& design) const {
    return {X(design.x()), Y(design.y()), X(design.width()), Y(design.height())};
}

void ScaleDesignGeometry(QWidget* container, const TDesignScale& scale) {
    for (QWidget* child : container->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        // Unnamed children (the captions of labelled edits) follow their
        // controls by themselves.
        if (!child->objectName().isEmpty() && !child->isWindow()) {
            child->setGeometry(scale.Rect(child->geometry()));
        }
    }
}

QSize TextRoom(const QWidget* widget) {
    if (const auto* edit = qobject_cast<const QLineEdit*>(widget)) {
        return LineEditRoom(edit);
    }
    if (const auto* button = qobject_cast<const QPushButton*>(widget)) {
        return PushButtonRoom(button);
    }
    if (const auto* label = qobject_cast<const QLabel*>(widget)) {
        return label->text().isEmpty() ? QSize() : label->sizeHint();
    }
    if (qobject_cast<const QAbstractButton*>(widget) != nullptr ||
        qobject_cast<const QComboBox*>(widget) != nullptr ||
        qobject_cast<const QStatusBar*>(widget) != nullptr) {
        return widget->sizeHint();
    }
    if (widget->layout() != nullptr) {
        return widget->minimumSizeHint();
    }
    return {};
}

QSize FitTexts(QWidget* container, const QSize& scaled) {
    struct Child {
        QWidget* Widget;
        QRect Rect;
        // What the child takes with its caption, if it has one.
        QMargins Caption;
        QRect Design;  // its footprint as scaled, before any child grew
        QRect Footprint() const { return Rect + Caption; }
    };
    const QList<QWidget*> widgets = container->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    std::vector<Child> children;
    for (QWidget* widget : widgets) {
        if (widget->objectName().isEmpty() || widget->isWindow()) {
            continue;
        }
        Child child{widget, widget->geometry(), QMargins(), QRect()};
        // An unnamed label whose buddy the child is moves with the child.
        for (QWidget* other : widgets) {
            const auto* caption = qobject_cast<const QLabel*>(other);
            if (caption != nullptr && caption->buddy() == widget && other->objectName().isEmpty()) {
                const QRect both = child.Rect.united(other->geometry());
                child.Caption = QMargins(
                    child.Rect.left() - both.left(), child.Rect.top() - both.top(),
                    both.right() - child.Rect.right(), both.bottom() - child.Rect.bottom());
            }
        }
        child.Design = child.Footprint();
        const QSize room = TextRoom(widget);
        if (room.isValid()) {
            child.Rect.setWidth(std::max(child.Rect.width(), room.width()));
            child.Rect.setHeight(std::max(child.Rect.height(), room.height()));
        }
        children.push_back(child);
    }

    // A child right of another in the design (beside it) or below it stays
    // so, as far from it as in the design; the design order has no cycles,
    // so this settles within one round per child.
    for (std::size_t round = 0; round <= children.size(); ++round) {
        bool moved = false;
        for (const Child& first : children) {
            for (Child& second : children) {
                const QRect& a = first.Design;
                const QRect& b = second.Design;
                const QRect now = first.Footprint();
                const QRect other = second.Footprint();
                if (b.left() > a.right() && Overlap(a.top(), a.bottom(), b.top(), b.bottom())) {
                    const int left = now.right() + b.left() - a.right();
                    if (other.left() < left) {
                        second.Rect.translate(left - other.left(), 0);
                        moved = true;
                    }
                }
                // Whatever lies below moves down, in every column, so rows stay rows.
                if (b.top() > a.bottom()) {
                    const int top = now.bottom() + b.top() - a.bottom();
                    if (other.top() < top) {
                        second.Rect.translate(0, top - other.top());
                        moved = true;
                    }
                }
            }
        }
        if (!moved) {
            break;
        }
    }

    QSize needed = scaled;
    for (const Child& child : children) {
        // Each child keeps its own design distance to the far edges.
        const int rightGap = std::max(0, scaled.width() - 1 - child.Design.right());
        const int bottomGap = std::max(0, scaled.height() - 1 - child.Design.bottom());
        const QRect footprint = child.Footprint();
        needed = needed.expandedTo(
            QSize(footprint.right() + 1 + rightGap, footprint.bottom() + 1 + bottomGap));
        if (child.Rect != child.Widget->geometry()) {
            child.Widget->setGeometry(child.Rect);
        }
    }
    return needed;
}

}  // namespace quenby::gui

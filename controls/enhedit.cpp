#include "controls/enhedit.h"

#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>
#include <cmath>

#include "settings/numbersettings.h"

namespace quenby::gui {

namespace {

// Qt's line edit keeps this many pixels beside its text, inside the text
// margins; it is the edit's own margin that the self-painted text keeps too.
constexpr int kEditHorizontalMargin = 2;

char16_t FirstUnit(const std::string& separator) {
    const QString text = QString::fromStdString(separator);
    return text.isEmpty() ? char16_t{0} : text.at(0).unicode();
}

Qt::Alignment HorizontalAlignment(quenby::TAlignment alignment) {
    switch (alignment) {
        case quenby::taRightJustify:
            return Qt::AlignRight;
        case quenby::taCenter:
            return Qt::AlignHCenter;
        case quenby::taLeftJustify:
            break;
    }
    return Qt::AlignLeft;
}

}  // namespace

TEnhancedEdit::TEnhancedEdit(QWidget* parent) : TEdit(parent) {
    // Typed, pasted, cut or set by code: every change of the text passes here
    // once. Clear() reparses by itself, so its own change is skipped.
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (!m_clearing) {
            ReparseText();
        }
    });
}

TEnhancedEdit::~TEnhancedEdit() = default;

void TEnhancedEdit::SetAcceptChars(bool accept) {
    if (accept == FAcceptChars) {
        return;
    }
    FAcceptChars = accept;
    // Switching the filter on filters the text already there.
    ReparseText();
}

void TEnhancedEdit::SetAlignment(quenby::TAlignment alignment) {
    if (alignment == FAlignment) {
        return;
    }
    FAlignment = alignment;
    setAlignment(HorizontalAlignment(alignment) | (this->alignment() & Qt::AlignVertical_Mask));
}

void TEnhancedEdit::SetDigits(quint8 digits) {
    if (digits == FDigits) {
        return;
    }
    FDigits = digits;
    ShowValue(FValue);
}

void TEnhancedEdit::SetFormat(quenby::TFloatFormat format) {
    if (format == FFormat) {
        return;
    }
    FFormat = format;
    ShowValue(FValue);
}

void TEnhancedEdit::SetGrayDisabled(bool gray) {
    if (gray == FGrayDisabled) {
        return;
    }
    FGrayDisabled = gray;
    if (!isEnabled()) {
        update();
    }
}

void TEnhancedEdit::SetPrecision(quint8 precision) {
    if (precision == FPrecision) {
        return;
    }
    FPrecision = precision;
    ShowValue(FValue);
}

void TEnhancedEdit::SetValue(double value) {
    // NaN never equals itself, so setting it always shows "NAN".
    if (value == FValue) {
        return;
    }
    FValue = value;
    ShowValue(value);
}

void TEnhancedEdit::SetValueInt(qint32 value) {
    if (value == FValueInt) {
        return;
    }
    FValueInt = value;
    ShowValue(static_cast<double>(value));
}

void TEnhancedEdit::SetCtl3D(bool ctl3D) {
    if (ctl3D != m_ctl3D) {
        m_ctl3D = ctl3D;
        update();
    }
}

void TEnhancedEdit::ShowValue(double x) {
    // The text's own change notification then derives both numbers from it;
    // a number that formats to the text already shown leaves them alone.
    setText(FormatValue(x));
    update();
}

QString TEnhancedEdit::FormatValue(double x) const {
    return QString::fromStdString(
        quenby::FormatFloatValue(x, FFormat, FPrecision, FDigits, quenby::NumberSettings()));
}

void TEnhancedEdit::Clear() {
    m_clearing = true;
    clear();
    m_clearing = false;
    ReparseText();
}

void TEnhancedEdit::ReparseText() {
    QString s = text();
    if (s.isEmpty()) {
        FValue = 0;
        FValueInt = 0;
        emit OnChange();
        return;
    }
    const auto& settings = quenby::NumberSettings();
    if (!FAcceptChars) {
        s = QString::fromStdU16String(
            quenby::FilterNumberText(s.toStdU16String(), FirstUnit(settings.DecimalSeparator),
                                     FirstUnit(settings.ThousandSeparator), FDigits));
        if (s != text()) {
            // The caret keeps its index, so it ends one place right of where a
            // removed letter stood. Setting the text runs this again, nested;
            // that run finds nothing to filter and raises OnChange first.
            const int caret = cursorPosition();
            setText(s);
            setCursorPosition(caret);
        }
    }
    const QString thousands = QString::fromStdString(settings.ThousandSeparator);
    if (!thousands.isEmpty()) {
        s.remove(thousands);
    }
    double value = quenby::ParseFloatDef(s.toStdString(), std::nan(""));
    // A currency text is a number too, or setting Value would read back 0.
    if (std::isnan(value) && !(FFormat == quenby::ffCurrency &&
                               quenby::ParseCurrencyText(text().toStdString(), settings, value))) {
        value = 0;
    }
    qint32 valueInt = 0;
    if (quenby::TruncateToInt32(value, valueInt)) {
        FValue = value;
        FValueInt = valueInt;
    } else {
        FValue = 0;
        FValueInt = 0;
    }
    emit OnChange();
}

void TEnhancedEdit::HandleKeyChar(char16_t& key) {
    if (m_onKeyPress) {
        m_onKeyPress(this, key);
    }
    if (key == 13 || key == 10) {
        // No line break may enter the text.
        key = 0;
        if (FExitOnEnterKey) {
            // Forward in tab order from the window's focus widget, as Tab
            // would; Shift makes no difference.
            focusNextChild();
        }
    }
    if (key == 27 && FUndoOnEscKey) {
        setText(FOldText);
    }
}

void TEnhancedEdit::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Paste)) {
        HandlePaste();
        event->accept();
        return;
    }
    char16_t key = 0;
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            key = 13;
            break;
        case Qt::Key_Escape:
            key = 27;
            break;
        default:
            if (!event->text().isEmpty()) {
                key = event->text().at(0).unicode();
            }
            break;
    }
    if (key == 0) {
        // Arrows, Delete and the like carry no character.
        TEdit::keyPressEvent(event);
        return;
    }
    const char16_t typed = key;
    HandleKeyChar(key);
    if (key == 0) {
        event->accept();
        return;
    }
    if (key == typed) {
        // Escape goes on to the window, as with any edit.
        TEdit::keyPressEvent(event);
        return;
    }
    // The hook typed another character in place of this one.
    Qt::Key code = Qt::Key_unknown;
    if (key == 8) {
        code = Qt::Key_Backspace;
    } else if (key == 27) {
        code = Qt::Key_Escape;
    }
    QKeyEvent replaced(QEvent::KeyPress, code, Qt::NoModifier, QString(QChar(key)));
    TEdit::keyPressEvent(&replaced);
    event->setAccepted(replaced.isAccepted());
}

void TEnhancedEdit::focusInEvent(QFocusEvent* event) {
    // The focus coming back from a closed menu or to a reactivated window is
    // no entry: the selection and the text to undo to stay as they were. A
    // window's first activation that lands here is the first entry, though,
    // and Escape needs its text.
    if (event->reason() == Qt::PopupFocusReason || event->reason() == Qt::ActiveWindowFocusReason) {
        if (!m_entered) {
            m_entered = true;
            FOldText = text();
        }
        TEdit::focusInEvent(event);
        return;
    }
    m_entered = true;
    FOldText = text();
    const bool byClick = event->reason() == Qt::MouseFocusReason &&
                         (QGuiApplication::mouseButtons() & Qt::LeftButton);
    if (m_autoSelect && !byClick) {
        selectAll();
    }
    switch (event->reason()) {
        case Qt::TabFocusReason:
        case Qt::BacktabFocusReason:
        case Qt::ShortcutFocusReason: {
            // Qt's edit would select all on these by itself; AutoSelect alone
            // decides here.
            QFocusEvent entry(QEvent::FocusIn, Qt::OtherFocusReason);
            TEdit::focusInEvent(&entry);
            break;
        }
        default:
            TEdit::focusInEvent(event);
            break;
    }
}

void TEnhancedEdit::HandlePaste(QClipboard::Mode mode) {
    // Qt's own paste checks this; ours replaces it on every path.
    if (isReadOnly()) {
        return;
    }
    // Only the first line: the text ends at the first control character.
    const QString clip = QGuiApplication::clipboard()->text(mode);
    qsizetype end = 0;
    while (end < clip.size() && clip.at(end).unicode() >= 32) {
        ++end;
    }
    // Nothing to paste still deletes the selection.
    insert(clip.left(end));
}

void TEnhancedEdit::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::MiddleButton && !isReadOnly() &&
        QGuiApplication::clipboard()->supportsSelection() &&
        rect().contains(event->position().toPoint())) {
        setCursorPosition(cursorPositionAt(event->position().toPoint()));
        HandlePaste(QClipboard::Selection);
        event->accept();
        return;
    }
    TEdit::mouseReleaseEvent(event);
}

void TEnhancedEdit::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = createStandardContextMenu();
    // Qt names the action only from 6.5 on; before, its text ends with the
    // paste shortcut.
    const QString shortcut =
        QLatin1Char('\t') + QKeySequence(QKeySequence::Paste).toString(QKeySequence::NativeText);
    for (QAction* action : menu->actions()) {
        if (action->objectName() == QStringLiteral("edit-paste") ||
            action->text().endsWith(shortcut)) {
            disconnect(action, nullptr, this, nullptr);
            connect(action, &QAction::triggered, this, [this] { HandlePaste(); });
        }
    }
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void TEnhancedEdit::paintEvent(QPaintEvent* event) {
    // Enabled, the control keeps Qt's painting: only that shows the caret,
    // the selection and a text scrolled beyond the control's width.
    if (FGrayDisabled || isEnabled()) {
        TEdit::paintEvent(event);
        return;
    }
    PaintSelf();
}

void TEnhancedEdit::PaintSelf() {
    if (!FCanvas) {
        FCanvas = std::make_unique<QPainter>();
    }
    QPainter& canvas = *FCanvas;
    canvas.begin(this);
    canvas.setFont(font());
    const bool frame = hasFrame();
    QRect client = rect();
    if (frame && m_ctl3D) {
        // The sunken frame lies outside the client area and keeps the style's
        // look; the text area inside is ours.
        QStyleOptionFrame option;
        initStyleOption(&option);
        style()->drawPrimitive(QStyle::PE_PanelLineEdit, &option, &canvas, this);
        const int width = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, this);
        client.adjust(width, width, -width, -width);
    }
    canvas.translate(client.topLeft());
    QRect area(0, 0, client.width(), client.height());
    if (frame && !m_ctl3D) {
        canvas.setPen(QGuiApplication::palette().color(QPalette::Active, QPalette::Shadow));
        canvas.drawRect(area.adjusted(0, 0, -1, -1));
        area.adjust(1, 1, -1, -1);
    }
    const QColor fill = palette().color(QPalette::Active, QPalette::Base);
    // Disabled text in the normal window-text colour, not greyed.
    const QColor textColour =
        isEnabled() ? palette().color(QPalette::Active, QPalette::Text)
                    : QGuiApplication::palette().color(QPalette::Active, QPalette::WindowText);
    // displayText() already shows a password as its mask characters.
    const QString shown = displayText();
    const int inset = !frame ? 0 : (m_ctl3D ? 1 : 2);
    const int leftMargin = textMargins().left() + kEditHorizontalMargin + inset;
    const int top = inset;
    const QFontMetrics metrics(font());
    const int left = quenby::TextLeftEdge(FAlignment, client.width(),
                                          metrics.horizontalAdvance(shown), leftMargin);
    canvas.setClipRect(area);
    canvas.fillRect(area, fill);
    canvas.setPen(textColour);
    canvas.drawText(left, top + metrics.ascent(), shown);
    canvas.end();
}

}  // namespace quenby::gui

#pragma once

#include <QClipboard>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

#include "controls/stdcontrols.h"
#include "settings/numberedittext.h"

class QPainter;
namespace quenby::gui {

// The numeric edit: a one-line edit whose text is a number. It keeps `Value`
// and `ValueInt` in step with the text, writes a number set by code in a
// float format, and can filter typing down to a number's characters. No
// window of Quenby uses it yet; the store knows how to save and load it.
class TEnhancedEdit : public TEdit {
    Q_OBJECT
    Q_PROPERTY(bool AcceptChars READ AcceptChars WRITE SetAcceptChars)
    Q_PROPERTY(quenby::TAlignment Alignment READ Alignment WRITE SetAlignment)
    Q_PROPERTY(quint8 Digits READ Digits WRITE SetDigits)
    Q_PROPERTY(bool ExitOnEnterKey READ ExitOnEnterKey WRITE SetExitOnEnterKey)
    Q_PROPERTY(quenby::TFloatFormat Format READ Format WRITE SetFormat)
    Q_PROPERTY(bool GrayDisabled READ GrayDisabled WRITE SetGrayDisabled)
    Q_PROPERTY(quint8 Precision READ Precision WRITE SetPrecision)
    Q_PROPERTY(bool UndoOnEscKey READ UndoOnEscKey WRITE SetUndoOnEscKey)
    Q_PROPERTY(double Value READ Value WRITE SetValue)
    Q_PROPERTY(qint32 ValueInt READ ValueInt WRITE SetValueInt)
    Q_PROPERTY(bool AutoSelect READ AutoSelect WRITE SetAutoSelect)
    Q_PROPERTY(bool Ctl3D READ Ctl3D WRITE SetCtl3D)
public:
    // May change the typed character or drop it (set it to 0).
    using TKeyPressEvent = std::function<void(TEnhancedEdit* sender, char16_t& key)>;

    explicit TEnhancedEdit(QWidget* parent = nullptr);
    ~TEnhancedEdit() override;

    bool AcceptChars() const { return FAcceptChars; }
    void SetAcceptChars(bool accept);
    quenby::TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(quenby::TAlignment alignment);
    quint8 Digits() const { return FDigits; }
    void SetDigits(quint8 digits);
    bool ExitOnEnterKey() const { return FExitOnEnterKey; }
    void SetExitOnEnterKey(bool exit) { FExitOnEnterKey = exit; }
    quenby::TFloatFormat Format() const { return FFormat; }
    void SetFormat(quenby::TFloatFormat format);
    bool GrayDisabled() const { return FGrayDisabled; }
    void SetGrayDisabled(bool gray);
    quint8 Precision() const { return FPrecision; }
    void SetPrecision(quint8 precision);
    bool UndoOnEscKey() const { return FUndoOnEscKey; }
    void SetUndoOnEscKey(bool undo) { FUndoOnEscKey = undo; }
    double Value() const { return FValue; }
    void SetValue(double value);
    qint32 ValueInt() const { return FValueInt; }
    void SetValueInt(qint32 value);

    // Select the whole text on focus entry, except when a click brought it.
    bool AutoSelect() const { return m_autoSelect; }
    void SetAutoSelect(bool autoSelect) { m_autoSelect = autoSelect; }
    // With a frame: true keeps the style's sunken frame when the control
    // paints itself, false draws a flat one-pixel line instead.
    bool Ctl3D() const { return m_ctl3D; }
    void SetCtl3D(bool ctl3D);

    void SetOnKeyPress(TKeyPressEvent handler) { m_onKeyPress = std::move(handler); }

    // Empties the text; `Value` and `ValueInt` become 0, one OnChange.
    void Clear();
    QString FormatValue(double x) const;

    // Replaces the selection with the clipboard text's first line.
    void HandlePaste(QClipboard::Mode mode = QClipboard::Clipboard);

signals:
    // After every change of the text, with `Value` and `ValueInt` up to date.
    void OnChange();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void ReparseText();
    void HandleKeyChar(char16_t& key);
    void ShowValue(double x);
    void PaintSelf();

    bool FAcceptChars = true;
    quenby::TAlignment FAlignment = quenby::taLeftJustify;
    // Made at the first self-painted paint and kept; it begins and ends on
    // the control for each paint.
    std::unique_ptr<QPainter> FCanvas;
    quint8 FDigits = 2;
    bool FExitOnEnterKey = false;
    quenby::TFloatFormat FFormat = quenby::ffNumber;
    bool FGrayDisabled = true;
    quint8 FPrecision = 8;
    QString FOldText;
    bool FUndoOnEscKey = false;
    double FValue = 0;
    qint32 FValueInt = 0;

    bool m_autoSelect = true;
    bool m_ctl3D = true;
    bool m_clearing = false;
    // Set at the first entry, whatever brought the focus.
    bool m_entered = false;
    TKeyPressEvent m_onKeyPress;
};

}  // namespace quenby::gui

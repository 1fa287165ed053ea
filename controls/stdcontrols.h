#pragma once

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QSlider>
#include <QStringList>

#include "base/datetime.h"

class QButtonGroup;
class QVBoxLayout;

// The control kinds whose state the settings file keeps. They are told apart
// by class (qobject_cast), so the class tree matters as much as the members:
// TEdit and TLabeledEdit are siblings, as are TListBox and TCheckListBox.
namespace quenby::gui {

class TCustomEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TCustomEdit(QWidget* parent = nullptr);
};

// No window uses this kind; it is kept so the store can save and load it.
class TEdit : public TCustomEdit {
    Q_OBJECT
public:
    explicit TEdit(QWidget* parent = nullptr);
};

// A line edit with a caption above it. The caption is a sibling widget
// (it must not be clipped by the edit), so it follows the edit around.
class TLabeledEdit : public TCustomEdit {
    Q_OBJECT
    Q_PROPERTY(QString LabelText READ LabelText WRITE SetLabelText)
public:
    explicit TLabeledEdit(QWidget* parent = nullptr);
    ~TLabeledEdit() override;

    QLabel* EditLabel() const { return m_label; }
    QString LabelText() const;
    void SetLabelText(const QString& text);
    // Puts the caption above the edit, as large as its text. The edit does
    // so whenever it moves while shown; a hidden one hears of its moves only
    // when it is shown.
    void PlaceLabel();

protected:
    bool event(QEvent* event) override;

private:
    QPointer<QLabel> m_label;
};

// Text and ItemIndex as the store sees them: a drop-down list (not editable)
// shows the selected item's text, an editable box its edit text.
class TComboBox : public QComboBox {
    Q_OBJECT
    Q_PROPERTY(QString Text READ Text WRITE SetText)
    Q_PROPERTY(int ItemIndex READ ItemIndex WRITE SetItemIndex)
public:
    explicit TComboBox(QWidget* parent = nullptr);

    QString Text() const;
    // A drop-down list takes a text only when an item carries it, and then
    // selects that item; other texts leave it as it is.
    void SetText(const QString& text);
    int ItemIndex() const { return currentIndex(); }
    // An index outside the items selects nothing.
    void SetItemIndex(int index);
};

class TCheckBox : public QCheckBox {
    Q_OBJECT
    Q_PROPERTY(bool Checked READ Checked WRITE SetChecked)
public:
    explicit TCheckBox(QWidget* parent = nullptr);
    explicit TCheckBox(const QString& text, QWidget* parent = nullptr);

    bool Checked() const { return isChecked(); }
    void SetChecked(bool checked) { setChecked(checked); }
};

// A group box of radio buttons, one per item; -1 means none is chosen.
class TRadioGroup : public QGroupBox {
    Q_OBJECT
    Q_PROPERTY(int ItemIndex READ ItemIndex WRITE SetItemIndex NOTIFY ItemIndexChanged)
    Q_PROPERTY(QStringList Items READ Items WRITE SetItems)
public:
    explicit TRadioGroup(QWidget* parent = nullptr);

    QStringList Items() const;
    // Replaces the buttons; the choice becomes none.
    void SetItems(const QStringList& items);
    // Changes the caption of one item, keeping the choice.
    void SetItemText(int index, const QString& text);
    int Count() const;
    int ItemIndex() const;
    // Below -1 counts as -1, beyond the last item as the last item.
    void SetItemIndex(int index);

signals:
    void ItemIndexChanged(int index);

private:
    QButtonGroup* m_buttons;
    QVBoxLayout* m_layout;
};

// The common ground of the two list boxes: the selected row.
class TCustomListBox : public QListWidget {
    Q_OBJECT
    Q_PROPERTY(int ItemIndex READ ItemIndex WRITE SetItemIndex)
public:
    explicit TCustomListBox(QWidget* parent = nullptr);

    int ItemIndex() const { return currentRow(); }
    // An index outside the rows selects nothing.
    void SetItemIndex(int index);
    int Count() const { return count(); }
};

class TListBox : public TCustomListBox {
    Q_OBJECT
public:
    explicit TListBox(QWidget* parent = nullptr);
};

// No window uses this kind; it is kept so the store can save and load it.
class TCheckListBox : public TCustomListBox {
    Q_OBJECT
public:
    explicit TCheckListBox(QWidget* parent = nullptr);

    // Adds an unchecked row with a check box.
    void AddItem(const QString& text);
    // False for an index the box does not hold.
    bool Checked(int index) const;
    // Ignored for an index the box does not hold.
    void SetChecked(int index, bool checked);
};

// No window uses this kind; it is kept so the store can save and load it.
class TMenuItem : public QAction {
    Q_OBJECT
    Q_PROPERTY(bool Checked READ Checked WRITE SetChecked)
public:
    explicit TMenuItem(QObject* parent = nullptr);
    TMenuItem(const QString& text, QObject* parent = nullptr);

    bool Checked() const { return isChecked(); }
    // A menu item shows a check mark as soon as it is checked.
    void SetChecked(bool checked);
};

// Date and time as the day count the rest of the program uses. No window
// uses this kind; it is kept so the store can save and load it.
class TDateTimePicker : public QDateTimeEdit {
    Q_OBJECT
    Q_PROPERTY(double DateTime READ DateTime WRITE SetDateTime)
public:
    explicit TDateTimePicker(QWidget* parent = nullptr);

    quenby::DateTimeValue DateTime() const;
    void SetDateTime(quenby::DateTimeValue value);
};

// Between the day count and Qt's date-time, to the millisecond.
QDateTime DateTimeValueToQDateTime(quenby::DateTimeValue value);
quenby::DateTimeValue QDateTimeToDateTimeValue(const QDateTime& dateTime);

// No window uses this kind; it is kept so the store can save and load it.
class TTrackBar : public QSlider {
    Q_OBJECT
    Q_PROPERTY(int Position READ Position WRITE SetPosition)
public:
    explicit TTrackBar(QWidget* parent = nullptr);

    int Position() const { return value(); }
    void SetPosition(int position) { setValue(position); }
};

}  // namespace quenby::gui

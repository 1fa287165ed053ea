#include "controls/stdcontrols.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QEvent>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace quenby::gui {

TCustomEdit::TCustomEdit(QWidget* parent) : QLineEdit(parent) {}

TEdit::TEdit(QWidget* parent) : TCustomEdit(parent) {}

TLabeledEdit::TLabeledEdit(QWidget* parent) : TCustomEdit(parent), m_label(new QLabel(parent)) {
    m_label->setBuddy(this);
    PlaceLabel();
}

TLabeledEdit::~TLabeledEdit() {
    // The caption goes with the edit, also when the parent is being torn down
    // and has deleted it already.
    delete m_label.data();
}

QString TLabeledEdit::LabelText() const {
    return m_label->text();
}

void TLabeledEdit::SetLabelText(const QString& text) {
    m_label->setText(text);
    m_label->adjustSize();
    PlaceLabel();
}

bool TLabeledEdit::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::ParentChange:
            m_label->setParent(parentWidget());
            // Without a parent the caption would become a window of its own.
            m_label->setVisible(parentWidget() != nullptr && !isHidden());
            PlaceLabel();
            break;
        case QEvent::Move:
        case QEvent::Resize:
            PlaceLabel();
            break;
        case QEvent::Show:
            m_label->setVisible(parentWidget() != nullptr);
            PlaceLabel();
            break;
        case QEvent::Hide:
            m_label->hide();
            break;
        case QEvent::EnabledChange:
            m_label->setEnabled(isEnabled());
            break;
        default:
            break;
    }
    return TCustomEdit::event(event);
}

void TLabeledEdit::PlaceLabel() {
    // As large as its text in the font it has now, which may have changed
    // since the text was set.
    const QSize size = m_label->sizeHint();
    m_label->setGeometry(x(), y() - size.height() - 3, size.width(), size.height());
}

TComboBox::TComboBox(QWidget* parent) : QComboBox(parent) {}

QString TComboBox::Text() const {
    return isEditable() ? currentText() : itemText(currentIndex());
}

void TComboBox::SetText(const QString& text) {
    if (isEditable()) {
        setEditText(text);
        return;
    }
    const int index = findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index >= 0) {
        setCurrentIndex(index);
    }
}

void TComboBox::SetItemIndex(int index) {
    setCurrentIndex(index >= 0 && index < count() ? index : -1);
}

TCheckBox::TCheckBox(QWidget* parent) : QCheckBox(parent) {}

TCheckBox::TCheckBox(const QString& text, QWidget* parent) : QCheckBox(text, parent) {}

TRadioGroup::TRadioGroup(QWidget* parent)
    : QGroupBox(parent), m_buttons(new QButtonGroup(this)), m_layout(new QVBoxLayout(this)) {
    m_buttons->setExclusive(true);
    connect(m_buttons, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked) {
            emit ItemIndexChanged(id);
        }
    });
}

QStringList TRadioGroup::Items() const {
    QStringList items;
    for (int i = 0; i < Count(); ++i) {
        items << m_buttons->button(i)->text();
    }
    return items;
}

void TRadioGroup::SetItems(const QStringList& items) {
    for (QAbstractButton* button : m_buttons->buttons()) {
        m_buttons->removeButton(button);
        delete button;
    }
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], this);
        m_buttons->addButton(button, i);
        m_layout->addWidget(button);
    }
}

void TRadioGroup::SetItemText(int index, const QString& text) {
    if (QAbstractButton* button = m_buttons->button(index)) {
        button->setText(text);
    }
}

int TRadioGroup::Count() const {
    return static_cast<int>(m_buttons->buttons().size());
}

int TRadioGroup::ItemIndex() const {
    return m_buttons->checkedId();
}

void TRadioGroup::SetItemIndex(int index) {
    index = std::clamp(index, -1, Count() - 1);
    if (index == ItemIndex()) {
        return;
    }
    if (index < 0) {
        // An exclusive group refuses to clear its last checked button.
        m_buttons->setExclusive(false);
        m_buttons->checkedButton()->setChecked(false);
        m_buttons->setExclusive(true);
        emit ItemIndexChanged(-1);
        return;
    }
    m_buttons->button(index)->setChecked(true);
}

TCustomListBox::TCustomListBox(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
}

void TCustomListBox::SetItemIndex(int index) {
    if (index >= 0 && index < count()) {
        setCurrentRow(index);
        return;
    }
    setCurrentRow(-1);
    clearSelection();
}

TListBox::TListBox(QWidget* parent) : TCustomListBox(parent) {}

TCheckListBox::TCheckListBox(QWidget* parent) : TCustomListBox(parent) {}

void TCheckListBox::AddItem(const QString& text) {
    auto* row = new QListWidgetItem(text, this);
    row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
    row->setCheckState(Qt::Unchecked);
}

bool TCheckListBox::Checked(int index) const {
    const QListWidgetItem* row = item(index);
    return row != nullptr && row->checkState() == Qt::Checked;
}

void TCheckListBox::SetChecked(int index, bool checked) {
    if (QListWidgetItem* row = item(index)) {
        row->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    }
}

TMenuItem::TMenuItem(QObject* parent) : QAction(parent) {}

TMenuItem::TMenuItem(const QString& text, QObject* parent) : QAction(text, parent) {}

void TMenuItem::SetChecked(bool checked) {
    if (checked) {
        setCheckable(true);
    }
    setChecked(checked);
}

namespace {

const QDate kDayZero(1899, 12, 30);
constexpr qint64 kMsPerDay = 86'400'000;

}  // namespace

QDateTime DateTimeValueToQDateTime(quenby::DateTimeValue value) {
    if (!std::isfinite(value)) {
        return {};
    }
    // The integral part names the day also below zero; the fraction is the
    // time of that day whatever the sign.
    double day = std::trunc(value);
    qint64 ms = std::llround(std::fabs(value - day) * static_cast<double>(kMsPerDay));
    if (ms >= kMsPerDay) {
        ms -= kMsPerDay;
        day += value < 0 ? -1 : 1;
    }
    return QDateTime(kDayZero.addDays(static_cast<qint64>(day)),
                     QTime::fromMSecsSinceStartOfDay(static_cast<int>(ms)), Qt::UTC);
}

quenby::DateTimeValue QDateTimeToDateTimeValue(const QDateTime& dateTime) {
    const double days = static_cast<double>(kDayZero.daysTo(dateTime.date()));
    const double fraction = dateTime.time().msecsSinceStartOfDay() / static_cast<double>(kMsPerDay);
    return days >= 0 ? days + fraction : days - fraction;
}

TDateTimePicker::TDateTimePicker(QWidget* parent) : QDateTimeEdit(parent) {
    // The day count is a wall-clock reading; a time zone would shift it
    // across daylight-saving changes.
    setTimeSpec(Qt::UTC);
    setMinimumDate(QDate(100, 1, 1));
    setCalendarPopup(true);
}

quenby::DateTimeValue TDateTimePicker::DateTime() const {
    return QDateTimeToDateTimeValue(dateTime());
}

void TDateTimePicker::SetDateTime(quenby::DateTimeValue value) {
    const QDateTime converted = DateTimeValueToQDateTime(value);
    if (converted.isValid()) {
        setDateTime(converted);
    }
}

TTrackBar::TTrackBar(QWidget* parent) : QSlider(Qt::Horizontal, parent) {}

}  // namespace quenby::gui

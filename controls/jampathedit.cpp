#include "controls/jampathedit.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QSizePolicy>
#include <QToolButton>

#include "gui/dialogs.h"

namespace quenby::gui {

TJamPathEdit::TJamPathEdit(QWidget* parent)
    : QFrame(parent), m_edit(new QLineEdit(this)), m_browse(new QToolButton(this)) {
    // No font of our own: the window's font reaches both parts.
    m_edit->setObjectName(QStringLiteral("edit"));
    m_browse->setObjectName(QStringLiteral("browse"));
    m_browse->setText(QStringLiteral("..."));
    m_browse->setToolTip(QStringLiteral("Browse for a folder"));
    m_browse->setFocusPolicy(Qt::TabFocus);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(m_edit, 1);
    layout->addWidget(m_browse);
    // The height follows the font, like the edit's.
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFocusProxy(m_edit);
    connect(m_edit, &QLineEdit::textChanged, this, &TJamPathEdit::PathChanged);
    connect(m_browse, &QToolButton::clicked, this, &TJamPathEdit::Browse);
}

QString TJamPathEdit::Path() const {
    return m_edit->text();
}

void TJamPathEdit::SetPath(const QString& path) {
    m_edit->setText(path);
}

void TJamPathEdit::Browse() {
    // Start where the edit points when that is a folder.
    const QString current = Path().trimmed();
    const QString start = !current.isEmpty() && QDir(current).exists() ? current : QString();
    const auto chosen = quenby::gui::ChooseFolder(
        this, quenby::gui::FolderRequest{QStringLiteral("Select a Folder"), start});
    if (chosen) {
        SetPath(QDir::toNativeSeparators(*chosen));
    }
}

}  // namespace quenby::gui

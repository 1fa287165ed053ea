#include "windows/optionsdialog.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>
#include <string_view>

#include "controls/stdcontrols.h"
#include "settings/runkeys.h"
#include "system/installer.h"

namespace quenby::gui {

namespace {

TCheckBox* StoredCheckBox(std::string_view key, const QString& text, QWidget* parent) {
    auto* box = new TCheckBox(text, parent);
    box->setObjectName(QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size())));
    return box;
}

}  // namespace

TOptionsDialog::TOptionsDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    // The main window's font, which follows the screen and the fonts found.
    setAttribute(Qt::WA_WindowPropagation);
    const bool german = quenby::GetUserLanguage() == quenby::ulGerman;
    setWindowTitle(german ? QStringLiteral("Optionen") : QStringLiteral("Options"));
    Preview = StoredCheckBox(
        quenby::runkeys::kPreview,
        german ? QStringLiteral("&Vorschau zuerst: zeigen, was geschähe, nichts ändern")
               : QStringLiteral("&Preview first: show what would happen, change nothing"),
        this);
    VerifyCopies = StoredCheckBox(
        quenby::runkeys::kVerifyCopies,
        german ? QStringLiteral("Jede Kopie &zurücklesen, bevor ihre Quelle gelöscht wird")
               : QStringLiteral("&Read every copy back before deleting its source"),
        this);
    KeepBoth = StoredCheckBox(
        quenby::runkeys::kKeepBoth,
        german ? QStringLiteral("&Beide behalten, wenn ein anderes Foto den Namen trägt")
               : QStringLiteral("&Keep both when a different photo has the name"),
        this);
    OnlyNew = StoredCheckBox(quenby::runkeys::kOnlyNew,
                             german ? QStringLiteral("&Nur Fotos, die noch nicht importiert wurden")
                                    : QStringLiteral("&Only photos not imported before"),
                             this);
    CloseButton =
        new QPushButton(german ? QStringLiteral("&Schließen") : QStringLiteral("&Close"), this);
    CloseButton->setDefault(true);
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    for (TCheckBox* box : {Preview, VerifyCopies, KeepBoth, OnlyNew}) {
        layout->addWidget(box);
    }
    layout->addSpacing(layout->spacing());
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(CloseButton);
    layout->addLayout(buttons);
    // As large as the captions need, in any font; nothing to gain by resizing.
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace quenby::gui

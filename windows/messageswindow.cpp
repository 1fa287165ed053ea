#include "windows/messageswindow.h"

#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QMenuBar>
#include <QSaveFile>
#include <QStandardPaths>
#include <algorithm>

#include "base/stringtable.h"
#include "gui/designscale.h"
#include "gui/dialogs.h"
#include "gui/helpwindow.h"
#include "gui/resources.h"
#include "gui/sansfont.h"
#include "ui_messageswindow.h"
#include "windows/messageview.h"
#include "windows/rtf.h"

namespace quenby::gui {

namespace {

// Lucida Console 15 pixels high at 120 dpi.
constexpr double kViewPointSize = 9.0;

}  // namespace

TMeldungsformular::TMeldungsformular(QWidget* parent)
    : QMainWindow(parent), m_ui(std::make_unique<Ui::Meldungsformular>()) {
    InitResources();
    m_ui->setupUi(this);
    Erg = m_ui->erg;
    MainMenu1 = m_ui->MainMenu1;

    // The layout names Tahoma; where it is missing, a sans-serif face
    // stands in.
    setFont(WithSansSerifFallback(font()));
    // Asking for a fixed-width family by name gets a proportional font on
    // some desktops; the system's own fixed font is always fixed.
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPointSizeF(kViewPointSize);
    Erg->setFont(fixed);
    // A secondary window: closing it must never end the program.
    setAttribute(Qt::WA_QuitOnClose, false);

    connect(m_ui->SaveMessages1, &QAction::triggered, this,
            &TMeldungsformular::Speichernunter1Click);
    connect(m_ui->Vlose1, &QAction::triggered, this, &TMeldungsformular::CloseWindow);
    connect(m_ui->ClearText1, &QAction::triggered, this, &TMeldungsformular::ClearTextClick);
    connect(m_ui->CopytoClipboard1, &QAction::triggered, this,
            &TMeldungsformular::IndieZwischenablagekopieren1Click);
    connect(m_ui->Help2, &QAction::triggered, this, &TMeldungsformular::Hilfe1Click);

    m_documentsFolder = [] {
        return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    };
    ScaleToScreen();
    move(0, 0);
}

TMeldungsformular::~TMeldungsformular() = default;

QStringList TMeldungsformular::ImageList1() {
    InitResources();
    return {QStringLiteral(":/images/cleartext.png"), QStringLiteral(":/images/close.png"),
            QStringLiteral(":/images/save.png"), QStringLiteral(":/images/copy.png"),
            QStringLiteral(":/images/help.png")};
}

void TMeldungsformular::ScaleToScreen() {
    // The layout's size is the client area; the menu bar comes on top, and
    // all of its menus stay in sight.
    const QSize client = TDesignScale(font()).Size(size());
    resize(std::max(client.width(), MainMenu1->sizeHint().width()),
           client.height() + MainMenu1->sizeHint().height());
}

void TMeldungsformular::ReplaceMessages(const quenby::MessageList& messages) {
    // The old text goes first, so that the two are never held at once.
    Erg->Clear();
    TMessageLines lines;
    for (const std::string& line : messages.Lines()) {
        lines.Append(line);
    }
    Erg->SetLines(std::move(lines));
}

void TMeldungsformular::ReplaceLines(TMessageLines lines) {
    Erg->SetLines(std::move(lines));
}

QStringList TMeldungsformular::Lines() const {
    return Erg->Lines().ToStringList();
}

void TMeldungsformular::SetDocumentsFolderProvider(FolderProvider provider) {
    m_documentsFolder = std::move(provider);
}

void TMeldungsformular::Speichernunter1Click() {
    SaveFileRequest request;
    request.Title = QStringLiteral("Save Messages");
    request.Filter = QStringLiteral("Text Files (*.txt)|*.txt|All Files (*.*)|*.*");
    request.StartFolder = m_documentsFolder ? m_documentsFolder() : QString();
    const auto fileName = ChooseSaveFile(this, request);
    if (!fileName) {
        return;
    }
    QString error;
    if (!WriteRtf(*fileName, error)) {
        ShowMessageBox(this, {MessageKind::Error, error, QMessageBox::Ok, 0});
    }
}

bool TMeldungsformular::WriteRtf(const QString& fileName, QString& error) const {
    const QByteArray rtf = LinesToRtf(Erg->Lines(), Erg->font());
    const QFileInfo target(fileName);
    if (target.exists() && !target.isFile()) {
        // A device or pipe is written into; renaming over it would replace
        // the device itself with a plain file.
        return WriteDirectly(fileName, rtf, error);
    }
    // Written beside the target and renamed over it, so a full disk never
    // leaves half a file where the old one was.
    QSaveFile file(fileName);
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly)) {
        error = QStringLiteral("Cannot create file \"%1\". %2")
                    .arg(QDir::toNativeSeparators(fileName), file.errorString());
        return false;
    }
    if (file.write(rtf) != rtf.size() || !file.commit()) {
        error = QStringLiteral("Cannot write file \"%1\". %2")
                    .arg(QDir::toNativeSeparators(fileName), file.errorString());
        file.cancelWriting();
        return false;
    }
    return true;
}

bool TMeldungsformular::WriteDirectly(const QString& fileName, const QByteArray& rtf,
                                      QString& error) {
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        error = QStringLiteral("Cannot create file \"%1\". %2")
                    .arg(QDir::toNativeSeparators(fileName), file.errorString());
        return false;
    }
    if (file.write(rtf) != rtf.size() || !file.flush()) {
        error = QStringLiteral("Cannot write file \"%1\". %2")
                    .arg(QDir::toNativeSeparators(fileName), file.errorString());
        return false;
    }
    file.close();
    if (file.error() != QFileDevice::NoError) {
        error = QStringLiteral("Cannot write file \"%1\". %2")
                    .arg(QDir::toNativeSeparators(fileName), file.errorString());
        return false;
    }
    return true;
}

void TMeldungsformular::IndieZwischenablagekopieren1Click() {
    // Copy() leaves the clipboard alone without a selection; the box comes
    // either way.
    Erg->Copy();
    ShowMessageBox(this, {MessageKind::Information,
                          QString::fromStdString(quenby::LoadStr(quenby::kStrMarkedTextCopied)),
                          QMessageBox::Ok, kHelpMessagesWindow});
}

void TMeldungsformular::ClearTextClick() {
    Erg->Clear();
}

void TMeldungsformular::CloseWindow() {
    close();
}

void TMeldungsformular::Hilfe1Click() {
    ShowHelp(kHelpMessagesWindow, this);
}

void TMeldungsformular::closeEvent(QCloseEvent* event) {
    // Closing only hides; the text waits for the next look.
    hide();
    event->ignore();
}

}  // namespace quenby::gui

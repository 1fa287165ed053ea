#include "windows/infodialog.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QKeySequence>
#include <QLocale>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>

#include "base/datetime.h"
#include "gui/designscale.h"
#include "gui/dialogs.h"
#include "gui/helpwindow.h"
#include "gui/hints.h"
#include "gui/resources.h"
#include "gui/sansfont.h"
#include "platform/process/executable.h"
#include "settings/numbersettings.h"
#include "settings/numbertext.h"
#include "sorting/datenaming.h"
#include "system/installer.h"
#include "ui_infodialog.h"
#include "windows/httpclient.h"

namespace quenby::gui {

namespace {

const QString kGermanDatePrefix = QStringLiteral("vom ");
const QString kGermanUpdateQuestion =
    QStringLiteral("Version %f, auf dem Server ist %f.\rAktualisieren?");
const QString kGermanOpenFailed = QStringLiteral("ZIP Entpacker kann nicht geöffnet werden !");
const QString kGermanSaveFilter = QStringLiteral("Alles (*.*)|*.*");
const QString kGermanCaptionPrefix = QStringLiteral("Info über ");
const QString kGermanProgress = QStringLiteral("Heruntergeladen %d von %d Bytes");
const QString kGermanAfterDownload = QStringLiteral(
    "Installierte Version %f\rVersion auf dem Server %f\rBitte beenden Sie nun zuerst dieses "
    "Programm.\rDanach entpacken Sie nun die Dateien im Zip Archiv in ihr Programmverzeichnis");
const QString kGermanConnectionError = QStringLiteral("Problem beim Verbinden mit dem Server");
const QString kGermanNoNewerVersion =
    QStringLiteral("Derzeit befindet sich keine aktuellere Version auf dem Server");

void UseEnglishTexts() {
    DatePrefixText = QStringLiteral("from : ");
    UpdateQuestionText =
        QStringLiteral("Version %f, on the Server you find %f.\rdo you want to upgrade?");
    OpenFailedText = QStringLiteral("ZIP Decompressor can not be started!");
    SaveFilterText = QStringLiteral("Anything (*.*)|*.*");
    CaptionPrefixText = QStringLiteral("Info about ");
    ProgressText = QStringLiteral("%d of %d Bytes downloaded");
    AfterDownloadText = QStringLiteral(
        "Installed version %f\rVersion on the Server %f\rPlease close now this program.\rafter "
        "that pleas unzip the files of the zip archive in the installation folder");
    ConnectionErrorText = QStringLiteral("Error when connecting the server!");
    NoNewerVersionText = QStringLiteral("You have the actual version installed!");
}

QString& UpdateFolderOverride() {
    static QString url;
    return url;
}

QString& ExecutableOverride() {
    static QString path;
    return path;
}

OpenUrlHook& OpenHook() {
    static OpenUrlHook hook;
    return hook;
}

// The version file holds a number and perhaps a line of text; anything
// larger is not one.
constexpr qint64 kMaxVersionFileSize = 64 * 1024;

// Both numbers have two decimals; a difference far below that is only the
// rounding of their binary form.
bool IsNewerVersion(double server, double installed) {
    return server - installed > 1e-6;
}

void RegisterInfoHelp() {
    static const bool registered = [] {
        RegisterHelpTopic(
            kHelpInfoDialog, QStringLiteral("Info"),
            QStringLiteral(
                "<h3>Info about Quenby</h3>"
                "<p>The dialog shows the version of the program and the date of its file. "
                "Give both when you write to us.</p>"
                "<ul>"
                "<li><b>OK</b> closes the dialog.</li>"
                "<li><b>Get new version</b> asks our server for the number of the current "
                "release. When it is higher than yours, the program offers to download the "
                "release archive, lets you choose where to save it and opens it. Close Quenby "
                "before you unpack the archive into the program's folder; the program never "
                "replaces its own files.</li>"
                "<li><b>Visit homepage</b> opens our web site in your browser.</li>"
                "<li><b>Send email</b> starts your mail program with our address.</li>"
                "</ul>"
                "<p>The status bar shows how many bytes of a download have arrived.</p>"));
        return true;
    }();
    Q_UNUSED(registered);
}

}  // namespace

QString DatePrefixText = kGermanDatePrefix;
QString UpdateQuestionText = kGermanUpdateQuestion;
QString OpenFailedText = kGermanOpenFailed;
QString SaveFilterText = kGermanSaveFilter;
QString CaptionPrefixText = kGermanCaptionPrefix;
QString ProgressText = kGermanProgress;
QString AfterDownloadText = kGermanAfterDownload;
QString ConnectionErrorText = kGermanConnectionError;
QString NoNewerVersionText = kGermanNoNewerVersion;

void ResetInfoDialogTexts() {
    DatePrefixText = kGermanDatePrefix;
    UpdateQuestionText = kGermanUpdateQuestion;
    OpenFailedText = kGermanOpenFailed;
    SaveFilterText = kGermanSaveFilter;
    CaptionPrefixText = kGermanCaptionPrefix;
    ProgressText = kGermanProgress;
    AfterDownloadText = kGermanAfterDownload;
    ConnectionErrorText = kGermanConnectionError;
    NoNewerVersionText = kGermanNoNewerVersion;
}

QString FormatDialogText(const QString& pattern, const QList<QVariant>& values) {
    const QString separator = QString::fromStdString(NumberSettings().DecimalSeparator);
    QString out;
    qsizetype next = 0;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        if (c != QLatin1Char('%') || i + 1 >= pattern.size()) {
            out += c;
            continue;
        }
        const QChar kind = pattern[i + 1];
        if (kind == QLatin1Char('%')) {
            out += c;
            ++i;
        } else if (kind == QLatin1Char('f') || kind == QLatin1Char('d')) {
            const QVariant value = next < values.size() ? values[next] : QVariant();
            ++next;
            if (kind == QLatin1Char('f')) {
                QString number = QString::number(value.toDouble(), 'f', 2);
                number.replace(QLatin1Char('.'), separator);
                out += number;
            } else {
                out += QString::number(value.toLongLong());
            }
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

bool ReadServerVersion(const QString& versionFile, double& number) {
    qsizetype end = 0;
    while (end < versionFile.size() &&
           ((versionFile[end] >= QLatin1Char('0') && versionFile[end] <= QLatin1Char('9')) ||
            versionFile[end] == QLatin1Char(','))) {
        ++end;
    }
    const std::string run = versionFile.left(end).toStdString();
    // Our own separator, passed in: the user's number settings stay as they
    // are while the number is read.
    double value = 0.0;
    if (run.empty() || !TextToFloat(run, ",", value)) {
        return false;
    }
    number = value;
    return true;
}

QString ReplaceExtension(const QString& name, const QString& extension) {
    const qsizetype slash = name.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot > slash) {
        return name.left(dot) + extension;
    }
    return name + extension;
}

QString UpdateFolderUrl() {
    if (!UpdateFolderOverride().isEmpty()) {
        return UpdateFolderOverride();
    }
    return QStringLiteral(QUENBY_UPDATE_URL);
}

void SetUpdateFolderUrl(const QString& url) {
    UpdateFolderOverride() = url;
}

QString InfoExecutablePath() {
    if (!ExecutableOverride().isEmpty()) {
        return ExecutableOverride();
    }
    return QFile::decodeName(QByteArray::fromStdString(platform::ExecutablePath()));
}

void SetInfoExecutablePath(const QString& path) {
    ExecutableOverride() = path;
}

void SetOpenUrlHook(OpenUrlHook hook) {
    OpenHook() = std::move(hook);
}

bool OpenWithDesktop(const QUrl& url) {
    if (OpenHook()) {
        return OpenHook()(url);
    }
    return QDesktopServices::openUrl(url);
}

QString MakerSiteUrl() {
    return QStringLiteral(QUENBY_SITE_URL);
}

QString MakerMailAddress() {
    return QStringLiteral(QUENBY_MAIL_ADDRESS);
}

QString MakerMailName() {
    return QStringLiteral(QUENBY_MAIL_NAME);
}

Tinfodialog::Tinfodialog(QWidget* owner)
    : QDialog(owner), m_ui(std::make_unique<Ui::InfoDialog>()), m_http(new THttpClient(this)) {
    InitResources();
    m_ui->setupUi(this);
    Versionlabel = m_ui->versionlabel;
    Datumlabel = m_ui->datumlabel;
    Copyrightlabel = m_ui->copyrightlabel;
    Homepagelabel = m_ui->homepagelabel;
    Okbut = m_ui->okbut;
    Getnewversion = m_ui->getnewversion;
    Homepagebut = m_ui->homepagebut;
    Emailbut = m_ui->emailbut;
    StatusBar = m_ui->StatusBar;
    m_http->setObjectName(QStringLiteral("http"));

    // The layout names Tahoma; where it is missing, a sans-serif face
    // stands in, and the layout is sized from that face.
    setFont(WithSansSerifFallback(font()));
    for (QLabel* label : {Versionlabel, Datumlabel, Copyrightlabel, Homepagelabel}) {
        label->setFont(WithSansSerifFallback(label->font()));
    }
    // Closing it frees it; several may be open, and none keeps the program
    // alive on its own.
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);

    // The hints are German in every language.
    SetHint(Versionlabel, QStringLiteral("Version|Geben Sie diese Informationen bei "
                                         "Kontaktaufnahme an"));
    SetHint(Datumlabel, QStringLiteral("Erstelldatum|Speicherdatum dieser Version"));
    SetHint(Copyrightlabel, QStringLiteral("Urheber|Der Programmierer dieses Programmes"));
    SetHint(Homepagelabel, QStringLiteral("Homepage|Die Homepage mit interessanten Themen"));
    SetHint(Okbut, QStringLiteral("Ok|Schließt diesen Dialog"));
    SetHint(Getnewversion, QStringLiteral("Download|Holt eine neue Version dieses Programmes "
                                          "über das Internet"));
    SetHint(Homepagebut,
            QStringLiteral("Homepage|Ruft den Webbrowser mit der Homepage des Autors auf"));
    SetHint(Emailbut, QStringLiteral("E-Mail|Sztartet ihrMailprogramm zum schreiben einer Mail "
                                     "an den Autor"));
    SetHint(StatusBar, QStringLiteral("Status|Fortschritt des Downloads"));

    RegisterInfoHelp();
    auto* help = new QShortcut(QKeySequence::HelpContents, this);
    connect(help, &QShortcut::activated, this, [this] { ShowHelp(kHelpInfoDialog, this); });

    connect(Okbut, &QPushButton::clicked, this, &Tinfodialog::Okbutclick);
    connect(Getnewversion, &QPushButton::clicked, this, &Tinfodialog::Getnewversionclick);
    connect(Homepagebut, &QPushButton::clicked, this, &Tinfodialog::Homepagebutclick);
    connect(Emailbut, &QPushButton::clicked, this, &Tinfodialog::Emailbutclick);
    connect(m_http, &THttpClient::Work, this, &Tinfodialog::HttpWork);
    connect(&TQuitHolder::Instance(), &TQuitHolder::QuitDeferred, this, [this] {
        if (m_running) {
            m_cancelled = true;
            m_http->Abort();
        }
    });

    ScaleToScreen();
    Okbut->setFocus();
    FormCreate();
}

Tinfodialog::~Tinfodialog() = default;

QStringList Tinfodialog::ImageList1() {
    InitResources();
    return {QStringLiteral(":/images/email.png"), QStringLiteral(":/images/homepage.png"),
            QStringLiteral(":/images/ok.png"), QStringLiteral(":/images/download.png")};
}

void Tinfodialog::ScaleToScreen() {
    const QSize design = size();  // as the layout draws it
    const TDesignScale scale(font());
    ScaleDesignGeometry(this, scale);
    setFixedSize(scale.Size(design));
}

void Tinfodialog::FitToTexts() {
    // The labels' texts are known only now; a longer one (the homepage's
    // address) gets its room and the dialog grows with it. QDialog centres
    // the dialog after this, at its final size.
    const QSize needed = FitTexts(this, size());
    setFixedSize(needed);
    StatusBar->setGeometry(0, needed.height() - StatusBar->height(), needed.width(),
                           StatusBar->height());
}

void Tinfodialog::FormCreate() {
    const QString executable = InfoExecutablePath();
    QString lowered = executable;
    // Only A to Z: the archive on the server is named in plain ASCII.
    for (QChar& c : lowered) {
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) {
            c = QChar(c.unicode() + ('a' - 'A'));
        }
    }
    Zipname = ReplaceExtension(QFileInfo(lowered).fileName(), QStringLiteral(".zip"));
    Homepage = MakerSiteUrl();
    Mailadresse = QStringLiteral("\"%1\" <%2>").arg(MakerMailName(), MakerMailAddress());
    if (GetUserLanguage() != ulGerman) {
        Getnewversion->setText(QStringLiteral("&Get new version"));
        Homepagebut->setText(QStringLiteral("Visit &homepage"));
        Emailbut->setText(QStringLiteral("Send &email"));
        UseEnglishTexts();
    }
}

void Tinfodialog::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}

void Tinfodialog::FormShow() {
    setWindowTitle(CaptionPrefixText + QStringLiteral("Quenby"));
    std::string version;
    if (GetVersionString(version, QFile::encodeName(InfoExecutablePath()).toStdString())) {
        Version = QString::fromStdString(version);
    }
    QString label = QStringLiteral("Version : ") + Version;
    if constexpr (sizeof(void*) == 8) {
        label += QStringLiteral(" (64 Bit)");
    }
    Versionlabel->setText(label);
    Homepagelabel->setText(QStringLiteral("Homepage: ") + Homepage);
    Datumlabel->setText(DatePrefixText + FileDateText());
    FitToTexts();
}

QString Tinfodialog::FileDateText() const {
    const QFileInfo file(InfoExecutablePath());
    QDateTime written = file.lastModified();
    if (!written.isValid()) {
        return QString();
    }
    // A file date has a resolution of two seconds.
    const QTime exact = written.time();
    const QTime time(exact.hour(), exact.minute(), exact.second() & ~1);
    const QDate date = written.date();
    DateTimeValue day = 0.0;
    if (!TryEncodeDate(date.year(), date.month(), date.day(), day)) {
        return QString();
    }
    QString text = QString::fromStdString(RenderDate(day, DateNaming()));
    if (time != QTime(0, 0)) {
        // The long time format without the zone name the system adds to it.
        QString format = QLocale::system().timeFormat(QLocale::LongFormat);
        format.remove(QLatin1Char('t'));
        text += QLatin1Char(' ') + QLocale::system().toString(time, format.trimmed());
    }
    return text;
}

void Tinfodialog::Okbutclick() {
    close();
}

void Tinfodialog::reject() {
    // Escape and every other way out go through closeEvent.
    close();
}

void Tinfodialog::closeEvent(QCloseEvent* event) {
    if (m_running) {
        // Never destroyed under a running request: the request stops, and the
        // dialog closes once the update has returned.
        event->ignore();
        m_closePending = true;
        m_cancelled = true;
        m_http->Abort();
        return;
    }
    event->accept();
}

void Tinfodialog::Homepagebutclick() {
    OpenWithDesktop(QUrl(Homepage));
}

void Tinfodialog::Emailbutclick() {
    OpenWithDesktop(QUrl(QStringLiteral("mailto:") + Mailadresse));
}

void Tinfodialog::HttpWork(qint64 bytesSoFar) {
    StatusBar->showMessage(FormatDialogText(ProgressText, {bytesSoFar, m_filelen}));
    // The client waits in a local event loop, so the windows repaint and
    // answer without more from us.
}

void Tinfodialog::Getnewversionclick() {
    if (m_running) {
        return;  // one update per dialog at a time
    }
    m_running = true;
    m_cancelled = false;
    Getnewversion->setEnabled(false);
    const TQuitHold hold;
    RunUpdate();
    m_running = false;
    Getnewversion->setEnabled(true);
    if (m_closePending) {
        m_closePending = false;
        QTimer::singleShot(0, this, &Tinfodialog::close);
    }
}

void Tinfodialog::RunUpdate() {
    const QString executable = InfoExecutablePath();
    const QUrl versionUrl(UpdateFolderUrl() + ReplaceExtension(Zipname, QStringLiteral(".ver")));
    const auto connectionError = [this] {
        if (!m_cancelled) {
            ShowMessageBox(this,
                           {MessageKind::Information, ConnectionErrorText, QMessageBox::Ok, 0});
        }
    };
    // A server that cannot be reached, or has no readable number, is an
    // error: taken as some version, it would tell the user either that
    // nothing newer exists or that an older release is an upgrade.
    double serverVersion = 0.0;
    qint64 length = -1;
    QString versionFile;
    if (!m_http->Head(versionUrl, length)) {
        connectionError();
        return;
    }
    m_filelen = length;
    if (!m_http->GetText(versionUrl, versionFile, kMaxVersionFileSize) ||
        !ReadServerVersion(versionFile, serverVersion) || m_cancelled) {
        connectionError();
        return;
    }

    double installedVersion = 0.0;
    if (!GetVersionNumber(installedVersion, QFile::encodeName(executable).toStdString())) {
        return;  // no version of our own to compare
    }
    if (!IsNewerVersion(serverVersion, installedVersion)) {
        ShowMessageBox(this, {MessageKind::Information, NoNewerVersionText, QMessageBox::Ok, 0});
        return;
    }
    const QString question =
        FormatDialogText(UpdateQuestionText, {installedVersion, serverVersion});
    if (ShowMessageBox(this, {MessageKind::Confirmation, question,
                              QMessageBox::Yes | QMessageBox::No, 0}) != QMessageBox::Yes ||
        m_cancelled) {
        return;
    }

    const QUrl archiveUrl(UpdateFolderUrl() + Zipname);
    QByteArray archive;
    if (!m_http->Head(archiveUrl, length)) {
        connectionError();
        return;
    }
    m_filelen = length;
    if (!m_http->Get(archiveUrl, archive) || m_cancelled) {
        connectionError();
        return;
    }

    SaveFileRequest request;
    request.Filter = SaveFilterText;
    request.StartFolder = QFileInfo(executable).absolutePath() + QLatin1Char('/');
    request.FileName = ReplaceExtension(executable, QStringLiteral(".zip"));
    request.DefaultSuffix = QStringLiteral("zip");
    const std::optional<QString> chosen = ChooseSaveFile(this, request);
    if (!chosen || m_cancelled) {
        return;  // cancelled, or the application is quitting
    }
    const QString fileName = ReplaceExtension(*chosen, QStringLiteral(".zip"));
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(archive) != archive.size() || !file.flush()) {
        connectionError();
        return;
    }
    file.close();
    if (file.error() != QFileDevice::NoError) {
        connectionError();
        return;
    }

    if (!OpenWithDesktop(QUrl::fromLocalFile(fileName))) {
        ShowMessageBox(this, {MessageKind::Information, OpenFailedText, QMessageBox::Ok, 0});
    }
    ShowMessageBox(this, {MessageKind::Information,
                          FormatDialogText(AfterDownloadText, {installedVersion, serverVersion}),
                          QMessageBox::Ok, 0});
}

Tinfodialog* ShowInfoDialog(QWidget* owner) {
    auto* dialog = new Tinfodialog(owner);
    dialog->Zipname = QStringLiteral("quenby.zip");
    dialog->Homepage = MakerSiteUrl() + QStringLiteral("quenby.shtml");
    dialog->Mailadresse = MakerMailAddress();
    dialog->show();
    return dialog;
}

}  // namespace quenby::gui

#pragma once

#include <QDialog>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariant>
#include <functional>
#include <memory>

class QLabel;
class QPushButton;
class QStatusBar;

namespace Ui {
class InfoDialog;
}

namespace quenby::gui {

class THttpClient;

// Help topic of the info dialog.
inline constexpr int kHelpInfoDialog = 32000;

// The dialog texts, shared by every info dialog: German until the first
// dialog is created on a system whose language is not German, English from
// then on. "\r" ends a line.
extern QString DatePrefixText;
extern QString UpdateQuestionText;
extern QString OpenFailedText;
extern QString SaveFilterText;
extern QString CaptionPrefixText;
extern QString ProgressText;
extern QString AfterDownloadText;
extern QString ConnectionErrorText;
extern QString NoNewerVersionText;

// Back to the German texts; for tests.
void ResetInfoDialogTexts();

// Fills "%f" (two decimals with the user's decimal separator) and "%d" (a
// whole number) in order from `values`; "%%" is one "%".
QString FormatDialogText(const QString& pattern, const QList<QVariant>& values);

// The leading run of "0" to "9" and "," of the version file, read with ","
// as decimal separator. False when the run is empty or no number.
bool ReadServerVersion(const QString& versionFile, double& number);

// `name` with its extension (after the last "." of the file name) replaced
// by `extension` (with its dot); a name without one gets it appended.
QString ReplaceExtension(const QString& name, const QString& extension);

// The download folder of the update server, ending in "/".
QString UpdateFolderUrl();
void SetUpdateFolderUrl(const QString& url);  // empty: the built-in address

// The file the dialog reports on (version, date, archive name); tests point
// it elsewhere, empty restores the running executable.
QString InfoExecutablePath();
void SetInfoExecutablePath(const QString& path);

// Hands a web address, "mailto:" address or file to the desktop. Tests
// replace it; an empty function restores the desktop's handler.
using OpenUrlHook = std::function<bool(const QUrl&)>;
void SetOpenUrlHook(OpenUrlHook hook);
bool OpenWithDesktop(const QUrl& url);

// The maker's addresses, fixed when the program is built.
QString MakerSiteUrl();
QString MakerMailAddress();  // bare: name@host
QString MakerMailName();

// Shows the program's version, file date and homepage, and fetches a newer
// release on request. Modeless; deletes itself when closed.
class Tinfodialog : public QDialog {
    Q_OBJECT
public:
    explicit Tinfodialog(QWidget* owner = nullptr);
    ~Tinfodialog() override;

    QString Version;
    QString Zipname;
    QString Homepage;
    QString Mailadresse;

    // The client of this dialog's requests; tests shorten its limits.
    THttpClient& Http() { return *m_http; }
    bool UpdateRunning() const { return m_running; }
    qint64 Filelen() const { return m_filelen; }

    // Images by index: 0 e-mail, 1 homepage, 2 OK, 3 download.
    static QStringList ImageList1();

    QLabel* Versionlabel;
    QLabel* Datumlabel;
    QLabel* Copyrightlabel;
    QLabel* Homepagelabel;
    QPushButton* Okbut;
    QPushButton* Getnewversion;
    QPushButton* Homepagebut;
    QPushButton* Emailbut;
    QStatusBar* StatusBar;

public slots:
    void Okbutclick();
    void Getnewversionclick();
    void Homepagebutclick();
    void Emailbutclick();
    void HttpWork(qint64 bytesSoFar);
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void FormShow();
    void ScaleToScreen();
    void FitToTexts();
    void RunUpdate();
    QString FileDateText() const;

    std::unique_ptr<Ui::InfoDialog> m_ui;
    THttpClient* m_http;
    qint64 m_filelen = 0;
    bool m_running = false;
    // Set when the dialog or the application was closed during the update:
    // the running request is aborted and the update ends without a box.
    bool m_cancelled = false;
    bool m_closePending = false;
};

// What the main window's "Info" button does: a new modeless dialog owned by
// `owner`, for the archive "quenby.zip" and the bare mail address.
Tinfodialog* ShowInfoDialog(QWidget* owner);

}  // namespace quenby::gui

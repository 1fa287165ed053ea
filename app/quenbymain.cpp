#include "app/quenbymain.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFile>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSessionManager>
#include <QShortcutEvent>
#include <QTimer>
#include <QToolButton>
#include <QWindow>
#include <algorithm>
#include <exception>
#include <mutex>
#include <optional>
#include <string_view>
#include <thread>
#include <utility>

#include "base/stringtable.h"
#include "controls/controlstore.h"
#include "controls/jampathedit.h"
#include "controls/jamshelltree.h"
#include "controls/stdcontrols.h"
#include "gui/designscale.h"
#include "gui/dialogs.h"
#include "gui/hints.h"
#include "gui/resources.h"
#include "gui/sansfont.h"
#include "platform/files/folderexists.h"
#include "settings/appfolders.h"
#include "settings/foldersections.h"
#include "settings/runkeys.h"
#include "sorting/datenaming.h"
#include "sorting/importmemory.h"
#include "system/installer.h"
#include "system/shortcuts.h"
#include "ui_quenbymain.h"
#include "windows/httpclient.h"
#include "windows/infodialog.h"
#include "windows/messagelines.h"
#include "windows/messageswindow.h"
#include "windows/messageview.h"
#include "windows/optionsdialog.h"

namespace quenby::gui {

namespace {

constexpr int kDemoRightGap = 6;
constexpr int kHintMilliseconds = 3000;
// How often the caption follows a run: about as often as a screen shows a
// change, and seldom enough to cost the run nothing.
constexpr int kCaptionMilliseconds = 30;
// Before each failure's reason in the messages, under the line it explains.
constexpr std::string_view kReasonIndent = "    ";

QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Paths go to the file system as the bytes it expects.
std::string ToPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QString ApplicationTitle() {
    return QApplication::applicationName();
}

bool IsEnter(const QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return false;
    }
    const auto* key = static_cast<const QKeyEvent*>(event);
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

// Ctrl+Q, and whatever the desktop's key scheme says quits a program.
QList<QKeySequence> QuitKeys() {
    QList<QKeySequence> keys = QKeySequence::keyBindings(QKeySequence::Quit);
    const QKeySequence control(Qt::CTRL | Qt::Key_Q);
    if (!keys.contains(control)) {
        keys.prepend(control);
    }
    return keys;
}

bool IsQuitKey(QKeyCombination key) {
    return QuitKeys().contains(QKeySequence(key));
}

// What a user can do to a window; a run shuts all of it out while the
// windows go on painting. A middle-click paste comes as mouse buttons, text
// from an input method or a drop has events of its own.
bool IsInput(QEvent::Type type) {
    switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::ContextMenu:
        case QEvent::InputMethod:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::DragLeave:
        case QEvent::Drop:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
        case QEvent::Gesture:
        case QEvent::NativeGesture:
        case QEvent::Close:
            return true;
        default:
            return false;
    }
}

// A failure's reason as the window words it: the command line's, with the
// window's own name for the way out of a name clash.
std::string ReasonText(const quenby::SortProblem& problem) {
    if (problem.What != quenby::SortProblem::Kind::NameTakenByOther) {
        return problem.Text;
    }
    const std::string_view reason = quenby::SortProblem::kNameTakenReason;
    std::string text = problem.Text;
    if (text.ends_with(reason)) {
        text.replace(text.size() - reason.size(), reason.size(), "a different file has this name");
    }
    return text + "; Keep both keeps both";
}

// The latest progress text of a run, handed from its thread to the window's.
class LatestProgress {
public:
    void Set(const std::string& text) {
        const std::lock_guard lock(m_mutex);
        m_text.assign(text);
        m_fresh = true;
    }
    // The text, when it came after the last call.
    std::optional<std::string> Take() {
        const std::lock_guard lock(m_mutex);
        if (!m_fresh) {
            return std::nullopt;
        }
        m_fresh = false;
        return m_text;
    }

private:
    std::mutex m_mutex;
    std::string m_text;
    bool m_fresh = false;
};

}  // namespace

TQuenbyform::TQuenbyform(TMeldungsformular* messages, Clock clock, QWidget* parent)
    : QMainWindow(parent),
      m_ui(std::make_unique<Ui::Quenbyform>()),
      m_messages(messages),
      m_clock(std::move(clock)) {
    InitResources();
    m_ui->setupUi(this);
    GroupBox1 = m_ui->GroupBox1;
    Dirs = m_ui->dirs;
    Optionen = m_ui->optionen;
    Label1 = m_ui->Label1;
    Trennzeichen = m_ui->trennzeichen;
    Dirliste = m_ui->dirliste;
    Maske = m_ui->maske;
    Rootdir = m_ui->rootdir;
    Prefix = m_ui->Prefix;
    Suffix = m_ui->Suffix;
    Deletesource = m_ui->deletesource;
    Useprefix = m_ui->useprefix;
    Usecapturedate = m_ui->usecapturedate;
    Demo = m_ui->Demo;
    Label2 = m_ui->Label2;
    Delbut = m_ui->delbut;
    Anfuegenbut = m_ui->anfuegenbut;
    ShowInfosBut = m_ui->ShowInfosBut;
    Addtodesktop = m_ui->Addtodesktop;
    Execbut = m_ui->execbut;
    ShowMessagesBut = m_ui->ShowMessagesBut;
    Closebutton = m_ui->Closebutton;
    Optionsbut = m_ui->optionsbut;
    Options = new TOptionsDialog(this);
    // Stored under the keys that quenby-sort --settings reads, whatever the
    // layout calls them.
    const auto name = [](QObject* object, std::string_view key) {
        object->setObjectName(QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size())));
    };
    name(this, quenby::runkeys::kSection);
    name(Maske, quenby::runkeys::kMask);
    name(Rootdir, quenby::runkeys::kTarget);
    name(Optionen, quenby::runkeys::kLayout);
    name(Trennzeichen, quenby::runkeys::kSeparator);
    name(Prefix, quenby::runkeys::kPrefix);
    name(Suffix, quenby::runkeys::kSuffix);
    name(Deletesource, quenby::runkeys::kDeleteSources);
    name(Useprefix, quenby::runkeys::kRenameFiles);
    name(Usecapturedate, quenby::runkeys::kCaptureDate);

    Maske->SetLabelText(QStringLiteral("Mask / Filter:"));
    Prefix->SetLabelText(QStringLiteral("Prefix:"));
    Suffix->SetLabelText(QStringLiteral("Suffix:"));
    // Adding the items chose the first; the list starts without a choice.
    Trennzeichen->SetItemIndex(-1);
    Dirliste->setSelectionMode(QAbstractItemView::SingleSelection);

    const QStringList images = ImageList1();
    const std::pair<QPushButton*, int> buttons[] = {
        {Delbut, 0},       {Execbut, 1},      {Anfuegenbut, 2}, {ShowMessagesBut, 3},
        {ShowInfosBut, 4}, {Addtodesktop, 5}, {Closebutton, 6}, {Optionsbut, 7}};
    for (const auto& [button, index] : buttons) {
        button->setIcon(QIcon(images[index]));
        button->setIconSize(QSize(16, 16));
        // Buttons take focus from the keyboard only, as elsewhere on the
        // desktop: a click leaves the focus where the user was typing.
        button->setFocusPolicy(Qt::StrongFocus);
    }
    Execbut->setDefault(true);

    ScaleToScreen();
    SetUpHints();

    connect(Optionen, &TRadioGroup::ItemIndexChanged, this, &TQuenbyform::ShowDemo);
    connect(Trennzeichen, &QComboBox::currentIndexChanged, this, &TQuenbyform::ShowDemo);
    connect(Prefix, &QLineEdit::textChanged, this, &TQuenbyform::ShowDemo);
    connect(Suffix, &QLineEdit::textChanged, this, &TQuenbyform::ShowDemo);
    connect(Dirs, &TJamShellTree::DblClick, this, &TQuenbyform::AnfuegenbutClick);
    connect(Delbut, &QPushButton::clicked, this, &TQuenbyform::DelbutClick);
    connect(Anfuegenbut, &QPushButton::clicked, this, &TQuenbyform::AnfuegenbutClick);
    connect(ShowInfosBut, &QPushButton::clicked, this, &TQuenbyform::ShowInfosButClick);
    connect(Addtodesktop, &QPushButton::clicked, this, &TQuenbyform::AddtodesktopClick);
    connect(Execbut, &QPushButton::clicked, this, &TQuenbyform::ExecbutClick);
    connect(ShowMessagesBut, &QPushButton::clicked, this, &TQuenbyform::ShowMessagesButClick);
    connect(Closebutton, &QPushButton::clicked, this, &TQuenbyform::ClosebuttonClick);
    connect(Optionsbut, &QPushButton::clicked, this, &TQuenbyform::OptionsbutClick);
    // Ctrl+Q closes the window as its close button does (and during a run
    // asks whether to stop it).
    auto* quit = new QAction(this);
    quit->setShortcuts(QuitKeys());
    quit->setShortcutContext(Qt::ApplicationShortcut);
    connect(quit, &QAction::triggered, this, &QWidget::close);
    addAction(quit);
    // The end of the desktop session closes no window, so the settings are
    // written from here then.
    connect(qApp, &QGuiApplication::commitDataRequest, this, &TQuenbyform::CommitData,
            Qt::DirectConnection);

    // Enter in the list and the edits starts the run, as a default button
    // does in a dialog.
    for (QWidget* widget : {static_cast<QWidget*>(Dirliste), static_cast<QWidget*>(Maske),
                            static_cast<QWidget*>(Prefix), static_cast<QWidget*>(Suffix),
                            static_cast<QWidget*>(Rootdir->Edit())}) {
        widget->installEventFilter(this);
    }

    FormCreate();
    // After FormCreate: the date layouts' buttons exist from there on.
    SetUpTabOrder();
}

TQuenbyform::~TQuenbyform() = default;

QStringList TQuenbyform::ImageList1() {
    InitResources();
    return {QStringLiteral(":/images/delete.png"), QStringLiteral(":/images/execute.png"),
            QStringLiteral(":/images/append.png"), QStringLiteral(":/images/messages.png"),
            QStringLiteral(":/images/info.png"),   QStringLiteral(":/images/desktopicon.png"),
            QStringLiteral(":/images/close.png"),  QStringLiteral(":/images/options.png")};
}

void TQuenbyform::SetClock(Clock clock) {
    m_clock = std::move(clock);
}

void TQuenbyform::SetSortRunner(SortRunner runner) {
    m_runner = std::move(runner);
}

void TQuenbyform::ScaleToScreen() {
    // As the layout draws them; the group box is as high as the window.
    m_designClient = size();
    m_designGroup = QSize(GroupBox1->minimumWidth(), m_designClient.height());
    // The layout names Tahoma and Segoe UI; where they are missing, a
    // sans-serif face stands in, and the layout is sized from that face.
    setFont(WithSansSerifFallback(font()));
    Dirs->setFont(WithSansSerifFallback(Dirs->font()));
    const TDesignScale scale(font());
    Dirs->setIndentation(scale.X(23));

    ScaleDesignGeometry(GroupBox1, scale);
    for (TLabeledEdit* edit : {Maske, Prefix, Suffix}) {
        edit->PlaceLabel();
    }
    // The radio buttons need the group's whole width for their captions.
    if (QLayout* items = Optionen->layout()) {
        items->setContentsMargins(scale.X(6), scale.Y(2), scale.X(2), scale.Y(2));
        items->setSpacing(0);
    }
    // The path edit is as high as its font needs.
    Rootdir->resize(Rootdir->width(), Rootdir->sizeHint().height());
    move(scale.X(12), 0);
}

void TQuenbyform::FitToTexts() {
    const TDesignScale scale(font());
    const QSize group = FitTexts(GroupBox1, scale.Size(m_designGroup));
    GroupBox1->setFixedWidth(group.width());
    // The window cannot be made lower than the group needs.
    GroupBox1->setMinimumHeight(group.height());
    // The preview's text changes as the user types: it gets the whole width.
    Demo->resize(group.width() - Demo->x() - scale.X(kDemoRightGap), Demo->height());
    const QSize client(
        scale.X(m_designClient.width()) + group.width() - scale.X(m_designGroup.width()),
        std::max(scale.Y(m_designClient.height()), group.height()));
    resize(client.expandedTo(minimumSizeHint()));
}

void TQuenbyform::SetUpTabOrder() {
    // Tab stops only at widgets that take the focus, so the chain names the
    // date layouts' buttons rather than their group; Tab enters the group at
    // the chosen layout.
    QList<QWidget*> order = {Dirs};
    for (QRadioButton* item : Optionen->findChildren<QRadioButton*>()) {
        order << item;
    }
    order << ShowMessagesBut << ShowInfosBut << Trennzeichen << Maske << Dirliste << Delbut
          << Anfuegenbut << Execbut << Rootdir->Edit() << Rootdir->BrowseButton() << Prefix
          << Suffix << Addtodesktop << Closebutton << Deletesource << Usecapturedate << Useprefix
          << Optionsbut;
    for (qsizetype i = 1; i < order.size(); ++i) {
        QWidget::setTabOrder(order[i - 1], order[i]);
    }
}

void TQuenbyform::SetUpHints() {
    const QStringList images = ImageList1();
    const std::pair<QWidget*, const char*> hints[] = {
        {Dirs, "Source Folder|Select here a Source Folder and click on \"append\""},
        {Optionen, "Date Format|Chose one of the prefined Orders of Parts of a Date"},
        {Trennzeichen, "Separators|Allowed Separators between Day, Month and Year"},
        {Maske,
         "Mask/Filter|Select which Files are copied. Separate multiple Filetr with a semicolon "
         "(;)"},
        {Prefix, "Prefix|First part of the Foldername, left empty if not used"},
        {Suffix, "Suffix|Last part of the Foldername, left empty if not used"},
        {Demo, "Demo|Demonstration how the new Folders will be named."},
        {Dirliste, "Source Folder List|List of directories which contain Files to Copy"},
        {Delbut, "Delete|Delete the selected item form the List of the Source folders"},
        {Anfuegenbut, "Append|Append the selected Dir in the Left Window to the Folderlist|2"},
        {Rootdir,
         "Target Folder|Folder where new Subfolders will be created in the given Datefromat"},
        {ShowInfosBut,
         "Show Info|Show Infos about the Program, contact to the author, get new version|4"},
        {Addtodesktop, "Desktop Icon|add an Icon to the Desktop for a quick Launch of Tavistel|5"},
        {Execbut, "Execute|Start Copy Files and creating Dirs|1"},
        {ShowMessagesBut, "Show Messages|Show the Results of the last Operation|3"},
        {Optionsbut,
         "Options|Preview a run first, read every copy back, keep both files when a name is "
         "taken|7"},
    };
    for (const auto& [widget, hint] : hints) {
        SetHint(widget, QString::fromUtf8(hint), images);
        widget->setToolTipDuration(kHintMilliseconds);
    }
}

void TQuenbyform::FormCreate() {
    if (quenby::GetUserLanguage() == quenby::ulGerman) {
        Optionen->SetItems({QStringLiteral("JJJJ.MM.TT"), QStringLiteral("JJJJ.M.T"),
                            QStringLiteral("TT.MM.JJJJ"), QStringLiteral("T.M.JJJJ")});
        Usecapturedate->setText(QStringLiteral("Aufnahmedatum aus dem Foto verwenden"));
        Optionsbut->setText(QStringLiteral("&Optionen…"));
    } else {
        Optionen->SetItems({QStringLiteral("yyyy/mm/dd"), QStringLiteral("yyyy/m/d"),
                            QStringLiteral("dd/mm/yyyy"), QStringLiteral("d/m/yyyy")});
    }
    Optionen->SetItemIndex(0);
    // The controls get the room their design texts need before the user's
    // own values come in.
    FitToTexts();

    quenby::SourceFolderSettings stored;
    try {
        LoadFormState(this);
        stored = quenby::ReadSourceFolderSettings(quenby::SettingsFilePath());
    } catch (const std::exception& error) {
        // An unreadable settings file leaves the design values; the window
        // still opens, and the next close writes a fresh file.
        ShowMessageBox(
            this, {MessageKind::Error, QString::fromStdString(error.what()), QMessageBox::Ok, 0});
    }
    for (const std::string& folder : stored.SourceFolders) {
        Dirliste->addItem(FromUtf8(folder));
    }
    if (!stored.SelectedFolder.empty() && quenby::platform::FolderExists(stored.SelectedFolder)) {
        Dirs->SetSelectedFolder(FromUtf8(stored.SelectedFolder));
        AnfuegenbutClick();
    }
    ShowDemo();
}

void TQuenbyform::AnfuegenbutClick() {
    const QString folder = Dirs->SelectedFolder();
    // With nothing selected there is nothing to add; an empty entry would
    // make the run scan the current folder.
    if (folder.isEmpty()) {
        return;
    }
    for (int row = 0; row < Dirliste->count(); ++row) {
        if (Dirliste->item(row)->text().compare(folder, Qt::CaseInsensitive) == 0) {
            return;
        }
    }
    Dirliste->addItem(folder);
}

void TQuenbyform::DelbutClick() {
    const int row = Dirliste->ItemIndex();
    if (row < 0) {
        ShowMessageBox(this, {MessageKind::Error,
                              QString::fromStdString(quenby::LoadStr(quenby::kStrNoFolderMarked)),
                              QMessageBox::Ok, 0});
        return;
    }
    delete Dirliste->takeItem(row);
    Dirliste->SetItemIndex(-1);
}

void TQuenbyform::ShowDemo() {
    const int separatorIndex = Trennzeichen->currentIndex();
    if (separatorIndex < 0) {
        return;
    }
    const std::u32string separatorText = Trennzeichen->currentText().toStdU32String();
    const char32_t separator = separatorText.empty() ? U'\0' : separatorText.front();
    const char32_t before = quenby::ApplyDateNaming(Optionen->ItemIndex(), separator);
    const quenby::DateNamingSettings naming = quenby::DateNaming();
    quenby::DateNaming().Separator = before;
    const auto compose = [this, &naming] {
        const quenby::DateTimeValue now =
            m_clock ? m_clock() : QDateTimeToDateTimeValue(QDateTime::currentDateTime());
        return quenby::ComposeDateName(now, Prefix->text().toStdString(),
                                       Suffix->text().toStdString(), naming);
    };
    if (quenby::IsValidFileName(compose())) {
        Demo->setText(QStringLiteral("Demo: ") + FromUtf8(compose()));
    } else {
        Demo->setText(QStringLiteral("Invalid Filenameformat!"));
    }
}

void TQuenbyform::ShowMessagesButClick() {
    if (m_messages) {
        m_messages->show();
        m_messages->raise();
        m_messages->activateWindow();
    }
}

void TQuenbyform::ShowInfosButClick() {
    ShowInfoDialog(this);
}

void TQuenbyform::AddtodesktopClick() {
    try {
        quenby::AddToDesktop();
    } catch (const std::exception& error) {
        ShowMessageBox(
            this, {MessageKind::Error, QString::fromStdString(error.what()), QMessageBox::Ok, 0});
    }
}

void TQuenbyform::ClosebuttonClick() {
    close();
}

void TQuenbyform::OptionsbutClick() {
    // Modal, so that no run starts while the choices are being made.
    Options->open();
}

quenby::SortOptions TQuenbyform::ReadSortOptions() const {
    quenby::SortOptions options;
    for (int row = 0; row < Dirliste->count(); ++row) {
        options.SourceFolders.push_back(ToPath(Dirliste->item(row)->text()));
    }
    options.MaskText = Maske->text().toStdString();
    options.TargetRoot = ToPath(Rootdir->Path());
    options.LayoutIndex = Optionen->ItemIndex();
    options.FallbackDatePattern = quenby::DateNaming().Pattern;
    options.SeparatorIndex = Trennzeichen->currentIndex();
    const std::u32string separatorText = Trennzeichen->currentText().toStdU32String();
    if (!separatorText.empty()) {
        options.SeparatorChar = separatorText.front();
    }
    options.Prefix = Prefix->text().toStdString();
    options.Suffix = Suffix->text().toStdString();
    options.RenameFiles = Useprefix->isChecked();
    options.DeleteSources = Deletesource->isChecked();
    options.DateFrom = Usecapturedate->isChecked() ? quenby::DateSource::CaptureDate
                                                   : quenby::DateSource::LastWriteTime;
    options.VerifyCopies = Options->VerifyCopies->isChecked();
    options.OnNameClash =
        Options->KeepBoth->isChecked() ? quenby::NameClash::KeepBoth : quenby::NameClash::Skip;
    options.OnlyNew = Options->OnlyNew->isChecked();
    return options;
}

void TQuenbyform::ExecbutClick() {
    if (m_running) {
        return;
    }
    const quenby::SortOptions options = ReadSortOptions();
    if (options.SeparatorIndex == -1) {
        MessageBoxRequest request{
            MessageKind::Error,
            FromUtf8(quenby::FormatText(quenby::LoadStr(quenby::kStrBadSeparator),
                                        {Trennzeichen->currentText().toStdString()})),
            QMessageBox::Ok, 0};
        request.Title = QStringLiteral("Fehler");
        ShowMessageBox(nullptr, request);
        return;
    }

    // The chosen layout stays in force for the program's other dates, as
    // after a preview; the run writes with the naming its options carry.
    quenby::DateNaming().Separator =
        quenby::ApplyDateNaming(options.LayoutIndex, options.SeparatorChar);

    if (!Options->Preview->isChecked()) {
        const RunOutcome outcome = RunOnce(options);
        FinishRun(outcome, options.DeleteSources, false);
        return;
    }
    // The preview tells what the run would do, in the same lines, and then
    // the same options run for real if the user says so.
    quenby::SortOptions preview = options;
    preview.DryRun = true;
    const RunOutcome foretold = RunOnce(preview);
    if (m_closeAfterRun || foretold.Stopped || foretold.Counts.Found == 0 ||
        !foretold.Refused.empty()) {
        FinishRun(foretold, false, true);
        return;
    }
    // The lines stay in view under the question, which belongs to them.
    ShowMessagesButClick();
    if (m_messages) {
        // Down to the count at the end.
        QScrollBar* lines = m_messages->Erg->verticalScrollBar();
        lines->setValue(lines->maximum());
    }
    QWidget* asking = m_messages ? static_cast<QWidget*>(m_messages) : this;
    if (ShowMessageBox(asking, CopyNowQuestion()) != QMessageBox::Yes) {
        setWindowTitle(ApplicationTitle());
        return;
    }
    const RunOutcome outcome = RunOnce(options);
    FinishRun(outcome, options.DeleteSources, false);
}

void TQuenbyform::FinishRun(const RunOutcome& outcome, bool deleting, bool preview) {
    // The caption keeps the final count while the box is up.
    if (outcome.Refused.empty()) {
        ShowMessageBox(nullptr, RunSummary(outcome.Counts, outcome.Troubles, deleting, preview));
    } else {
        ShowMessageBox(this, {MessageKind::Error, FromUtf8(outcome.Refused), QMessageBox::Ok, 0});
    }
    setWindowTitle(ApplicationTitle());
    if (m_closeAfterRun) {
        close();
    }
}

TQuenbyform::RunOutcome TQuenbyform::RunOnce(const quenby::SortOptions& options) {
    // The lines go into the view's own form as the run makes them, so that
    // they are kept once; the reason for each failure follows its line,
    // indented, as the command line writes it on its error stream.
    TMessageLines lines;
    quenby::MessageList messages;
    messages.SetRetainLines(false);
    messages.SetListener([&lines](const std::string& line) { lines.Append(line); });
    std::int64_t troubles = 0;
    const quenby::ProblemCallback problems = [&lines,
                                              &troubles](const quenby::SortProblem& problem) {
        lines.Append(std::string(kReasonIndent) + ReasonText(problem));
        troubles += problem.Failed ? 1 : 0;
    };
    quenby::SortCounts counts;
    const SortRunner runner =
        m_runner ? m_runner
                 : SortRunner([](const quenby::SortOptions& options, quenby::MessageList& messages,
                                 const quenby::ProgressCallback& progress,
                                 const quenby::ProblemCallback& problems,
                                 const quenby::StopRequest* stop) {
                       return quenby::SortRun(options, messages, progress, problems, stop);
                   });
    LatestProgress latest;
    const quenby::ProgressCallback progress = [&latest](const quenby::SortProgress& step) {
        latest.Set(step.Text());
    };
    QString shownProgress;
    const auto showProgress = [this, &latest, &shownProgress] {
        if (const std::optional<std::string> text = latest.Take()) {
            shownProgress = FromUtf8(*text);
        }
        setWindowTitle(RunCaption(shownProgress));
    };

    // The run works on its own thread so that the windows keep painting and
    // answering the desktop; meanwhile no window takes input but the
    // requests to stop it, and a request to quit waits for the end of the run.
    m_stop = std::make_unique<quenby::StopRequest>();
    m_runFinished = false;
    m_stopping = false;
    m_closeAsked = false;
    m_closeAfterRun = false;
    m_running = true;
    qApp->installEventFilter(this);
    std::exception_ptr failure;
    {
        const TQuitHold hold;
        const QMetaObject::Connection quit =
            connect(&TQuitHolder::Instance(), &TQuitHolder::QuitDeferred, this,
                    &TQuenbyform::AskToStopAndClose, Qt::QueuedConnection);
        QTimer caption;
        connect(&caption, &QTimer::timeout, this, showProgress);
        caption.start(kCaptionMilliseconds);
        QEventLoop loop;
        connect(this, &TQuenbyform::RunFinished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
        // A question answered after the run's end has nothing left to stop.
        connect(
            this, &TQuenbyform::RunFinished, &loop, [this] { m_runFinished = true; },
            Qt::QueuedConnection);
        std::thread worker([&] {
            try {
                counts = runner(options, messages, progress, problems, m_stop.get());
            } catch (...) {
                failure = std::current_exception();
            }
            emit RunFinished();
        });
        loop.exec();
        worker.join();
        disconnect(quit);
    }
    // The final count, however soon after the last one it came.
    showProgress();
    qApp->removeEventFilter(this);
    m_running = false;

    std::string refused;
    if (failure) {
        try {
            std::rethrow_exception(failure);
        } catch (const quenby::ImportMemoryError& error) {
            // Refused before anything was touched: the last run's lines stay.
            refused = error.what();
        } catch (const std::exception& error) {
            // Not expected: the run swallows the errors of single files.
            messages.Add(error.what());
        }
    }
    if (!refused.empty()) {
        m_stop.reset();
        return {counts, troubles, m_stopping, refused};
    }
    if (options.DryRun) {
        lines.Append(quenby::FormatText(quenby::CountsFormat(true), {counts.Copied, counts.Found}));
    }
    if (m_stopping) {
        lines.Append(std::string("The run was stopped."));
    }
    if (m_messages) {
        m_messages->ReplaceLines(std::move(lines));
    }
    lines.Clear();

    m_stop.reset();
    return {counts, troubles, m_stopping, {}};
}

MessageBoxRequest TQuenbyform::RunSummary(const quenby::SortCounts& counts, std::int64_t troubles,
                                          bool deleting, bool preview) {
    // Troubles make it a warning, with how many there were; the first
    // sentence stays as it always was.
    std::string text =
        quenby::FormatText(quenby::CountsFormat(preview), {counts.Copied, counts.Found});
    if (troubles > 0) {
        text += quenby::FormatText(
            "\nNot copied, not deleted or kept for safety: %d; see Messages for the reasons.",
            {troubles});
    }
    if (troubles > 0 && deleting) {
        text += quenby::FormatText("\nSources deleted: %d.", {counts.Deleted});
    }
    MessageBoxRequest summary{troubles > 0 ? MessageKind::Warning : MessageKind::Information,
                              FromUtf8(text), QMessageBox::Ok, 0};
    summary.Title = QStringLiteral("Informationen");
    return summary;
}

MessageBoxRequest TQuenbyform::StopQuestion() {
    return {MessageKind::Confirmation,
            QStringLiteral("Photos are being sorted. Stop now and close Quenby?"),
            QMessageBox::Yes | QMessageBox::No, 0};
}

MessageBoxRequest TQuenbyform::CopyNowQuestion() {
    return {MessageKind::Confirmation, QStringLiteral("Copy now?"),
            QMessageBox::Yes | QMessageBox::No, 0};
}

void TQuenbyform::StopRun() {
    if (!m_running || !m_stop || m_runFinished) {
        return;
    }
    m_stop->AfterThisFile.store(true);
    m_stop->Now.store(true);
    m_stopping = true;
}

QString TQuenbyform::RunCaption(const QString& progress) const {
    QString caption = ApplicationTitle();
    if (!progress.isEmpty()) {
        caption += QStringLiteral(" : ") + progress;
    }
    if (m_stopping) {
        caption += QStringLiteral(" : stopping");
    }
    return caption;
}

void TQuenbyform::AskToStopAndClose() {
    if (!m_running || m_closeAsked) {
        return;
    }
    m_closeAsked = true;
    if (ShowMessageBox(this, StopQuestion()) == QMessageBox::Yes) {
        m_closeAfterRun = true;
        StopRun();
    }
}

bool TQuenbyform::eventFilter(QObject* watched, QEvent* event) {
    if (m_running) {
        // The question whether to stop takes its answer: a click reaches
        // its window first, then its button.
        if (QWidget* asking = QApplication::activeModalWidget();
            asking != nullptr &&
            (watched == static_cast<QObject*>(asking->windowHandle()) ||
             (watched->isWidgetType() &&
              (watched == asking || asking->isAncestorOf(static_cast<QWidget*>(watched)))))) {
            return false;
        }
        if (!IsInput(event->type())) {
            return false;
        }
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<const QKeyEvent*>(event);
            if (key->key() == Qt::Key_Escape) {
                StopRun();
            } else if (IsQuitKey(key->keyCombination())) {
                QTimer::singleShot(0, this, &TQuenbyform::AskToStopAndClose);
            }
        } else if (event->type() == QEvent::Shortcut &&
                   QuitKeys().contains(static_cast<const QShortcutEvent*>(event)->key())) {
            QTimer::singleShot(0, this, &TQuenbyform::AskToStopAndClose);
        } else if (event->type() == QEvent::Close &&
                   (watched == this || watched == static_cast<QObject*>(windowHandle()))) {
            // Asked once the close event is over, not inside it.
            QTimer::singleShot(0, this, &TQuenbyform::AskToStopAndClose);
        }
        // A close event left accepted would close the window all the same.
        event->ignore();
        return true;
    }
    if (IsEnter(event) && watched != qApp) {
        ExecbutClick();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

bool TQuenbyform::FormClose() {
    try {
        SaveFormState(this);
        std::vector<std::string> folders;
        folders.reserve(static_cast<std::size_t>(Dirliste->count()));
        for (int row = 0; row < Dirliste->count(); ++row) {
            folders.push_back(Dirliste->item(row)->text().toStdString());
        }
        quenby::WriteSourceFolderSettings(quenby::SettingsFilePath(), folders,
                                          Dirs->SelectedFolder().toStdString());
    } catch (const std::exception& error) {
        ShowMessageBox(
            this, {MessageKind::Error, QString::fromStdString(error.what()), QMessageBox::Ok, 0});
        return false;
    }
    return true;
}

void TQuenbyform::closeEvent(QCloseEvent* event) {
    if (m_running || !FormClose()) {
        event->ignore();
        return;
    }
    event->accept();
}

void TQuenbyform::CommitData(QSessionManager& manager) {
    // The session ends: a run stops after the file it is at, and the
    // settings are written as at any close.
    StopRun();
    if (!FormClose()) {
        manager.cancel();
    }
}

}  // namespace quenby::gui

#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "base/datetime.h"
#include "gui/dialogs.h"
#include "sorting/sortrun.h"

class QCloseEvent;
class QGroupBox;
class QLabel;
class QPushButton;
class QSessionManager;

namespace Ui {
class Quenbyform;
}

namespace quenby::gui {

class TCheckBox;
class TComboBox;
class TJamPathEdit;
class TJamShellTree;
class TLabeledEdit;
class TListBox;
class TMeldungsformular;
class TOptionsDialog;
class TRadioGroup;

// The main window: source folders picked from the folder tree, the target,
// the shape of the date folders' names, and the buttons that run the sort.
// Its controls are stored in the settings file under their object names.
class TQuenbyform : public QMainWindow {
    Q_OBJECT
public:
    // "Now" of the naming preview; the real clock when empty.
    using Clock = std::function<quenby::DateTimeValue()>;

    // `messages` receives the lines of each sort run; it may be null. The
    // clock serves the preview from the first one on, at creation.
    explicit TQuenbyform(TMeldungsformular* messages = nullptr, Clock clock = {},
                         QWidget* parent = nullptr);
    ~TQuenbyform() override;

    void SetMessagesWindow(TMeldungsformular* messages) { m_messages = messages; }
    void SetClock(Clock clock);

    // The sort run behind Execute, with the contract quenby-sort runs it
    // by; SortRun when empty. It runs on a worker thread, so it must not
    // touch any widget.
    using SortRunner = std::function<quenby::SortCounts(
        const quenby::SortOptions&, quenby::MessageList&, const quenby::ProgressCallback&,
        const quenby::ProblemCallback&, const quenby::StopRequest*)>;
    void SetSortRunner(SortRunner runner);

    // Ends a run after the file it is at, giving up a copy under way at
    // once, as Escape does; nothing while no run works.
    void StopRun();

    // The box at a run's end: the copies counted, and with troubles how
    // many there were (and, deleting, how many sources went).
    // A preview's box counts what would be copied.
    static MessageBoxRequest RunSummary(const quenby::SortCounts& counts, std::int64_t troubles,
                                        bool deleting, bool preview);
    // The question a close or quit during a run asks.
    static MessageBoxRequest StopQuestion();
    // The question after a preview.
    static MessageBoxRequest CopyNowQuestion();

    // The run's inputs as the controls hold them.
    quenby::SortOptions ReadSortOptions() const;

    // True while a sort run works; the windows then take no input.
    bool Running() const { return m_running; }

    // The images of the buttons and hints by index: 0 delete, 1 execute,
    // 2 append, 3 messages, 4 info, 5 desktop icon, 6 close, 7 options.
    static QStringList ImageList1();

    QGroupBox* GroupBox1;
    TJamShellTree* Dirs;
    TRadioGroup* Optionen;
    QLabel* Label1;
    TComboBox* Trennzeichen;
    TListBox* Dirliste;
    TLabeledEdit* Maske;
    TJamPathEdit* Rootdir;
    TLabeledEdit* Prefix;
    TLabeledEdit* Suffix;
    TCheckBox* Deletesource;
    TCheckBox* Useprefix;
    // Each file's day from the moment stored in it rather than its last write.
    TCheckBox* Usecapturedate;
    QLabel* Demo;
    QLabel* Label2;
    QPushButton* Delbut;
    QPushButton* Anfuegenbut;
    QPushButton* ShowInfosBut;
    QPushButton* Addtodesktop;
    QPushButton* Execbut;
    QPushButton* ShowMessagesBut;
    QPushButton* Closebutton;
    QPushButton* Optionsbut;
    // Owned for the window's life: its check boxes are stored with the rest.
    TOptionsDialog* Options;

public slots:
    void AnfuegenbutClick();
    void DelbutClick();
    void ShowDemo();
    void ShowMessagesButClick();
    // Opens a new modeless info dialog owned by this window, one per press.
    void ShowInfosButClick();
    void AddtodesktopClick();
    void ClosebuttonClick();
    void OptionsbutClick();
    void ExecbutClick();

signals:
    // From the worker thread; delivered queued on the window's thread.
    void RunFinished();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    // Saves everything; false (after the error box) when a write failed.
    bool FormClose();
    void ScaleToScreen();
    void FitToTexts();
    void SetUpTabOrder();
    void SetUpHints();
    void CommitData(QSessionManager& manager);

    std::unique_ptr<Ui::Quenbyform> m_ui;
    // The client area and the group box as the layout draws them.
    QSize m_designClient;
    QSize m_designGroup;
    QPointer<TMeldungsformular> m_messages;
    Clock m_clock;
    // What one run left for the box at its end.
    struct RunOutcome {
        quenby::SortCounts Counts;
        std::int64_t Troubles = 0;
        bool Stopped = false;
        // Why the run would not start (the memory of imported photos).
        std::string Refused;
    };
    // Runs once on a worker thread while the windows go on painting; the
    // messages window then holds the run's lines.
    RunOutcome RunOnce(const quenby::SortOptions& options);
    // The box at the end, then the close that was asked for meanwhile.
    void FinishRun(const RunOutcome& outcome, bool deleting, bool preview);
    // A close or quit during a run asks, once, whether to stop it first.
    void AskToStopAndClose();
    QString RunCaption(const QString& progress) const;

    SortRunner m_runner;
    bool m_running = false;
    // The running run's stop request, and what was asked of it.
    std::unique_ptr<quenby::StopRequest> m_stop;
    bool m_runFinished = false;
    bool m_stopping = false;
    bool m_closeAsked = false;
    bool m_closeAfterRun = false;
};

}  // namespace quenby::gui

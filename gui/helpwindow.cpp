#include "gui/helpwindow.h"

#include <QApplication>
#include <QHash>
#include <QPointer>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "gui/designscale.h"

namespace quenby::gui {
namespace {

// At 120 dpi for Tahoma 8 pt, as the other windows.
constexpr int kDesignWidth = 480;
constexpr int kDesignHeight = 360;

struct HelpTopic {
    QString Title;
    QString Html;
};

QHash<int, HelpTopic>& Topics() {
    static QHash<int, HelpTopic> topics = {
        {kHelpMessagesWindow,
         {QStringLiteral("Messages"),
          QStringLiteral(
              "<h3>Messages</h3>"
              "<p>This window lists what the last sort run did, one line per step: the folders "
              "it created, the files it copied, the files it left alone because a copy "
              "already existed, the files it could not copy and the sources it deleted. Each "
              "run replaces the lines of the one before.</p>"
              "<ul>"
              "<li><b>File &gt; Save Messages</b> (Ctrl+S) writes all lines into a file in "
              "rich-text form, which word processors open.</li>"
              "<li><b>File &gt; Close</b> (Ctrl+F4) hides the window; its lines stay until the "
              "next run.</li>"
              "<li><b>Action &gt; Copy to Clipboard</b> (Ctrl+V) copies the marked text. "
              "Ctrl+C copies it as well, without the confirmation.</li>"
              "<li><b>Action &gt; Clear Text</b> removes all lines.</li>"
              "</ul>")}},
    };
    return topics;
}

QPointer<THelpWindow>& Instance() {
    static QPointer<THelpWindow> window;
    return window;
}

}  // namespace

THelpWindow::THelpWindow(QWidget* parent)
    : QWidget(parent, Qt::Window), m_view(new QTextBrowser(this)) {
    setObjectName(QStringLiteral("HelpWindow"));
    // Help never keeps the application alive on its own.
    setAttribute(Qt::WA_QuitOnClose, false);
    m_view->setObjectName(QStringLiteral("helptext"));
    m_view->setOpenExternalLinks(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    resize(TDesignScale(font()).Size({kDesignWidth, kDesignHeight}));
}

void THelpWindow::ShowTopic(int topic) {
    m_topic = topic;
    const auto found = Topics().constFind(topic);
    if (found == Topics().constEnd()) {
        setWindowTitle(QStringLiteral("Help"));
        m_view->setHtml(QStringLiteral("<p>There is no help for topic %1.</p>").arg(topic));
    } else {
        setWindowTitle(QStringLiteral("Help: ") + found->Title);
        m_view->setHtml(found->Html);
    }
    show();
    raise();
    activateWindow();
}

QString THelpWindow::Text() const {
    return m_view->toPlainText();
}

void RegisterHelpTopic(int topic, const QString& title, const QString& html) {
    Topics().insert(topic, HelpTopic{title, html});
}

void ShowHelp(int topic, QWidget* requester) {
    Q_UNUSED(requester);
    // While a modal box runs, every other window is blocked; the help window
    // is usable then only as a window of that box (and goes with it).
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == Instance().data()) {
        modal = nullptr;
    }
    if (Instance().isNull()) {
        Instance() = new THelpWindow(modal);
        if (auto* app = QCoreApplication::instance()) {
            QObject::connect(app, &QCoreApplication::aboutToQuit, app, &DeleteHelpWindow);
        }
    } else if (Instance()->parentWidget() != modal) {
        Instance()->setParent(modal, Qt::Window);
    }
    Instance()->ShowTopic(topic);
}

THelpWindow* HelpWindow() {
    return Instance().data();
}

void DeleteHelpWindow() {
    delete Instance().data();
}

}  // namespace quenby::gui

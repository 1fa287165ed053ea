#pragma once

#include <QString>
#include <QWidget>

class QTextBrowser;

namespace quenby::gui {

// Help topics asked for by number.
inline constexpr int kHelpMessagesWindow = 400;

// There is no help file: each topic is a short text of our own, shown in
// one small window that every request reuses.
class THelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit THelpWindow(QWidget* parent = nullptr);

    void ShowTopic(int topic);
    int Topic() const { return m_topic; }
    QString Text() const;

private:
    QTextBrowser* m_view;
    int m_topic = 0;
};

// Title and HTML text of a topic; later windows add theirs.
void RegisterHelpTopic(int topic, const QString& title, const QString& html);

// Shows the help window with the topic, creating it on first use.
void ShowHelp(int topic, QWidget* requester = nullptr);

// The help window, if one was created.
THelpWindow* HelpWindow();

// Destroys the help window; the application calls this before it ends.
void DeleteHelpWindow();

}  // namespace quenby::gui

#pragma once

#include <QFrame>
#include <QString>

class QLineEdit;
class QToolButton;
namespace quenby::gui {

// A folder path: an edit with a browse button that opens a folder chooser.
// The edit inside is part of this control, not a control of its own, so it
// is a plain QLineEdit.
class TJamPathEdit : public QFrame {
    Q_OBJECT
    Q_PROPERTY(QString Path READ Path WRITE SetPath NOTIFY PathChanged)
public:
    explicit TJamPathEdit(QWidget* parent = nullptr);

    // Whatever the edit holds, checked or not.
    QString Path() const;
    void SetPath(const QString& path);

    QLineEdit* Edit() const { return m_edit; }
    QToolButton* BrowseButton() const { return m_browse; }

signals:
    void PathChanged(const QString& path);

private:
    void Browse();

    QLineEdit* m_edit;
    QToolButton* m_browse;
};

}  // namespace quenby::gui

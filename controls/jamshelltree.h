#pragma once

#include <QString>
#include <QTreeView>

class QFileSystemModel;
namespace quenby::gui {

// The computer's folders from the file-system root down, mounted media
// included; folders only, hidden folders left out as the desktop does. The
// model reads each folder in the background when it is first opened, so a
// huge tree costs nothing until the user goes there.
class TJamShellTree : public QTreeView {
    Q_OBJECT
    Q_PROPERTY(QString SelectedFolder READ SelectedFolder WRITE SetSelectedFolder)
public:
    explicit TJamShellTree(QWidget* parent = nullptr);

    // The selected folder's path, or "" when nothing is selected.
    QString SelectedFolder() const;
    // Opens the tree down to the folder and selects it. A path that is no
    // folder leaves the selection as it is.
    void SetSelectedFolder(const QString& path);

    QFileSystemModel* Model() const { return m_model; }

signals:
    void DblClick();

protected:
    bool viewportEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void KeepPendingInView();

    QFileSystemModel* m_model;
    // The folder last written is kept in view while the rows around it still
    // arrive and get sorted, until the user takes over.
    bool m_keepInView = false;
    bool m_scrollQueued = false;
};

}  // namespace quenby::gui

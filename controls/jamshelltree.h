#pragma once

#include <QSocketNotifier>
#include <QString>
#include <QTreeView>

#include "platform/files/mounts.h"

class QFileSystemModel;
namespace quenby::gui {

class TFolderRootsModel;

// The computer's folders, folders only, hidden folders left out as the
// desktop does. At the top: the home folder, each mounted removable drive
// and the file-system root, as a file manager shows them; a drive shows as
// soon as it is mounted and goes when it is unmounted. On Windows the drives
// themselves are at the top. The model reads each folder in the background
// when it is first opened, so a huge tree costs nothing until the user goes
// there.
class TJamShellTree : public QTreeView {
    Q_OBJECT
    Q_PROPERTY(QString SelectedFolder READ SelectedFolder WRITE SetSelectedFolder)
public:
    explicit TJamShellTree(QWidget* parent = nullptr);
    // Looks for drives in `media` instead of the desktop's media folders.
    TJamShellTree(QWidget* parent, platform::MediaFolders media);

    // The selected folder's path, or "" when nothing is selected.
    QString SelectedFolder() const;
    // Opens the tree down to the folder and selects it. A path that is no
    // folder leaves the selection as it is.
    void SetSelectedFolder(const QString& path);
    // The folder's row below the deepest top-level row that holds it;
    // invalid for a path that is no folder.
    QModelIndex IndexOf(const QString& path) const;

    // The file model that the rows show.
    QFileSystemModel* Model() const { return m_model; }

signals:
    void DblClick();

protected:
    bool viewportEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void ShowDrives();
    QModelIndex FileIndex(const QModelIndex& row) const;
    void KeepPendingInView();

    QFileSystemModel* m_model;
    // Null where each drive is a root of its own.
    TFolderRootsModel* m_roots = nullptr;
    platform::MediaFolders m_media;
    platform::MountTableWatch m_mountTable;
    QSocketNotifier m_mountChanges{QSocketNotifier::Exception};
    // The folder last written is kept in view while the rows around it still
    // arrive and get sorted, until the user takes over.
    bool m_keepInView = false;
    bool m_scrollQueued = false;
};

}  // namespace quenby::gui

#include "controls/jamshelltree.h"

#include <QAbstractFileIconProvider>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>

#include "controls/folderrootsmodel.h"

namespace quenby::gui {

namespace {

// What a file manager calls a top-level folder: its name, or "/" for the
// root.
QString NameOf(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    return name.isEmpty() ? path : name;
}

}  // namespace

TJamShellTree::TJamShellTree(QWidget* parent)
    : TJamShellTree(parent, platform::DesktopMediaFolders()) {}

TJamShellTree::TJamShellTree(QWidget* parent, platform::MediaFolders media)
    : QTreeView(parent), m_model(new QFileSystemModel(this)), m_media(std::move(media)) {
    m_model->setFilter(QDir::AllDirs | QDir::Drives | QDir::NoDotAndDotDot);
    m_model->setReadOnly(true);
    m_model->setRootPath(QDir::rootPath());
    QAbstractItemModel* shown = m_model;
    // Windows gives each drive a root of its own, and the file model lists
    // them at its top. Below the one root "/" the drives hide in folders, so
    // they are brought to the top, beside the home folder.
    if (QDir::drives().size() == 1) {
        m_roots = new TFolderRootsModel(m_model, this);
        shown = m_roots;
        ShowDrives();
        if (m_mountTable.Descriptor() >= 0) {
            m_mountChanges.setSocket(m_mountTable.Descriptor());
            m_mountChanges.setEnabled(true);
            connect(&m_mountChanges, &QSocketNotifier::activated, this, &TJamShellTree::ShowDrives);
        }
    }
    setModel(shown);
    // Name only: size, type and date say nothing about a folder here.
    for (int column = 1; column < shown->columnCount(); ++column) {
        hideColumn(column);
    }
    header()->hide();
    setSortingEnabled(true);
    sortByColumn(0, Qt::AscendingOrder);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformRowHeights(true);
    connect(this, &QTreeView::doubleClicked, this, [this] { emit DblClick(); });
    // New rows and the sort that follows them move the written folder away.
    connect(shown, &QAbstractItemModel::rowsInserted, this, &TJamShellTree::KeepPendingInView);
    connect(shown, &QAbstractItemModel::layoutChanged, this, &TJamShellTree::KeepPendingInView);
    connect(verticalScrollBar(), &QScrollBar::sliderPressed, this,
            [this] { m_keepInView = false; });
}

QString TJamShellTree::SelectedFolder() const {
    const QModelIndex current = currentIndex();
    if (!current.isValid() || !selectionModel()->isSelected(current)) {
        return {};
    }
    return QDir::toNativeSeparators(m_model->filePath(FileIndex(current)));
}

void TJamShellTree::SetSelectedFolder(const QString& path) {
    const QModelIndex index = IndexOf(path);
    if (!index.isValid()) {
        return;
    }
    for (QModelIndex parent = index.parent(); parent.isValid(); parent = parent.parent()) {
        expand(parent);
    }
    setCurrentIndex(index);
    selectionModel()->select(index, QItemSelectionModel::ClearAndSelect);
    scrollTo(index);
    m_keepInView = true;
}

QModelIndex TJamShellTree::IndexOf(const QString& path) const {
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isDir()) {
        return {};
    }
    // index() builds the nodes down to the folder at once; the rows of
    // their siblings arrive later from the model's background reader.
    const QModelIndex file = m_model->index(QDir::cleanPath(info.absoluteFilePath()));
    return m_roots != nullptr ? m_roots->mapFromSource(file) : file;
}

QModelIndex TJamShellTree::FileIndex(const QModelIndex& row) const {
    return m_roots != nullptr ? m_roots->mapToSource(row) : row;
}

// Runs again after each mount and unmount. Only the mount table and the
// list of gvfs mounts are read, never what a drive holds, so a slow card
// cannot hold the window up.
void TJamShellTree::ShowDrives() {
    const QAbstractFileIconProvider* icons = m_model->iconProvider();
    const QIcon driveIcon = QIcon::fromTheme(QStringLiteral("drive-removable-media"),
                                             icons->icon(QAbstractFileIconProvider::Drive));
    // The kernel lists mount points with their links resolved.
    QStringList parents;
    for (const std::string& parent : m_media.MountParents) {
        const QString path = QString::fromStdString(parent);
        const QString resolved = QFileInfo(path).canonicalFilePath();
        parents << (resolved.isEmpty() ? QDir::cleanPath(path) : resolved);
    }
    QList<TFolderRoot> drives;
    for (const std::string& point : platform::MountPoints()) {
        const QString path = QString::fromStdString(point);
        if (parents.contains(QFileInfo(path).path())) {
            drives.append({path, NameOf(path), driveIcon});
        }
    }
    if (!m_media.EntryParent.empty()) {
        const QDir gvfs(QString::fromStdString(m_media.EntryParent));
        for (const QFileInfo& entry : gvfs.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            drives.append({entry.absoluteFilePath(), entry.fileName(), driveIcon});
        }
    }
    std::sort(drives.begin(), drives.end(), [](const TFolderRoot& a, const TFolderRoot& b) {
        return QString::localeAwareCompare(a.Name, b.Name) < 0;
    });
    const QString home = QDir::cleanPath(QDir::homePath());
    QList<TFolderRoot> roots = {{home, NameOf(home),
                                 QIcon::fromTheme(QStringLiteral("user-home"),
                                                  icons->icon(QAbstractFileIconProvider::Folder))}};
    roots.append(drives);
    roots.append({QDir::rootPath(), QDir::rootPath(),
                  QIcon::fromTheme(QStringLiteral("drive-harddisk"),
                                   icons->icon(QAbstractFileIconProvider::Drive))});
    m_roots->SetRoots(roots);
}

void TJamShellTree::KeepPendingInView() {
    if (!m_keepInView || m_scrollQueued) {
        return;
    }
    // Once per burst of model changes, after the view has taken them in.
    m_scrollQueued = true;
    QTimer::singleShot(0, this, [this] {
        m_scrollQueued = false;
        if (m_keepInView && currentIndex().isValid()) {
            scrollTo(currentIndex());
        }
    });
}

bool TJamShellTree::viewportEvent(QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::Wheel:
            m_keepInView = false;
            break;
        default:
            break;
    }
    return QTreeView::viewportEvent(event);
}

void TJamShellTree::keyPressEvent(QKeyEvent* event) {
    m_keepInView = false;
    QTreeView::keyPressEvent(event);
}

}  // namespace quenby::gui

#include "controls/jamshelltree.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>

TJamShellTree::TJamShellTree(QWidget* parent)
    : QTreeView(parent), m_model(new QFileSystemModel(this)) {
    m_model->setFilter(QDir::AllDirs | QDir::Drives | QDir::NoDotAndDotDot);
    m_model->setReadOnly(true);
    m_model->setRootPath(QDir::rootPath());
    setModel(m_model);
    // Name only: size, type and date say nothing about a folder here.
    for (int column = 1; column < m_model->columnCount(); ++column) {
        hideColumn(column);
    }
    header()->hide();
    setSortingEnabled(true);
    sortByColumn(0, Qt::AscendingOrder);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformRowHeights(true);
    connect(this, &QTreeView::doubleClicked, this, [this] { emit DblClick(); });
    connect(m_model, &QFileSystemModel::directoryLoaded, this, &TJamShellTree::KeepPendingInView);
    // Once the user picks a folder, an earlier written one no longer matters.
    connect(this, &QTreeView::clicked, this, [this] { m_pending.clear(); });
}

QString TJamShellTree::SelectedFolder() const {
    const QModelIndex current = currentIndex();
    if (!current.isValid() || !selectionModel()->isSelected(current)) {
        return {};
    }
    return QDir::toNativeSeparators(m_model->filePath(current));
}

void TJamShellTree::SetSelectedFolder(const QString& path) {
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isDir()) {
        return;
    }
    const QString folder = QDir::cleanPath(info.absoluteFilePath());
    // index() builds the nodes down to the folder at once; the rows of
    // their siblings arrive later from the model's background reader.
    const QModelIndex index = m_model->index(folder);
    if (!index.isValid()) {
        return;
    }
    for (QModelIndex parent = index.parent(); parent.isValid(); parent = parent.parent()) {
        expand(parent);
    }
    setCurrentIndex(index);
    selectionModel()->select(index, QItemSelectionModel::ClearAndSelect);
    scrollTo(index);
    m_pending = folder;
}

void TJamShellTree::KeepPendingInView(const QString& loadedFolder) {
    if (m_pending.isEmpty()) {
        return;
    }
    const QString loaded = QDir::cleanPath(loadedFolder);
    const bool isAncestor = loaded == QDir::rootPath() ||
                            m_pending.startsWith(loaded + QLatin1Char('/')) || m_pending == loaded;
    if (!isAncestor) {
        return;
    }
    // Rows that arrived above the folder pushed it away; bring it back.
    const QModelIndex index = m_model->index(m_pending);
    if (index.isValid() && index == currentIndex()) {
        scrollTo(index);
    }
}

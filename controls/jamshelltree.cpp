#include "controls/jamshelltree.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTimer>

namespace quenby::gui {

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
    // New rows and the sort that follows them move the written folder away.
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &TJamShellTree::KeepPendingInView);
    connect(m_model, &QAbstractItemModel::layoutChanged, this, &TJamShellTree::KeepPendingInView);
    connect(verticalScrollBar(), &QScrollBar::sliderPressed, this,
            [this] { m_keepInView = false; });
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
    m_keepInView = true;
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

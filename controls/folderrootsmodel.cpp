#include "controls/folderrootsmodel.h"

#include <QFileSystemModel>
#include <algorithm>

namespace quenby::gui {
namespace {

// Whether the index is one of the rows first..last below parent, or lies
// below one of them.
bool Within(const QModelIndex& index, const QModelIndex& parent, int first, int last) {
    for (QModelIndex at = index; at.isValid(); at = at.parent()) {
        if (at.row() >= first && at.row() <= last && at.parent() == parent) {
            return true;
        }
    }
    return false;
}

}  // namespace

TFolderRootsModel::TFolderRootsModel(QFileSystemModel* files, QObject* parent)
    : QAbstractProxyModel(parent), m_files(files) {
    setSourceModel(files);
    connect(files, &QAbstractItemModel::rowsInserted, this, &TFolderRootsModel::OnRowsInserted);
    connect(files, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            &TFolderRootsModel::OnRowsAboutToBeRemoved);
    connect(files, &QAbstractItemModel::rowsRemoved, this, [this] {
        if (!m_removalMasks.empty()) {
            m_masks.erase(m_masks.end() - static_cast<std::ptrdiff_t>(m_removalMasks.back()),
                          m_masks.end());
            m_removalMasks.pop_back();
        }
        DropLostBranches();
    });
    connect(files, &QAbstractItemModel::dataChanged, this, &TFolderRootsModel::OnDataChanged);
    connect(files, &QAbstractItemModel::layoutAboutToBeChanged, this,
            &TFolderRootsModel::OnLayoutAboutToBeChanged);
    connect(files, &QAbstractItemModel::layoutChanged, this, &TFolderRootsModel::OnLayoutChanged);
    connect(files, &QAbstractItemModel::modelAboutToBeReset, this, [this] { beginResetModel(); });
    connect(files, &QAbstractItemModel::modelReset, this, &TFolderRootsModel::OnModelReset);
}

TFolderRootsModel::~TFolderRootsModel() = default;

void TFolderRootsModel::SetRoots(const QList<TFolderRoot>& roots) {
    // The roots that stay are those found again in the same order.
    std::vector<bool> keep(m_roots.size(), false);
    qsizetype next = 0;
    for (std::size_t i = 0; i < m_roots.size(); ++i) {
        for (qsizetype j = next; j < roots.size() && m_roots[i]->Source.isValid(); ++j) {
            if (roots[j].Path == m_roots[i]->Shown.Path) {
                keep[i] = true;
                next = j + 1;
                break;
            }
        }
    }
    for (int row = static_cast<int>(m_roots.size()) - 1; row >= 0; --row) {
        if (keep[static_cast<std::size_t>(row)]) {
            continue;
        }
        beginRemoveRows({}, row, row);
        const std::unique_ptr<Root> gone = std::move(m_roots[static_cast<std::size_t>(row)]);
        m_roots.erase(m_roots.begin() + row);
        endRemoveRows();
        std::erase_if(m_branches,
                      [&](const auto& branch) { return branch.first.first == gone.get(); });
    }
    std::size_t row = 0;
    for (qsizetype j = 0; j < roots.size(); ++j) {
        if (row < m_roots.size() && m_roots[row]->Shown.Path == roots[j].Path) {
            ++row;
            continue;
        }
        const auto samePath = [&](const TFolderRoot& root) { return root.Path == roots[j].Path; };
        if (std::any_of(roots.begin(), roots.begin() + j, samePath)) {
            continue;
        }
        // Finding the folder adds the folders above it to the file model,
        // which is passed on below the other roots before this row comes.
        const QModelIndex source = m_files->index(roots[j].Path);
        if (!source.isValid()) {
            continue;
        }
        beginInsertRows({}, static_cast<int>(row), static_cast<int>(row));
        m_roots.insert(m_roots.begin() + static_cast<std::ptrdiff_t>(row),
                       std::make_unique<Root>(Root{roots[j], source}));
        endInsertRows();
        ++row;
    }
}

QModelIndex TFolderRootsModel::mapFromSource(const QModelIndex& source) const {
    for (QModelIndex above = source.siblingAtColumn(0); above.isValid(); above = above.parent()) {
        for (const std::unique_ptr<Root>& root : m_roots) {
            if (root->Source == above) {
                return Place(root.get(), source);
            }
        }
    }
    return {};
}

QModelIndex TFolderRootsModel::mapToSource(const QModelIndex& proxy) const {
    if (!proxy.isValid()) {
        return {};
    }
    if (proxy.internalPointer() == nullptr) {
        const QModelIndex folder = m_roots[static_cast<std::size_t>(proxy.row())]->Source;
        return folder.isValid() ? folder.siblingAtColumn(proxy.column()) : QModelIndex();
    }
    const auto* branch = static_cast<const Branch*>(proxy.internalPointer());
    if (!branch->Source.isValid()) {
        return {};
    }
    return m_files->index(SourceRow(branch->Under, branch->Source, proxy.row()), proxy.column(),
                          branch->Source);
}

QModelIndex TFolderRootsModel::index(int row, int column, const QModelIndex& parent) const {
    if (row < 0 || column < 0 || row >= rowCount(parent) || column >= columnCount(parent)) {
        return {};
    }
    if (!parent.isValid()) {
        return createIndex(row, column, nullptr);
    }
    return createIndex(row, column, BranchFor(RootOf(parent), mapToSource(parent)));
}

QModelIndex TFolderRootsModel::parent(const QModelIndex& child) const {
    if (!child.isValid() || child.internalPointer() == nullptr) {
        return {};
    }
    const auto* branch = static_cast<const Branch*>(child.internalPointer());
    if (branch->Source == branch->Under->Source) {
        return createIndex(RowOf(branch->Under), 0, nullptr);
    }
    const QModelIndex folder = branch->Source;
    const QModelIndex above = folder.parent();
    return createIndex(ShownRow(branch->Under, above, folder.row()), 0,
                       BranchFor(branch->Under, above));
}

QModelIndex TFolderRootsModel::sibling(int row, int column, const QModelIndex& index) const {
    return this->index(row, column, index.parent());
}

QModelIndex TFolderRootsModel::buddy(const QModelIndex& index) const {
    return index;
}

int TFolderRootsModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid()) {
        return static_cast<int>(m_roots.size());
    }
    const QModelIndex folder = mapToSource(parent);
    if (!folder.isValid()) {
        return 0;
    }
    const Mask* mask = MaskOf(RootOf(parent), folder);
    return m_files->rowCount(folder) - (mask != nullptr ? mask->Count : 0);
}

int TFolderRootsModel::columnCount(const QModelIndex& parent) const {
    return m_files->columnCount(mapToSource(parent));
}

bool TFolderRootsModel::hasChildren(const QModelIndex& parent) const {
    if (!parent.isValid()) {
        return !m_roots.empty();
    }
    const QModelIndex folder = mapToSource(parent);
    if (folder.isValid() && MaskOf(RootOf(parent), folder) != nullptr) {
        return rowCount(parent) > 0;
    }
    return folder.isValid() && m_files->hasChildren(folder);
}

bool TFolderRootsModel::canFetchMore(const QModelIndex& parent) const {
    const QModelIndex folder = mapToSource(parent);
    return folder.isValid() && m_files->canFetchMore(folder);
}

QVariant TFolderRootsModel::data(const QModelIndex& proxy, int role) const {
    if (proxy.isValid() && proxy.internalPointer() == nullptr && proxy.column() == 0) {
        const TFolderRoot& shown = m_roots[static_cast<std::size_t>(proxy.row())]->Shown;
        if (role == Qt::DisplayRole) {
            return shown.Name;
        }
        if (role == Qt::DecorationRole && !shown.Icon.isNull()) {
            return shown.Icon;
        }
    }
    return QAbstractProxyModel::data(proxy, role);
}

int TFolderRootsModel::RowOf(const Root* root) const {
    for (std::size_t row = 0; row < m_roots.size(); ++row) {
        if (m_roots[row].get() == root) {
            return static_cast<int>(row);
        }
    }
    return -1;
}

const TFolderRootsModel::Root* TFolderRootsModel::RootOf(const QModelIndex& proxy) const {
    if (proxy.internalPointer() == nullptr) {
        return m_roots[static_cast<std::size_t>(proxy.row())].get();
    }
    return static_cast<const Branch*>(proxy.internalPointer())->Under;
}

TFolderRootsModel::Branch* TFolderRootsModel::BranchFor(const Root* root,
                                                        const QModelIndex& folder) const {
    const QModelIndex first = folder.siblingAtColumn(0);
    std::unique_ptr<Branch>& branch = m_branches[{root, first.internalPointer()}];
    if (!branch) {
        branch = std::make_unique<Branch>(Branch{root, first});
    }
    return branch.get();
}

QModelIndex TFolderRootsModel::Place(const Root* root, const QModelIndex& source) const {
    if (!source.isValid() || !root->Source.isValid()) {
        return {};
    }
    if (root->Source == source.siblingAtColumn(0)) {
        return createIndex(RowOf(root), source.column(), nullptr);
    }
    for (QModelIndex at = source; at.isValid(); at = at.parent()) {
        const QModelIndex above = at.parent();
        if (ShownRow(root, above, at.row()) < 0) {
            return {};
        }
        if (root->Source == above) {
            const QModelIndex folder = source.parent();
            return createIndex(ShownRow(root, folder, source.row()), source.column(),
                               BranchFor(root, folder));
        }
    }
    return {};
}

const TFolderRootsModel::Mask* TFolderRootsModel::MaskOf(const Root* root,
                                                         const QModelIndex& folder) const {
    for (const Mask& mask : m_masks) {
        if (mask.Folder == folder.siblingAtColumn(0) &&
            std::find(mask.Roots.begin(), mask.Roots.end(), root) != mask.Roots.end()) {
            return &mask;
        }
    }
    return nullptr;
}

int TFolderRootsModel::ShownRow(const Root* root, const QModelIndex& folder, int sourceRow) const {
    const Mask* mask = m_masks.empty() ? nullptr : MaskOf(root, folder);
    if (mask == nullptr || sourceRow < mask->First) {
        return sourceRow;
    }
    return sourceRow < mask->First + mask->Count ? -1 : sourceRow - mask->Count;
}

int TFolderRootsModel::SourceRow(const Root* root, const QModelIndex& folder, int shownRow) const {
    const Mask* mask = m_masks.empty() ? nullptr : MaskOf(root, folder);
    return mask != nullptr && shownRow >= mask->First ? shownRow + mask->Count : shownRow;
}

void TFolderRootsModel::DropLostBranches() {
    std::erase_if(m_branches, [](const auto& branch) { return !branch.second->Source.isValid(); });
}

// The file model has changed all places at once. The places hide the new
// rows and show them one after the other, each place told as its turn
// comes, for a change begun in one place must end before the next begins.
void TFolderRootsModel::OnRowsInserted(const QModelIndex& parent, int first, int last) {
    if (m_resetting) {
        return;
    }
    std::vector<const Root*> places;
    for (const std::unique_ptr<Root>& root : m_roots) {
        if (Place(root.get(), parent).isValid()) {
            places.push_back(root.get());
        }
    }
    m_masks.push_back({parent, first, last - first + 1, places});
    const std::size_t mask = m_masks.size() - 1;
    for (const Root* root : places) {
        beginInsertRows(Place(root, parent), first, last);
        std::erase(m_masks[mask].Roots, root);
        endInsertRows();
    }
    m_masks.erase(m_masks.begin() + static_cast<std::ptrdiff_t>(mask));
}

// The rows still stand in the file model; each place is told in turn and
// hides them from then on, until the file model has removed them.
void TFolderRootsModel::OnRowsAboutToBeRemoved(const QModelIndex& parent, int first, int last) {
    const std::size_t before = m_masks.size();
    const auto hide = [&](const QModelIndex& place, const QModelIndex& folder, int from, int to,
                          const Root* root) {
        m_masks.push_back({folder, from, to - from + 1, {}});
        beginRemoveRows(place, from, to);
        m_masks.back().Roots.push_back(root);
        endRemoveRows();
    };
    for (std::size_t i = 0; i < m_roots.size() && !m_resetting; ++i) {
        const Root* root = m_roots[i].get();
        const QModelIndex place = Place(root, parent);
        if (place.isValid()) {
            hide(place, parent, first, last, root);
        }
        // A root whose own folder goes loses its rows; the root's row stays
        // until the roots are set again.
        const int rows = rowCount(createIndex(static_cast<int>(i), 0, nullptr));
        if (rows > 0 && Within(root->Source, parent, first, last)) {
            hide(createIndex(static_cast<int>(i), 0, nullptr), root->Source, 0, rows - 1, root);
        }
    }
    m_removalMasks.push_back(m_masks.size() - before);
}

void TFolderRootsModel::OnDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                                      const QList<int>& roles) {
    for (const std::unique_ptr<Root>& root : m_roots) {
        const QModelIndex first = Place(root.get(), topLeft);
        const QModelIndex last = Place(root.get(), bottomRight);
        if (first.isValid() && last.isValid() && first.parent() == last.parent()) {
            emit dataChanged(first, last, roles);
        }
    }
}

// The branches stay with their folders while rows are sorted, so each row
// handed out keeps its branch and takes its folder's new row.
void TFolderRootsModel::OnLayoutAboutToBeChanged(const QList<QPersistentModelIndex>&,
                                                 QAbstractItemModel::LayoutChangeHint hint) {
    emit layoutAboutToBeChanged({}, hint);
    const QModelIndexList handedOut = persistentIndexList();
    for (const QModelIndex& proxy : handedOut) {
        if (proxy.internalPointer() != nullptr) {
            m_layoutPlaces.append({proxy, QPersistentModelIndex(mapToSource(proxy))});
        }
    }
}

void TFolderRootsModel::OnLayoutChanged(const QList<QPersistentModelIndex>&,
                                        QAbstractItemModel::LayoutChangeHint hint) {
    for (const auto& [proxy, source] : std::as_const(m_layoutPlaces)) {
        changePersistentIndex(proxy, Place(RootOf(proxy), source));
    }
    m_layoutPlaces.clear();
    emit layoutChanged({}, hint);
}

void TFolderRootsModel::OnModelReset() {
    // Finding the roots' folders again adds rows to the file model, which
    // the reset already covers.
    m_resetting = true;
    m_branches.clear();
    for (const std::unique_ptr<Root>& root : m_roots) {
        root->Source = m_files->index(root->Shown.Path);
    }
    m_resetting = false;
    endResetModel();
}

}  // namespace quenby::gui

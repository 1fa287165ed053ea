#pragma once

#include <QAbstractProxyModel>
#include <QIcon>
#include <QList>
#include <QPersistentModelIndex>
#include <QString>
#include <map>
#include <memory>
#include <utility>
#include <vector>

class QFileSystemModel;
namespace quenby::gui {

// A top-level row of the folder tree.
struct TFolderRoot {
    QString Path;
    QString Name;
    QIcon Icon;
};

// One file model shown from several folders at once: each root is a
// top-level row with that folder's subtree below it. Roots may lie inside
// each other (home below "/"), so a folder can show in two places, and each
// change of the file model is passed on for every place, one place after
// the other. The file model keeps reading folders in the background and
// sorting them; this model only re-roots them. QFileSystemModel moves no
// rows and changes no columns, so those signals are not passed on.
class TFolderRootsModel : public QAbstractProxyModel {
    Q_OBJECT
public:
    explicit TFolderRootsModel(QFileSystemModel* files, QObject* parent = nullptr);
    ~TFolderRootsModel() override;

    // Keeps the rows of roots that stay, so their opened folders stay open,
    // and inserts and removes the others. A root whose folder is missing is
    // left out.
    void SetRoots(const QList<TFolderRoot>& roots);

    // The folder's row below the deepest root that holds it.
    QModelIndex mapFromSource(const QModelIndex& source) const override;
    QModelIndex mapToSource(const QModelIndex& proxy) const override;
    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    // In the same place: the file model's own answer would be mapped back
    // below the deepest root.
    QModelIndex sibling(int row, int column, const QModelIndex& index) const override;
    QModelIndex buddy(const QModelIndex& index) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    QVariant data(const QModelIndex& proxy, int role = Qt::DisplayRole) const override;

private:
    struct Root {
        TFolderRoot Shown;
        QPersistentModelIndex Source;
    };
    // A folder whose rows have been handed out below one root; its rows
    // carry it as their internal pointer.
    struct Branch {
        const Root* Under;
        QPersistentModelIndex Source;
    };
    // Rows of the file model that the places of some roots do not show: not
    // yet, while places are told one by one of rows that arrived, or no
    // longer, once told of rows about to go.
    struct Mask {
        QPersistentModelIndex Folder;
        int First;
        int Count;
        std::vector<const Root*> Roots;
    };

    int RowOf(const Root* root) const;
    const Root* RootOf(const QModelIndex& proxy) const;
    Branch* BranchFor(const Root* root, const QModelIndex& folder) const;
    // The source index's row below the root; invalid when it lies outside
    // or is masked there.
    QModelIndex Place(const Root* root, const QModelIndex& source) const;
    const Mask* MaskOf(const Root* root, const QModelIndex& folder) const;
    // A row below the folder in the file model, -1 when it is masked.
    int ShownRow(const Root* root, const QModelIndex& folder, int sourceRow) const;
    int SourceRow(const Root* root, const QModelIndex& folder, int shownRow) const;
    void DropLostBranches();

    void OnRowsInserted(const QModelIndex& parent, int first, int last);
    void OnRowsAboutToBeRemoved(const QModelIndex& parent, int first, int last);
    void OnDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                       const QList<int>& roles);
    void OnLayoutAboutToBeChanged(const QList<QPersistentModelIndex>& parents,
                                  QAbstractItemModel::LayoutChangeHint hint);
    void OnLayoutChanged(const QList<QPersistentModelIndex>& parents,
                         QAbstractItemModel::LayoutChangeHint hint);
    void OnModelReset();

    QFileSystemModel* m_files;
    std::vector<std::unique_ptr<Root>> m_roots;
    // Keyed by the file model's node of the folder, which stays the same
    // while the folder's row moves.
    mutable std::map<std::pair<const Root*, const void*>, std::unique_ptr<Branch>> m_branches;
    std::vector<Mask> m_masks;
    // Per removal in the file model, the masks it set until it is done.
    std::vector<std::size_t> m_removalMasks;
    // While the file model sorts: the rows handed out and their folders.
    QList<std::pair<QModelIndex, QPersistentModelIndex>> m_layoutPlaces;
    bool m_resetting = false;
};

}  // namespace quenby::gui

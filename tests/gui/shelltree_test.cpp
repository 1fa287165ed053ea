#include <gtest/gtest.h>

#include <QDir>
#include <QFileSystemModel>
#include <QSignalSpy>
#include <QTest>

#include "controls/jamshelltree.h"
#include "tests/support/tempfolder.h"

namespace quenby::test {

using namespace gui;
namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// The names the tree shows below a folder, once the model has read it.
QStringList ShownBelow(TJamShellTree& tree, const QString& folder) {
    QFileSystemModel* model = tree.Model();
    const QModelIndex parent = model->index(folder);
    if (model->canFetchMore(parent)) {
        model->fetchMore(parent);
    }
    QStringList names;
    // The background reader fills the rows a moment later.
    const bool filled = QTest::qWaitFor(
        [&] {
            names.clear();
            for (int row = 0; row < model->rowCount(parent); ++row) {
                names << model->fileName(model->index(row, 0, parent));
            }
            names.sort();
            return names.size() >= 2;
        },
        5000);
    EXPECT_TRUE(filled) << names.join(QLatin1Char(' ')).toStdString();
    return names;
}

TEST(ShellTreeTest, ShowsFoldersOnlyAndHidesHiddenOnes) {
    TempFolder folder;
    MakeFolders(folder / "Photos");
    MakeFolders(folder / "Videos");
    MakeFolders(folder / ".cache");
    WriteFile(folder / "picture.jpg", "x");
    TJamShellTree tree;
    EXPECT_EQ(tree.Model()->rootPath(), QDir::rootPath());
    EXPECT_EQ(ShownBelow(tree, Q(folder.Path())),
              QStringList({QStringLiteral("Photos"), QStringLiteral("Videos")}));
    // The top of the tree is the file-system root.
    const QModelIndex top = tree.model()->index(0, 0, tree.rootIndex());
    EXPECT_EQ(tree.Model()->filePath(top), QDir::rootPath());
}

TEST(ShellTreeTest, WritingSelectedFolderExpandsAndSelectsWhileTheModelLoads) {
    TempFolder folder;
    // Siblings that sort before the target arrive while it is selected.
    for (int i = 0; i < 200; ++i) {
        MakeFolders(folder / ("a" + std::to_string(1000 + i)));
    }
    const std::string target = folder / "b/c/d";
    MakeFolders(target);
    TJamShellTree tree;
    tree.resize(300, 200);
    tree.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&tree));
    EXPECT_EQ(tree.SelectedFolder(), QString());

    tree.SetSelectedFolder(Q(target));
    EXPECT_EQ(tree.SelectedFolder(), Q(target));
    for (const std::string& ancestor : {folder.Path(), folder / "b", folder / "b/c"}) {
        EXPECT_TRUE(tree.isExpanded(tree.Model()->index(Q(ancestor)))) << ancestor;
    }
    // Let the background reader fill in every level; the choice must hold
    // and stay in view.
    QTest::qWait(300);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return tree.Model()->rowCount(tree.Model()->index(Q(folder.Path()))) >= 201; },
        5000));
    QTest::qWait(100);
    EXPECT_EQ(tree.SelectedFolder(), Q(target));
    const QRect shown = tree.visualRect(tree.currentIndex());
    EXPECT_TRUE(tree.viewport()->rect().intersects(shown));

    // A trailing slash and a relative spelling name the same folder.
    tree.SetSelectedFolder(Q(folder / "b/"));
    EXPECT_EQ(tree.SelectedFolder(), Q(folder / "b"));
    const QString previous = QDir::currentPath();
    QDir::setCurrent(Q(folder.Path()));
    tree.SetSelectedFolder(QStringLiteral("b/c"));
    QDir::setCurrent(previous);
    EXPECT_EQ(tree.SelectedFolder(), Q(folder / "b/c"));

    // No folder there: the selection stays.
    WriteFile(folder / "file.txt", "x");
    for (const std::string& bad : {folder / "missing", folder / "file.txt", std::string()}) {
        tree.SetSelectedFolder(Q(bad));
        EXPECT_EQ(tree.SelectedFolder(), Q(folder / "b/c")) << bad;
    }
    tree.clearSelection();
    EXPECT_EQ(tree.SelectedFolder(), QString());
}

TEST(ShellTreeTest, DoubleClickRaisesTheSignal) {
    TempFolder folder;
    MakeFolders(folder / "x");
    TJamShellTree tree;
    tree.resize(300, 400);
    tree.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&tree));
    tree.SetSelectedFolder(Q(folder / "x"));
    QSignalSpy spy(&tree, &TJamShellTree::DblClick);
    // Wait until the rows have settled and the folder is in view. Other
    // tests' temporary folders may come and go in the same folder meanwhile
    // and move the rows, so the folder is scrolled into view once more.
    QTest::qWait(300);
    tree.scrollTo(tree.currentIndex());
    const QRect rect = tree.visualRect(tree.currentIndex());
    ASSERT_TRUE(rect.isValid());
    ASSERT_TRUE(tree.viewport()->rect().contains(rect.center()))
        << rect.x() << "," << rect.y() << " " << tree.viewport()->height();
    // QTest's double-click carries only the second press; the first comes
    // as a click of its own, as from a real mouse.
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(tree.viewport(), Qt::LeftButton, {}, rect.center());
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(tree.SelectedFolder(), Q(folder / "x"));
}

}  // namespace
}  // namespace quenby::test

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/mount.h>
#endif

#include <QDir>
#include <QFileSystemModel>
#include <QSignalSpy>
#include <QTest>
#include <cerrno>
#include <cstring>

#include "controls/jamshelltree.h"
#include "tests/support/envguard.h"
#include "tests/support/tempfolder.h"

namespace quenby::test {

using namespace gui;
namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// The names the tree shows below a row, once the model has read its folder.
QStringList ShownBelow(TJamShellTree& tree, const QModelIndex& parent, qsizetype atLeast) {
    QAbstractItemModel* model = tree.model();
    if (model->canFetchMore(parent)) {
        model->fetchMore(parent);
    }
    QStringList names;
    // The background reader fills the rows a moment later.
    const bool filled = QTest::qWaitFor(
        [&] {
            names.clear();
            for (int row = 0; row < model->rowCount(parent); ++row) {
                names << model->index(row, 0, parent).data().toString();
            }
            return names.size() >= atLeast;
        },
        5000);
    EXPECT_TRUE(filled) << names.join(QLatin1Char(' ')).toStdString();
    return names;
}

#ifndef _WIN32
// The name of the top-level row that the selected folder sits under.
QString SelectedUnder(const TJamShellTree& tree) {
    QModelIndex top = tree.currentIndex();
    while (top.parent().isValid()) {
        top = top.parent();
    }
    return top.data().toString();
}
#endif

TEST(ShellTreeTest, ShowsFoldersOnlyAndHidesHiddenOnes) {
    TempFolder folder;
    MakeFolders(folder / "Photos");
    MakeFolders(folder / "Videos");
    MakeFolders(folder / ".cache");
    WriteFile(folder / "picture.jpg", "x");
    TJamShellTree tree;
    EXPECT_EQ(tree.Model()->rootPath(), QDir::rootPath());
    QStringList shown = ShownBelow(tree, tree.IndexOf(Q(folder.Path())), 2);
    shown.sort();
    EXPECT_EQ(shown, QStringList({QStringLiteral("Photos"), QStringLiteral("Videos")}));
}

#ifndef _WIN32
// A card is a file system mounted directly below the desktop's media
// folder; a plain folder there is none.
TEST(ShellTreeTest, TopRowsAreHomeTheMountedDrivesAndTheRoot) {
    TempFolder folder;
    const std::string media = folder / "media";
    const std::string card = media + "/CARD";
    MakeFolders(card);
    MakeFolders(media + "/plain/photos");
    MakeFolders(folder / "alice/Pictures");
    const EnvGuard home("HOME", folder / "alice");
    TJamShellTree tree(nullptr, {{media}, {}});
    const auto topRows = [&] { return ShownBelow(tree, {}, 0); };
    const QStringList unplugged = {QStringLiteral("alice"), QDir::rootPath()};
    EXPECT_EQ(topRows(), unplugged);

    if (::mount("none", card.c_str(), "tmpfs", 0, nullptr) != 0) {
        GTEST_SKIP() << "cannot mount a tmpfs at " << card << ": " << std::strerror(errno);
    }
    const struct Unmount {
        std::string Path;
        ~Unmount() { ::umount2(Path.c_str(), MNT_DETACH); }
    } unmount{card};
    const QStringList plugged = {QStringLiteral("alice"), QStringLiteral("CARD"), QDir::rootPath()};
    EXPECT_TRUE(QTest::qWaitFor([&] { return topRows() == plugged; }, 2000))
        << topRows().join(QLatin1Char(' ')).toStdString();
    MakeFolders(card + "/DCIM");

    const struct {
        std::string Folder;
        const char* Under;
    } cases[] = {
        {folder / "alice/Pictures", "alice"},
        {card + "/DCIM", "CARD"},
        {media + "/plain/photos", "/"},
    };
    for (const auto& [path, under] : cases) {
        tree.SetSelectedFolder(Q(path));
        EXPECT_EQ(tree.SelectedFolder(), Q(path));
        EXPECT_EQ(SelectedUnder(tree), QString::fromLatin1(under)) << path;
    }

    ASSERT_EQ(::umount2(card.c_str(), MNT_DETACH), 0) << std::strerror(errno);
    EXPECT_TRUE(QTest::qWaitFor([&] { return topRows() == unplugged; }, 2000))
        << topRows().join(QLatin1Char(' ')).toStdString();
}
#endif

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
        EXPECT_TRUE(tree.isExpanded(tree.IndexOf(Q(ancestor)))) << ancestor;
    }
    // Let the background reader fill in every level; the choice must hold
    // and stay in view.
    QTest::qWait(300);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return tree.model()->rowCount(tree.IndexOf(Q(folder.Path()))) >= 201; }, 5000));
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

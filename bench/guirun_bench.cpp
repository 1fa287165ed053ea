// Times a sort run through the main window's Execute against quenby-sort on
// the same tree of small photos, and prints both times and their ratio.
// Usage: quenby_guirun_bench [FILES] [RUNS] [FOLDER]   (offscreen unless told
// otherwise; the tree goes below FOLDER, by default the temporary folder)
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/quenbymain.h"
#include "controls/jampathedit.h"
#include "controls/stdcontrols.h"
#include "gui/dialogs.h"
#include "settings/appfolders.h"
#include "windows/messageswindow.h"

using namespace quenby::gui;

namespace {

// FILES photos of 1 KB in folders of 100, last written on one of 60 days.
bool MakeTree(const QString& root, int files) {
    const QByteArray payload(1024, 'j');
    const QDateTime first(QDate(2014, 3, 1), QTime(12, 0));
    for (int n = 0; n < files; ++n) {
        const QString folder =
            QStringLiteral("%1/d%2").arg(root).arg(n / 100, 3, 10, QLatin1Char('0'));
        if (n % 100 == 0 && !QDir().mkpath(folder)) {
            return false;
        }
        QFile file(QStringLiteral("%1/IMG_%2.jpg").arg(folder).arg(n, 6, 10, QLatin1Char('0')));
        if (!file.open(QIODevice::WriteOnly) || file.write(payload) != payload.size() ||
            !file.setFileTime(first.addDays(n % 60), QFileDevice::FileModificationTime)) {
            return false;
        }
    }
    return true;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quenby"));
    const int files = argc > 1 ? std::atoi(argv[1]) : 20'000;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;

    QTemporaryDir work(argc > 3 ? QString::fromLocal8Bit(argv[3]) + QStringLiteral("/quenby-XXXXXX")
                                : QDir::tempPath() + QStringLiteral("/quenby-XXXXXX"));
    const QString source = work.filePath(QStringLiteral("card"));
    const QString target = work.filePath(QStringLiteral("photos"));
    if (!work.isValid() || !MakeTree(source, files)) {
        std::fprintf(stderr, "cannot make the tree in %s\n", qPrintable(work.path()));
        return 1;
    }
    // The window reads and keeps its settings here, never in the user's own.
    quenby::SetSettingsFilePath(work.filePath(QStringLiteral("quenby.ini")).toStdString());

    TMeldungsformular messages;
    TQuenbyform form(&messages);
    form.Dirliste->addItem(source);
    form.Rootdir->SetPath(target);
    form.Trennzeichen->SetItemIndex(0);
    form.show();
    QString summary;
    SetMessageBoxHook([&summary](const MessageBoxRequest& request) {
        summary = request.Text;
        return QMessageBox::Ok;
    });

    const auto fresh = [&target] {
        QDir(target).removeRecursively();
        QDir().mkpath(target);
    };
    std::vector<double> window;
    std::vector<double> commandLine;
    QElapsedTimer timer;
    // One of each first, untimed, so that both find the tree in the cache.
    for (int run = -1; run < runs; ++run) {
        fresh();
        timer.start();
        QProcess sort;
        sort.setStandardOutputFile(QProcess::nullDevice());
        sort.start(QStringLiteral(QUENBY_SORT_EXECUTABLE),
                   {QStringLiteral("-q"), QStringLiteral("-t"), target, source});
        if (!sort.waitForFinished(-1) || sort.exitCode() != 0) {
            std::fprintf(stderr, "quenby-sort failed: %s\n", sort.readAllStandardError().data());
            return 1;
        }
        const double sortSeconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;

        fresh();
        timer.start();
        form.ExecbutClick();
        const double windowSeconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        if (summary != QStringLiteral("%1 of %1 files copied").arg(files)) {
            std::fprintf(stderr, "the window's run ended with \"%s\"\n", qPrintable(summary));
            return 1;
        }
        if (run >= 0) {
            commandLine.push_back(sortSeconds);
            window.push_back(windowSeconds);
        }
    }
    SetMessageBoxHook({});

    const double ours = Median(window);
    const double base = Median(commandLine);
    std::printf("%d files of 1 KB, median of %d runs\n", files, runs);
    std::printf("quenby-sort                  %.3f s\n", base);
    std::printf("Execute in the window        %.3f s\n", ours);
    std::printf("ratio                        %.2f (limit 1.1)\n", ours / base);
    return ours / base <= 1.1 ? 0 : 1;
}

// The windows with each sans-serif font a Debian desktop may have as its only
// one, at the usual screen resolutions and at twice the size: every caption,
// label, button text and default field content is shown whole, and every
// control lies inside its window. Fontconfig and the screen are fixed for the
// life of a process, so each row runs the layout probe anew.
#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>

#include "tests/support/tempfolder.h"

namespace quenby::test {
namespace {

struct FontScreen {
    const char* Package;
    const char* Folder;
    const char* Family;
    int Dpi;
    int ScaleFactor;
};

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

TEST(WindowFitTest, EveryTextFitsWithEachSansFontAndScreen) {
    const char* const dejavu = "/usr/share/fonts/truetype/dejavu";
    const char* const liberation = "/usr/share/fonts/truetype/liberation2";
    const char* const cantarell = "/usr/share/fonts/opentype/cantarell";
    const FontScreen rows[] = {
        {"fonts-dejavu-core", dejavu, "DejaVu Sans", 96, 1},
        {"fonts-dejavu-core", dejavu, "DejaVu Sans", 120, 1},
        {"fonts-dejavu-core", dejavu, "DejaVu Sans", 144, 1},
        {"fonts-dejavu-core", dejavu, "DejaVu Sans", 96, 2},
        {"fonts-liberation2", liberation, "Liberation Sans", 96, 1},
        {"fonts-liberation2", liberation, "Liberation Sans", 120, 1},
        {"fonts-liberation2", liberation, "Liberation Sans", 144, 1},
        {"fonts-liberation2", liberation, "Liberation Sans", 96, 2},
        {"fonts-cantarell", cantarell, "Cantarell", 96, 1},
        {"fonts-cantarell", cantarell, "Cantarell", 120, 1},
        {"fonts-cantarell", cantarell, "Cantarell", 144, 1},
        {"fonts-cantarell", cantarell, "Cantarell", 96, 2},
    };
    TempFolder work;
    // All rows at once: each waits mostly for its own start-up.
    std::vector<std::unique_ptr<QProcess>> probes;
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const FontScreen& row = rows[i];
        const std::string name = "row" + std::to_string(i);
        // Only this font folder, with Debian's usual aliases; the user's own
        // fonts stay out since the home folder is a fresh one.
        WriteFile(work / (name + "/fonts.conf"),
                  std::string("<?xml version=\"1.0\"?>\n<fontconfig>\n  <dir>") + row.Folder +
                      "</dir>\n  <cachedir>" + work / (name + "/cache") +
                      "</cachedir>\n  <include ignore_missing=\"yes\">/etc/fonts/conf.d</include>"
                      "\n</fontconfig>\n");
        WriteFile(work / (name + "/screen.json"),
                  "{\"screens\": [{\"name\": \"screen\", \"x\": 0, \"y\": 0, \"width\": 3840, "
                  "\"height\": 2160, \"logicalDpi\": " +
                      std::to_string(row.Dpi) + ", \"logicalBaseDpi\": 96, \"dpr\": 1}]}");
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("FONTCONFIG_FILE"), Q(work / (name + "/fonts.conf")));
        environment.insert(
            QStringLiteral("QT_QPA_PLATFORM"),
            QStringLiteral("offscreen:configfile=") + Q(work / (name + "/screen.json")));
        environment.insert(QStringLiteral("QT_SCALE_FACTOR"), QString::number(row.ScaleFactor));
        environment.insert(QStringLiteral("HOME"), Q(work / name));
        environment.remove(QStringLiteral("XDG_CONFIG_HOME"));
        environment.remove(QStringLiteral("XDG_DATA_HOME"));
        auto probe = std::make_unique<QProcess>();
        probe->setProcessEnvironment(environment);
        if (QDir(QString::fromLatin1(row.Folder)).exists()) {
            probe->start(QStringLiteral(QUENBY_LAYOUT_PROBE), {QString::fromLatin1(row.Family)});
        }
        probes.push_back(std::move(probe));
    }
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const FontScreen& row = rows[i];
        QProcess& probe = *probes[i];
        SCOPED_TRACE(std::string(row.Family) + " at " + std::to_string(row.Dpi) + " dpi, scale " +
                     std::to_string(row.ScaleFactor));
        if (probe.state() == QProcess::NotRunning && probe.error() == QProcess::UnknownError) {
            ADD_FAILURE() << row.Folder << " is missing: install " << row.Package
                          << " (scripts/install-deps.sh test)";
            continue;
        }
        ASSERT_TRUE(probe.waitForFinished(300'000)) << probe.errorString().toStdString();
        EXPECT_EQ(probe.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(probe.exitCode(), 0) << probe.readAllStandardOutput().toStdString()
                                       << probe.readAllStandardError().toStdString();
    }
}

}  // namespace
}  // namespace quenby::test

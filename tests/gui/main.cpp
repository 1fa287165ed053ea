// GoogleTest with a QApplication around it, and hooks in place of every modal
// window, so that no test can block on one it did not expect.
#include <gtest/gtest.h>

#include <QApplication>
#include <ctime>

#include "gui/helpwindow.h"
#include "tests/gui/guitest.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen")
                                                                    : qgetenv("QT_QPA_PLATFORM"));
#ifdef _WIN32
    // Wine learns the test zone from TZ=Europe/Berlin, a value that the C
    // runtime, and with it Qt's local time, cannot read: the system's zone
    // serves both there.
    qunsetenv("TZ");
    _tzset();
#endif
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quenby"));
    testing::InitGoogleTest(&argc, argv);
    quenby::test::InstallRefusingHooks();
    const int result = RUN_ALL_TESTS();
    quenby::gui::DeleteHelpWindow();
    return result;
}

// GoogleTest with a QApplication around it, and hooks in place of every modal
// window, so that no test can block on one it did not expect.
#include <gtest/gtest.h>

#include <QApplication>

#include "gui/helpwindow.h"
#include "tests/gui/guitest.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen")
                                                                    : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quenby"));
    testing::InitGoogleTest(&argc, argv);
    quenby::test::InstallRefusingHooks();
    const int result = RUN_ALL_TESTS();
    quenby::gui::DeleteHelpWindow();
    return result;
}

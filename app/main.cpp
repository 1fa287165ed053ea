// Quenby's window program: folders first, then the application, the main
// window and the hidden messages window, then the message loop until the
// main window closes.
#include <QApplication>
#include <QString>
#include <cstdio>
#include <string_view>

#include "app/quenbymain.h"
#include "gui/resources.h"
#include "gui/sansfont.h"
#include "quenby_version.h"
#include "settings/appfolders.h"
#include "windows/messageswindow.h"

int main(int argc, char** argv) {
    // Answered before Qt starts, so it needs no display and opens no window.
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--version") {
            std::printf("quenby %s\n", QUENBY_VERSION_TEXT);
            return std::fflush(stdout) == 0 ? 0 : 1;
        }
    }

    using namespace quenby::gui;

    // The settings path must be known before the main window reads it.
    quenby::InitFolders();

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quenby"));
    // Lets the desktop find our entry and icon for the window.
    QGuiApplication::setDesktopFileName(QStringLiteral("quenby"));
    InitResources();  // the images must be registered before the icon is read
    QApplication::setWindowIcon(ApplicationIcon());
    UseSansSerifApplicationFont();

    // Both windows live until the message loop ends; the messages window goes
    // first, as the main window only points to it.
    TQuenbyform quenbyform;
    TMeldungsformular meldungsformular;
    meldungsformular.SetDocumentsFolderProvider(
        [] { return QString::fromStdString(quenby::DocumentsFolder()); });
    quenbyform.SetMessagesWindow(&meldungsformular);

    quenbyform.show();
    return QApplication::exec();
}

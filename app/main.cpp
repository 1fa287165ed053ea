// Quenby's window program: folders first, then the application, the main
// window and the hidden messages window, then the message loop until the
// main window closes.
#include <QApplication>
#include <QIcon>
#include <QString>
#include <cstdio>
#include <string_view>

#include "app/quenbymain.h"
#include "quenby_version.h"
#include "settings/appfolders.h"
#include "windows/ergebnisse.h"

int main(int argc, char** argv) {
    // Answered before Qt starts, so it needs no display and opens no window.
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--version") {
            std::printf("quenby %s\n", QUENBY_VERSION_TEXT);
            return std::fflush(stdout) == 0 ? 0 : 1;
        }
    }

    // The settings path must be known before the main window reads it.
    quenby::InitFolders();

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quenby"));
    // Lets the desktop find our entry and icon for the window.
    QGuiApplication::setDesktopFileName(QStringLiteral("quenby"));
    TQuenbyform::ImageList1();  // registers the images before the icon is read
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/images/quenby.svg")));

    Quenbyform = new TQuenbyform;
    Meldungsformular = new TMeldungsformular;
    Meldungsformular->SetDocumentsFolderProvider(
        [] { return QString::fromStdString(quenby::DocumentsFolder()); });
    Quenbyform->SetMessagesWindow(Meldungsformular);

    Quenbyform->show();
    const int result = QApplication::exec();
    delete Meldungsformular;
    Meldungsformular = nullptr;
    delete Quenbyform;
    return result;
}

// Fills the messages window with a million lines of 80 characters and times
// ReplaceMessages, scrolling through the text, and saving it.
// Usage: quenby_messages_bench [LINES]   (runs offscreen unless told otherwise)
#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "gui/dialogs.h"
#include "windows/messageswindow.h"
#include "windows/messageview.h"

using namespace quenby::gui;

namespace {

double Seconds(const QElapsedTimer& timer) {
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const long count = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 1'000'000;

    quenby::MessageList messages;
    for (long i = 0; i < count; ++i) {
        std::string line = "Copied file /media/card/DCIM/100CANON/IMG_" + std::to_string(i);
        line.resize(80, '.');
        messages.Add(std::move(line));
    }

    TMeldungsformular form;
    form.show();
    if (!QTest::qWaitForWindowExposed(&form)) {
        std::fprintf(stderr, "the window did not show\n");
        return 1;
    }

    QElapsedTimer timer;
    timer.start();
    form.ReplaceMessages(messages);
    QApplication::processEvents();
    const double replace = Seconds(timer);

    timer.restart();
    form.ReplaceMessages(messages);
    QApplication::processEvents();
    const double again = Seconds(timer);

    // Scrolling: jumps across the whole text and single-line steps, each
    // painted before the next.
    QScrollBar* bar = form.Erg->verticalScrollBar();
    const int jumps = 200;
    timer.restart();
    for (int i = 0; i < jumps; ++i) {
        bar->setValue(
            static_cast<int>(static_cast<long long>(bar->maximum()) * ((i * 37) % jumps) / jumps));
        form.Erg->viewport()->repaint();
    }
    const double jump = Seconds(timer) / jumps;
    const int steps = 500;
    bar->setValue(bar->maximum() / 2);
    timer.restart();
    for (int i = 0; i < steps; ++i) {
        bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        form.Erg->viewport()->repaint();
    }
    const double step = Seconds(timer) / steps;

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("messages.rtf"));
    quenby::gui::SetSaveFileHook(
        [&](const quenby::gui::SaveFileRequest&) { return std::optional(file); });
    quenby::gui::SetMessageBoxHook([](const quenby::gui::MessageBoxRequest& request) {
        std::fprintf(stderr, "box: %s\n", qPrintable(request.Text));
        return QMessageBox::Ok;
    });
    timer.restart();
    form.Speichernunter1Click();
    const double save = Seconds(timer);

    std::printf("lines                        %ld of 80 characters\n", count);
    std::printf("ReplaceMessages              %.3f s (limit 2 s)\n", replace);
    std::printf("ReplaceMessages, second run  %.3f s\n", again);
    std::printf("scroll jump + repaint        %.2f ms\n", jump * 1e3);
    std::printf("scroll one line + repaint    %.2f ms\n", step * 1e3);
    std::printf("Save Messages (RTF)          %.3f s\n", save);
    return replace < 2.0 ? 0 : 1;
}

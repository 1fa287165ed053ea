#include "gui/dialogs.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QGuiApplication>
#include <QKeySequence>
#include <QRegularExpression>
#include <QShortcut>
#include <QStringList>
#include <utility>

#include "gui/helpwindow.h"

namespace quenby::gui {
namespace {

MessageBoxHook& MessageHook() {
    static MessageBoxHook hook;
    return hook;
}

SaveFileHook& SaveHook() {
    static SaveFileHook hook;
    return hook;
}

FolderHook& FolderChoiceHook() {
    static FolderHook hook;
    return hook;
}

QMessageBox::Icon IconOf(MessageKind kind) {
    switch (kind) {
        case MessageKind::Error:
            return QMessageBox::Critical;
        case MessageKind::Warning:
            return QMessageBox::Warning;
        case MessageKind::Information:
            return QMessageBox::Information;
        case MessageKind::Confirmation:
            return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

// A box is as wide as its text, and the window manager cuts a title that
// does not fit beside the title bar's icon and buttons ("Informationen"
// above "7 of 7 files copied"): the box keeps room for its title in bold.
void KeepTitleInSight(QMessageBox* box) {
    constexpr int kTitleBarLines = 6;  // icon, buttons and borders, in lines
    QFont font = box->font();
    font.setBold(true);
    const QFontMetrics metrics(font);
    const QString title = box->windowTitle().isEmpty() ? QGuiApplication::applicationDisplayName()
                                                       : box->windowTitle();
    auto* grid = qobject_cast<QGridLayout*>(box->layout());
    if (grid != nullptr) {
        grid->addItem(
            new QSpacerItem(metrics.horizontalAdvance(title) + kTitleBarLines * metrics.height(), 0,
                            QSizePolicy::Fixed, QSizePolicy::Minimum),
            grid->rowCount(), 0, 1, grid->columnCount());
    }
}

}  // namespace

void SetMessageBoxHook(MessageBoxHook hook) {
    MessageHook() = std::move(hook);
}
void SetSaveFileHook(SaveFileHook hook) {
    SaveHook() = std::move(hook);
}
void SetFolderHook(FolderHook hook) {
    FolderChoiceHook() = std::move(hook);
}

QString MessageBoxText(QString text) {
    return text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
}

QMessageBox* CreateMessageBox(QWidget* parent, const MessageBoxRequest& request) {
    auto* box = new QMessageBox(IconOf(request.Kind), request.Title, MessageBoxText(request.Text),
                                request.Buttons, parent);
    KeepTitleInSight(box);
    // An empty title on purpose: Qt then uses the application's name.
    if (request.HelpTopic != 0) {
        auto* help = new QShortcut(QKeySequence::HelpContents, box);
        const int topic = request.HelpTopic;
        QObject::connect(help, &QShortcut::activated, box, [topic, box] { ShowHelp(topic, box); });
    }
    return box;
}

QMessageBox::StandardButton ShowMessageBox(QWidget* parent, const MessageBoxRequest& request) {
    if (MessageHook()) {
        MessageBoxRequest shown = request;
        shown.Text = MessageBoxText(request.Text);
        return MessageHook()(shown);
    }
    QMessageBox* box = CreateMessageBox(parent, request);
    const int answer = box->exec();
    delete box;
    return static_cast<QMessageBox::StandardButton>(answer);
}

QString ConvertFileFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    static const QRegularExpression trailingPatterns(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        description.remove(trailingPatterns);
        QStringList patterns;
        for (QString pattern : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            pattern = pattern.trimmed();
            patterns << (pattern == QStringLiteral("*.*") ? QStringLiteral("*") : pattern);
        }
        entries << QStringLiteral("%1 (%2)").arg(description, patterns.join(QLatin1Char(' ')));
    }
    return entries.join(QStringLiteral(";;"));
}

std::optional<QString> ChooseSaveFile(QWidget* parent, const SaveFileRequest& request) {
    if (SaveHook()) {
        return SaveHook()(request);
    }
    QFileDialog dialog(parent, request.Title, request.StartFolder,
                       ConvertFileFilter(request.Filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (!request.DefaultSuffix.isEmpty()) {
        dialog.setDefaultSuffix(request.DefaultSuffix);
    }
    if (!request.FileName.isEmpty()) {
        dialog.selectFile(request.FileName);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().constFirst();
}

std::optional<QString> ChooseFolder(QWidget* parent, const FolderRequest& request) {
    if (FolderChoiceHook()) {
        return FolderChoiceHook()(request);
    }
    const QString folder =
        QFileDialog::getExistingDirectory(parent, request.Title, request.StartFolder);
    if (folder.isEmpty()) {
        return std::nullopt;
    }
    return folder;
}

}  // namespace quenby::gui

#pragma once

#include <QMessageBox>
#include <QString>
#include <functional>
#include <optional>

class QWidget;

namespace quenby::gui {

// Message boxes are described by kind; Qt supplies titles and button texts.
enum class MessageKind { Error, Warning, Information, Confirmation };

struct MessageBoxRequest {
    MessageKind Kind = MessageKind::Information;
    QString Text;
    QMessageBox::StandardButtons Buttons = QMessageBox::Ok;
    // 0: no help. Otherwise F1 in the box asks for this topic.
    int HelpTopic = 0;
    // Empty: the application's name.
    QString Title = QString();
};

// The program's texts end lines with "\r"; a box breaks them at "\n".
QString MessageBoxText(QString text);

// Shows a modal box and returns the button pressed (the Escape button when
// the box is closed otherwise). The hook, when set, sees the request with
// its text as the box would show it.
QMessageBox::StandardButton ShowMessageBox(QWidget* parent, const MessageBoxRequest& request);

// Builds the box ShowMessageBox would run, without running it.
QMessageBox* CreateMessageBox(QWidget* parent, const MessageBoxRequest& request);

struct SaveFileRequest {
    QString Title;
    // In the "Description (*.a)|*.a|Other|*.b;*.c" form; see ConvertFileFilter.
    QString Filter;
    QString StartFolder;         // empty: the dialog's own default
    QString FileName = {};       // proposed name; empty: none
    QString DefaultSuffix = {};  // added to a typed name without extension; empty: none
};

// The chosen file, or nothing when the user cancels. The name is taken as
// typed (no extension added) and an existing file is not asked about.
std::optional<QString> ChooseSaveFile(QWidget* parent, const SaveFileRequest& request);

struct FolderRequest {
    QString Title;
    QString StartFolder;
};

std::optional<QString> ChooseFolder(QWidget* parent, const FolderRequest& request);

// "Text Files (*.txt)|*.txt|All Files (*.*)|*.*" becomes
// "Text Files (*.txt);;All Files (*)": Qt takes the patterns from the
// parentheses, and "*.*" there would skip names without a dot.
QString ConvertFileFilter(const QString& filter);

// Hooks that answer in place of the modal windows, so that tests never block.
// An empty function restores the real window.
using MessageBoxHook = std::function<QMessageBox::StandardButton(const MessageBoxRequest&)>;
using SaveFileHook = std::function<std::optional<QString>(const SaveFileRequest&)>;
using FolderHook = std::function<std::optional<QString>(const FolderRequest&)>;

void SetMessageBoxHook(MessageBoxHook hook);
void SetSaveFileHook(SaveFileHook hook);
void SetFolderHook(FolderHook hook);

}  // namespace quenby::gui

#include "tests/gui/guitest.h"

#include <gtest/gtest.h>

namespace quenby::test {

using namespace gui;

void InstallRefusingHooks() {
    gui::SetMessageBoxHook([](const gui::MessageBoxRequest& request) {
        ADD_FAILURE() << "unexpected message box: " << request.Text.toStdString();
        return QMessageBox::Cancel;
    });
    gui::SetSaveFileHook([](const gui::SaveFileRequest& request) {
        ADD_FAILURE() << "unexpected save dialog: " << request.Title.toStdString();
        return std::optional<QString>();
    });
    gui::SetFolderHook([](const gui::FolderRequest& request) {
        ADD_FAILURE() << "unexpected folder chooser: " << request.Title.toStdString();
        return std::optional<QString>();
    });
}

MessageBoxAnswers::MessageBoxAnswers(QMessageBox::StandardButton answer) {
    gui::SetMessageBoxHook([this, answer](const gui::MessageBoxRequest& request) {
        m_requests.push_back(request);
        return answer;
    });
}

MessageBoxAnswers::~MessageBoxAnswers() {
    InstallRefusingHooks();
}

SaveFileAnswers::SaveFileAnswers(std::optional<QString> answer) {
    gui::SetSaveFileHook([this, answer](const gui::SaveFileRequest& request) {
        m_requests.push_back(request);
        return answer;
    });
}

SaveFileAnswers::~SaveFileAnswers() {
    InstallRefusingHooks();
}

FolderAnswers::FolderAnswers(std::optional<QString> answer) {
    gui::SetFolderHook([this, answer](const gui::FolderRequest& request) {
        m_requests.push_back(request);
        return answer;
    });
}

FolderAnswers::~FolderAnswers() {
    InstallRefusingHooks();
}

}  // namespace quenby::test

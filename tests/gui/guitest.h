#pragma once

#include <QMessageBox>
#include <QString>
#include <optional>
#include <ostream>
#include <vector>

#include "gui/dialogs.h"

// Readable failures: GoogleTest finds this beside QString.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace quenby::test {

// Hooks that fail the running test when a message box or file dialog shows
// up that the test did not ask for. Installed by the test main.
void InstallRefusingHooks();

// Answers message boxes while it lives, recording each request.
class MessageBoxAnswers {
public:
    explicit MessageBoxAnswers(QMessageBox::StandardButton answer = QMessageBox::Ok);
    MessageBoxAnswers(const MessageBoxAnswers&) = delete;
    MessageBoxAnswers& operator=(const MessageBoxAnswers&) = delete;
    ~MessageBoxAnswers();

    const std::vector<gui::MessageBoxRequest>& Requests() const { return m_requests; }

private:
    std::vector<gui::MessageBoxRequest> m_requests;
};

// Answers save dialogs with the given file name (nothing: cancel).
class SaveFileAnswers {
public:
    explicit SaveFileAnswers(std::optional<QString> answer);
    SaveFileAnswers(const SaveFileAnswers&) = delete;
    SaveFileAnswers& operator=(const SaveFileAnswers&) = delete;
    ~SaveFileAnswers();

    const std::vector<gui::SaveFileRequest>& Requests() const { return m_requests; }

private:
    std::vector<gui::SaveFileRequest> m_requests;
};

// Answers folder choosers with the given folder (nothing: cancel).
class FolderAnswers {
public:
    explicit FolderAnswers(std::optional<QString> answer);
    FolderAnswers(const FolderAnswers&) = delete;
    FolderAnswers& operator=(const FolderAnswers&) = delete;
    ~FolderAnswers();

    const std::vector<gui::FolderRequest>& Requests() const { return m_requests; }

private:
    std::vector<gui::FolderRequest> m_requests;
};

}  // namespace quenby::test

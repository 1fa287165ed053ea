#include "controls/controlstore.h"

#include <QObject>
#include <QWidget>
#include <memory>

#include "controls/enhedit.h"
#include "controls/jampathedit.h"
#include "controls/stdcontrols.h"
#include "platform/files/wholefile.h"
#include "settings/appfolders.h"
#include "settings/inifile.h"
#include "settings/runkeys.h"

namespace quenby::gui {
namespace {

std::string Utf8(const QString& text) {
    return text.toStdString();
}
QString FromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

// Copies one file over another, replacing it; the outcome does not matter to
// the caller, which only wants the copy where it can be had.
void CopyReplacing(const std::string& from, const std::string& to) {
    std::string contents;
    std::string error;
    if (platform::ReadWholeFile(from, contents, error) == platform::ReadOutcome::Read) {
        platform::ReplaceWholeFile(to, contents, error);
    }
}

// The controls of an owner in the owner's order: the order in which the
// window's layout created them, depth first. The edit inside a path edit
// belongs to that control and is never visited on its own.
QList<QObject*> OwnedControls(QObject* owner) {
    QList<QObject*> controls;
    for (QObject* child : owner->children()) {
        controls.append(child);
        if (qobject_cast<TJamPathEdit*>(child) == nullptr) {
            controls.append(OwnedControls(child));
        }
    }
    return controls;
}

void SaveOne(QObject* control, TMemIniFile& file, const std::string& section) {
    const std::string name = Utf8(control->objectName());
    if (name.empty()) {
        return;
    }
    // Each kind is tested on its own: a numeric edit is an edit too, and its
    // number then replaces the text under the same key.
    if (const auto* edit = qobject_cast<TEdit*>(control)) {
        file.WriteString(section, name, Utf8(edit->text()));
    }
    if (const auto* number = qobject_cast<TEnhancedEdit*>(control)) {
        file.WriteFloat(section, name, number->Value());
    }
    if (const auto* labeled = qobject_cast<TLabeledEdit*>(control)) {
        file.WriteString(section, name, Utf8(labeled->text()));
    }
    if (const auto* path = qobject_cast<TJamPathEdit*>(control)) {
        file.WriteString(section, name, Utf8(path->Path()));
    }
    if (const auto* combo = qobject_cast<TComboBox*>(control)) {
        file.WriteString(section, name, Utf8(combo->Text()));
        file.WriteInteger(section, name + std::string(runkeys::kIndexSuffix), combo->ItemIndex());
    }
    if (const auto* check = qobject_cast<TCheckBox*>(control)) {
        file.WriteBool(section, name, check->Checked());
    }
    if (const auto* radio = qobject_cast<TRadioGroup*>(control)) {
        file.WriteInteger(section, name, radio->ItemIndex());
    }
    if (const auto* list = qobject_cast<TListBox*>(control)) {
        file.WriteInteger(section, name, list->ItemIndex());
    }
    if (const auto* checkList = qobject_cast<TCheckListBox*>(control)) {
        file.WriteInteger(section, name, checkList->Count());
        for (int i = 0; i < checkList->Count(); ++i) {
            file.WriteBool(section, name + std::to_string(i), checkList->Checked(i));
        }
    }
    if (const auto* item = qobject_cast<TMenuItem*>(control)) {
        file.WriteBool(section, name, item->Checked());
    }
    if (const auto* picker = qobject_cast<TDateTimePicker*>(control)) {
        file.WriteFloat(section, name, picker->DateTime());
    }
    if (const auto* track = qobject_cast<TTrackBar*>(control)) {
        file.WriteInteger(section, name, track->Position());
    }
}

void LoadOne(QObject* control, const TMemIniFile& file, const std::string& section) {
    const std::string name = Utf8(control->objectName());
    if (name.empty()) {
        return;
    }
    if (auto* combo = qobject_cast<TComboBox*>(control)) {
        combo->SetItemIndex(file.ReadInteger(section, name + std::string(runkeys::kIndexSuffix),
                                             combo->ItemIndex()));
        combo->SetText(FromUtf8(file.ReadString(section, name, Utf8(combo->Text()))));
    }
    if (auto* labeled = qobject_cast<TLabeledEdit*>(control)) {
        labeled->setText(FromUtf8(file.ReadString(section, name, Utf8(labeled->text()))));
    }
    if (auto* path = qobject_cast<TJamPathEdit*>(control)) {
        path->SetPath(FromUtf8(file.ReadString(section, name, Utf8(path->Path()))));
    }
    // A numeric edit takes its number and nothing else.
    if (auto* number = qobject_cast<TEnhancedEdit*>(control)) {
        number->SetValue(file.ReadFloat(section, name, number->Value()));
        return;
    }
    if (auto* edit = qobject_cast<TEdit*>(control)) {
        edit->setText(FromUtf8(file.ReadString(section, name, Utf8(edit->text()))));
    }
    if (auto* check = qobject_cast<TCheckBox*>(control)) {
        check->SetChecked(file.ReadBool(section, name, check->Checked()));
    }
    if (auto* radio = qobject_cast<TRadioGroup*>(control)) {
        radio->SetItemIndex(file.ReadInteger(section, name, radio->ItemIndex()));
    }
    if (auto* list = qobject_cast<TListBox*>(control)) {
        list->SetItemIndex(file.ReadInteger(section, name, list->ItemIndex()));
    }
    if (auto* checkList = qobject_cast<TCheckListBox*>(control)) {
        const int stored = file.ReadInteger(section, name, checkList->Count());
        for (int i = 0; i < stored && i < checkList->Count(); ++i) {
            checkList->SetChecked(
                i, file.ReadBool(section, name + std::to_string(i), checkList->Checked(i)));
        }
    }
    if (auto* item = qobject_cast<TMenuItem*>(control)) {
        item->SetChecked(file.ReadBool(section, name, item->Checked()));
    }
    if (auto* picker = qobject_cast<TDateTimePicker*>(control)) {
        picker->SetDateTime(file.ReadFloat(section, name, picker->DateTime()));
    }
    if (auto* track = qobject_cast<TTrackBar*>(control)) {
        track->SetPosition(file.ReadInteger(section, name, track->Position()));
    }
}

}  // namespace

std::string BackupFilePathFor(const std::string& settingsFile) {
    return ChangeFileExt(settingsFile, ".bak");
}

std::string BackupFilePath() {
    return BackupFilePathFor(SettingsFilePath());
}

void SaveControlStates(QObject* owner, const std::string& fileName, const std::string& section) {
    TMemIniFile file(fileName);
    file.WriteBool(section, kSectionMarkerKey, true);
    file.WriteInteger(kCheckSection, kFileMarkerKey, 1);
    for (QObject* control : OwnedControls(owner)) {
        SaveOne(control, file, section);
    }
    file.UpdateFile();
}

bool LoadControlStates(QObject* owner, const std::string& fileName, const std::string& section) {
    auto file = std::make_unique<TMemIniFile>(fileName);
    bool found = file->ReadBool(section, kSectionMarkerKey, false);
    const std::string backup = BackupFilePathFor(fileName);
    if (file->ReadInteger(kCheckSection, kFileMarkerKey, 0) != 0) {
        // A complete file: keep a copy of it as it was at this start.
        CopyReplacing(fileName, backup);
    } else {
        // Missing, empty, cut short or never finished: the backup stands in.
        file.reset();
        CopyReplacing(backup, fileName);
        file = std::make_unique<TMemIniFile>(fileName);
        found = file->ReadBool(section, kSectionMarkerKey, false);
    }
    if (found) {
        for (QObject* control : OwnedControls(owner)) {
            LoadOne(control, *file, section);
        }
    }
    return found;
}

void SaveFormState(QWidget* form) {
    SaveControlStates(form, SettingsFilePath(), Utf8(form->objectName()));
}

bool LoadFormState(QWidget* form) {
    return LoadControlStates(form, SettingsFilePath(), Utf8(form->objectName()));
}

}  // namespace quenby::gui

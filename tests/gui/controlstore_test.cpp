#include "controls/controlstore.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QWidget>

#include "controls/enhedit.h"
#include "controls/jampathedit.h"
#include "controls/stdcontrols.h"
#include "settings/appfolders.h"
#include "settings/inifile.h"
#include "settings/numbersettings.h"
#include "tests/gui/guitest.h"
#include "tests/support/tempfolder.h"

namespace quenby::test {

using namespace gui;
namespace {

QString Q(const char* text) {
    return QString::fromUtf8(text);
}

// A window shaped like the main window: its stored controls in the order the
// main window creates them, with plain widgets between them.
struct MainLikeForm {
    QWidget Form;
    TRadioGroup* Optionen;
    TComboBox* Trennzeichen;
    TListBox* Dirliste;
    TLabeledEdit* Maske;
    TJamPathEdit* Rootdir;
    TLabeledEdit* Prefix;
    TLabeledEdit* Suffix;
    TCheckBox* Deletesource;
    TCheckBox* Useprefix;

    MainLikeForm() {
        Form.setObjectName(Q("Quenbyform"));
        Optionen = Make<TRadioGroup>("optionen");
        Optionen->SetItems({Q("yyyy/mm/dd"), Q("yyyy/m/d"), Q("dd/mm/yyyy"), Q("d/m/yyyy")});
        Optionen->SetItemIndex(0);
        new QWidget(&Form);  // a label, say: no row meets it
        Trennzeichen = Make<TComboBox>("trennzeichen");
        Trennzeichen->addItems({Q("-"), Q("."), Q("_"), Q("="), Q("~"), Q("#")});
        Trennzeichen->SetItemIndex(-1);
        Dirliste = Make<TListBox>("dirliste");
        Maske = Make<TLabeledEdit>("maske");
        Maske->setText(Q("*.jpg;*.avi"));
        Rootdir = Make<TJamPathEdit>("rootdir");
        Prefix = Make<TLabeledEdit>("Prefix");
        Suffix = Make<TLabeledEdit>("Suffix");
        Deletesource = Make<TCheckBox>("deletesource");
        Useprefix = Make<TCheckBox>("useprefix");
    }

    template <typename T>
    T* Make(const char* name) {
        auto* control = new T(&Form);
        control->setObjectName(Q(name));
        return control;
    }
};

class ControlStoreTest : public ::testing::Test {
protected:
    void SetUp() override { SetSettingsFilePath(m_tmp / "quenby.ini"); }
    void TearDown() override {
        SetSettingsFilePath("");
        ResetNumberSettings();
    }

    std::string Ini() const { return m_tmp / "quenby.ini"; }
    std::string Bak() const { return m_tmp / "quenby.bak"; }

    TempFolder m_tmp;
};

TEST_F(ControlStoreTest, ANewFileGetsTheKeysInTheWindowsOrder) {
    MainLikeForm window;
    window.Trennzeichen->SetItemIndex(0);
    window.Rootdir->SetPath(Q("/data/Bilder"));
    SaveFormState(&window.Form);
    EXPECT_EQ(ReadFile(Ini()),
              "[Quenbyform]\r\nSektionVorhanden=1\r\noptionen=0\r\ntrennzeichen=-\r\n"
              "trennzeichenI=0\r\ndirliste=-1\r\nmaske=*.jpg;*.avi\r\nrootdir=/data/Bilder\r\n"
              "Prefix=\r\nSuffix=\r\ndeletesource=0\r\nuseprefix=0\r\n\r\n"
              "[Check]\r\nWroteSuccesful=1\r\n\r\n");
    EXPECT_FALSE(Exists(Bak()));
}

TEST_F(ControlStoreTest, SaveThenLoadRestoresTheWindow) {
    {
        MainLikeForm window;
        window.Optionen->SetItemIndex(2);
        window.Trennzeichen->SetItemIndex(5);
        window.Maske->setText(Q("*.png; *.mov"));
        window.Rootdir->SetPath(Q("/photos/sorted"));
        window.Prefix->setText(Q(" IMG_ "));
        window.Suffix->setText(Q("_ü"));
        window.Deletesource->SetChecked(true);
        SaveFormState(&window.Form);
    }
    MainLikeForm window;
    window.Dirliste->addItems({Q("/a"), Q("/b")});
    EXPECT_TRUE(LoadFormState(&window.Form));
    EXPECT_EQ(window.Optionen->ItemIndex(), 2);
    EXPECT_EQ(window.Trennzeichen->ItemIndex(), 5);
    EXPECT_EQ(window.Trennzeichen->Text(), Q("#"));
    EXPECT_EQ(window.Maske->text(), Q("*.png; *.mov"));
    EXPECT_EQ(window.Rootdir->Path(), Q("/photos/sorted"));
    // Blanks at the ends of a stored text do not survive reading.
    EXPECT_EQ(window.Prefix->text(), Q("IMG_"));
    EXPECT_TRUE(window.Deletesource->Checked());
    EXPECT_FALSE(window.Useprefix->Checked());
    EXPECT_EQ(window.Dirliste->ItemIndex(), -1);
    // The file was complete, so this start made the backup.
    EXPECT_EQ(ReadFile(Bak()), ReadFile(Ini()));
}

TEST_F(ControlStoreTest, EveryKindOfControlRoundTrips) {
    NumberSettings().DecimalSeparator = ",";
    NumberSettings().ThousandSeparator = ".";
    auto build = [](QWidget& form) {
        auto make = [&form](QObject* control, const char* name) {
            control->setObjectName(Q(name));
            return control;
        };
        make(new TEdit(&form), "edit");
        make(new TEnhancedEdit(&form), "number");
        make(new TLabeledEdit(&form), "labeled");
        make(new TJamPathEdit(&form), "path");
        auto* combo = static_cast<TComboBox*>(make(new TComboBox(&form), "combo"));
        combo->addItems({Q("a"), Q("b")});
        make(new TCheckBox(&form), "check");
        auto* radio = static_cast<TRadioGroup*>(make(new TRadioGroup(&form), "radio"));
        radio->SetItems({Q("x"), Q("y"), Q("z")});
        auto* list = static_cast<TListBox*>(make(new TListBox(&form), "list"));
        list->addItems({Q("1"), Q("2")});
        auto* checks = static_cast<TCheckListBox*>(make(new TCheckListBox(&form), "checks"));
        for (const char* item : {"p", "q", "r"}) {
            checks->AddItem(Q(item));
        }
        auto* item = new TMenuItem(&form);
        item->setCheckable(true);
        make(item, "menu");
        make(new TDateTimePicker(&form), "picker");
        auto* track = static_cast<TTrackBar*>(make(new TTrackBar(&form), "track"));
        track->setRange(0, 100);
        form.setObjectName(Q("Probe"));
    };
    QWidget saved;
    build(saved);
    saved.findChild<TEdit*>(Q("edit"))->setText(Q("plain text"));
    saved.findChild<TEnhancedEdit*>(Q("number"))->SetValue(1.5);
    saved.findChild<TLabeledEdit*>(Q("labeled"))->setText(Q("label"));
    saved.findChild<TJamPathEdit*>(Q("path"))->SetPath(Q("/x/y"));
    saved.findChild<TComboBox*>(Q("combo"))->SetItemIndex(1);
    saved.findChild<TCheckBox*>(Q("check"))->SetChecked(true);
    saved.findChild<TRadioGroup*>(Q("radio"))->SetItemIndex(2);
    saved.findChild<TListBox*>(Q("list"))->SetItemIndex(1);
    saved.findChild<TCheckListBox*>(Q("checks"))->SetChecked(1, true);
    saved.findChild<TMenuItem*>(Q("menu"))->SetChecked(true);
    saved.findChild<TDateTimePicker*>(Q("picker"))->SetDateTime(41762.5);
    saved.findChild<TTrackBar*>(Q("track"))->SetPosition(42);
    SaveControlStates(&saved, Ini(), "Probe");

    // The numeric edit's key holds its number in the user's notation.
    TMemIniFile file(Ini());
    EXPECT_EQ(file.ReadString("Probe", "number", ""), "1,5");
    EXPECT_EQ(file.ReadString("Probe", "checks", ""), "3");
    EXPECT_EQ(file.ReadString("Probe", "comboI", ""), "1");

    QWidget loaded;
    build(loaded);
    ASSERT_TRUE(LoadControlStates(&loaded, Ini(), "Probe"));
    EXPECT_EQ(loaded.findChild<TEdit*>(Q("edit"))->text(), Q("plain text"));
    EXPECT_DOUBLE_EQ(loaded.findChild<TEnhancedEdit*>(Q("number"))->Value(), 1.5);
    EXPECT_EQ(loaded.findChild<TLabeledEdit*>(Q("labeled"))->text(), Q("label"));
    EXPECT_EQ(loaded.findChild<TJamPathEdit*>(Q("path"))->Path(), Q("/x/y"));
    EXPECT_EQ(loaded.findChild<TComboBox*>(Q("combo"))->Text(), Q("b"));
    EXPECT_TRUE(loaded.findChild<TCheckBox*>(Q("check"))->Checked());
    EXPECT_EQ(loaded.findChild<TRadioGroup*>(Q("radio"))->ItemIndex(), 2);
    EXPECT_EQ(loaded.findChild<TListBox*>(Q("list"))->ItemIndex(), 1);
    EXPECT_TRUE(loaded.findChild<TCheckListBox*>(Q("checks"))->Checked(1));
    EXPECT_FALSE(loaded.findChild<TCheckListBox*>(Q("checks"))->Checked(0));
    EXPECT_TRUE(loaded.findChild<TMenuItem*>(Q("menu"))->Checked());
    EXPECT_NEAR(loaded.findChild<TDateTimePicker*>(Q("picker"))->DateTime(), 41762.5, 1e-6);
    EXPECT_EQ(loaded.findChild<TTrackBar*>(Q("track"))->Position(), 42);
}

TEST_F(ControlStoreTest, NoFileAndNoBackupTouchesNothing) {
    MainLikeForm window;
    EXPECT_FALSE(LoadFormState(&window.Form));
    EXPECT_FALSE(Exists(Ini()));
    EXPECT_FALSE(Exists(Bak()));
    EXPECT_EQ(window.Optionen->ItemIndex(), 0);
    EXPECT_EQ(window.Trennzeichen->ItemIndex(), -1);
    EXPECT_EQ(window.Maske->text(), Q("*.jpg;*.avi"));
}

TEST_F(ControlStoreTest, ADeletedOrCutShortFileComesBackFromTheBackup) {
    {
        MainLikeForm window;
        window.Trennzeichen->SetItemIndex(1);
        window.Prefix->setText(Q("saved"));
        SaveFormState(&window.Form);
        MainLikeForm starting;
        LoadFormState(&starting.Form);  // refreshes the backup
    }
    const std::string good = ReadFile(Bak());
    ASSERT_FALSE(good.empty());

    // Deleted: the backup takes its place and its states are loaded.
    ASSERT_EQ(std::remove(Ini().c_str()), 0);
    {
        MainLikeForm window;
        EXPECT_TRUE(LoadFormState(&window.Form));
        EXPECT_EQ(window.Prefix->text(), Q("saved"));
        EXPECT_EQ(ReadFile(Ini()), good);
    }
    // Cut short before its "Check" section.
    WriteFile(Ini(), good.substr(0, good.find("Prefix=")) + "Prefix=other\r\n");
    {
        MainLikeForm window;
        EXPECT_TRUE(LoadFormState(&window.Form));
        EXPECT_EQ(window.Prefix->text(), Q("saved"));
        EXPECT_EQ(window.Trennzeichen->Text(), Q("."));
        EXPECT_EQ(ReadFile(Ini()), good);
    }
}

TEST_F(ControlStoreTest, AFileMarkerOfZeroOrNoNumberCountsAsIncomplete) {
    for (const char* marker : {"0", "yes"}) {
        std::remove(Bak().c_str());
        WriteFile(Ini(), std::string("[Quenbyform]\r\nSektionVorhanden=1\r\nPrefix=mine\r\n\r\n"
                                     "[Check]\r\nWroteSuccesful=") +
                             marker + "\r\n");
        MainLikeForm window;
        // Without a backup nothing is copied, and the section still counts.
        EXPECT_TRUE(LoadFormState(&window.Form)) << marker;
        EXPECT_EQ(window.Prefix->text(), Q("mine"));
        EXPECT_FALSE(Exists(Bak())) << marker;
    }
}

TEST_F(ControlStoreTest, AFileMarkerWithoutTheSectionRefreshesTheBackupOnly) {
    WriteFile(Ini(), "[Check]\r\nWroteSuccesful=1\r\n\r\n[Other]\r\nPrefix=x\r\n");
    MainLikeForm window;
    window.Prefix->setText(Q("design"));
    EXPECT_FALSE(LoadFormState(&window.Form));
    EXPECT_EQ(window.Prefix->text(), Q("design"));
    EXPECT_EQ(ReadFile(Bak()), ReadFile(Ini()));
}

TEST_F(ControlStoreTest, StoredStatesOnlyReachItemsTheControlHolds) {
    WriteFile(Ini(),
              "[Probe]\r\nSektionVorhanden=1\r\nchecks=5\r\nchecks0=1\r\nchecks1=0\r\n"
              "checks2=1\r\nchecks3=1\r\nchecks4=1\r\nradio=9\r\nlist=7\r\ncombo=zz\r\ncomboI=4\r\n"
              "\r\n[Check]\r\nWroteSuccesful=1\r\n");
    QWidget form;
    auto* checks = new TCheckListBox(&form);
    checks->setObjectName(Q("checks"));
    for (const char* item : {"p", "q", "r"}) {
        checks->AddItem(Q(item));
    }
    auto* radio = new TRadioGroup(&form);
    radio->setObjectName(Q("radio"));
    radio->SetItems({Q("x"), Q("y")});
    auto* list = new TListBox(&form);
    list->setObjectName(Q("list"));
    list->addItems({Q("1")});
    auto* combo = new TComboBox(&form);
    combo->setObjectName(Q("combo"));
    combo->addItems({Q("a"), Q("b")});
    ASSERT_TRUE(LoadControlStates(&form, Ini(), "Probe"));
    EXPECT_EQ(checks->Count(), 3);
    EXPECT_TRUE(checks->Checked(0));
    EXPECT_FALSE(checks->Checked(1));
    EXPECT_TRUE(checks->Checked(2));
    // Out-of-range indexes go to the controls, which clamp or clear them.
    EXPECT_EQ(radio->ItemIndex(), 1);
    EXPECT_EQ(list->ItemIndex(), -1);
    EXPECT_EQ(combo->ItemIndex(), -1);
}

TEST_F(ControlStoreTest, AnUnwritableFileRaisesAndLeavesTheOldOne) {
    MainLikeForm window;
    SaveFormState(&window.Form);
    const std::string before = ReadFile(Ini());
    window.Prefix->setText(Q("new"));
    EXPECT_THROW(SaveControlStates(&window.Form, m_tmp / "missing/quenby.ini", "Quenbyform"),
                 std::exception);
    EXPECT_EQ(ReadFile(Ini()), before);
    EXPECT_EQ(BackupFilePath(), Bak());
}

}  // namespace
}  // namespace quenby::test

#include "settings/inifile.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif

#include <exception>
#include <string>
#include <vector>

#include "settings/errors.h"
#include "settings/numbersettings.h"
#include "tests/support/tempfolder.h"
#ifndef _WIN32
#include "tests/support/filesizelimit.h"
#endif

namespace quenby {
namespace {

using test::ReadFile;
using test::TempFolder;
using test::WriteFile;

constexpr const char* kUtf8Set = "UTF-8";
constexpr const char* kLatin1Set = "ISO-8859-1";

const std::string kExampleFile =
    "[Quenbyform]\r\n"
    "SektionVorhanden=1\r\n"
    "optionen=0\r\n"
    "trennzeichen=-\r\n"
    "trennzeichenI=0\r\n"
    "dirliste=-1\r\n"
    "maske=*.jpg;*.avi\r\n"
    "rootdir=/home/ann/Bilder\r\n"
    "Prefix=\r\n"
    "Suffix=\r\n"
    "deletesource=0\r\n"
    "useprefix=0\r\n"
    "\r\n"
    "[Check]\r\n"
    "WroteSuccesful=1\r\n"
    "\r\n"
    "[Verzeichnisse]\r\n"
    "Quellpfad=/media/card/DCIM\r\n"
    "\r\n"
    "[Quellverzeichnisse]\r\n"
    "Anzahl=2\r\n"
    "Nr1=/media/card/DCIM\r\n"
    "Nr2=/media/Kamera\r\n"
    "\r\n";

// Reads `contents` from a file in `charset`, writes it back unchanged and
// returns what was written.
std::string RoundTrip(const TempFolder& folder, const std::string& contents,
                      const char* charset = kUtf8Set) {
    const std::string path = folder / "quenby.ini";
    WriteFile(path, contents);
    TMemIniFile ini(path, charset);
    ini.UpdateFile();
    return ReadFile(path);
}

std::string Utf16LE(const std::u16string& text) {
    std::string out;
    for (const char16_t unit : text) {
        out.push_back(static_cast<char>(unit & 0xFF));
        out.push_back(static_cast<char>(unit >> 8));
    }
    return out;
}

std::string Utf16BE(const std::u16string& text) {
    std::string out;
    for (const char16_t unit : text) {
        out.push_back(static_cast<char>(unit >> 8));
        out.push_back(static_cast<char>(unit & 0xFF));
    }
    return out;
}

TEST(IniFileTest, WrittenFilesComeBackByteForByte) {
    const std::u16string utf16 = u"[Verzeichnisse]\r\nQuellpfad=/Bilder/Müll/日本\r\n\r\n";
    const struct {
        const char* name;
        std::string contents;
        const char* charset;
    } cases[] = {
        {"example file", kExampleFile, kUtf8Set},
        {"UTF-8 with mark", "\xEF\xBB\xBF[A]\r\nk=Müll 日本\r\n\r\n", kLatin1Set},
        {"UTF-16 LE with mark", "\xFF\xFE" + Utf16LE(utf16), kUtf8Set},
        {"UTF-16 BE with mark", "\xFE\xFF" + Utf16BE(utf16), kUtf8Set},
        {"UTF-16 pair outside the BMP", "\xFF\xFE" + Utf16LE(u"[A]\r\nk=\U0001F4F7\r\n\r\n"),
         kUtf8Set},
        {"UTF-8 bytes read as Latin-1", "[A]\r\nk=M\xC3\xBCll\r\n\r\n", kLatin1Set},
        {"Latin-1 bytes in a UTF-8 locale", "[A]\r\nk=M\xFCll\r\n\r\n", kUtf8Set},
        {"keys in capitals", "[QUENBYFORM]\r\nMASKE=*.JPG\r\n\r\n", kUtf8Set},
        {"duplicate sections and keys", "[A]\r\nk=1\r\nk=2\r\n\r\n[a]\r\nK=3\r\n\r\n", kUtf8Set},
        {"\"=\" inside values", "[A]\r\nk=a=b==c\r\n=empty name\r\n\r\n", kUtf8Set},
        {"lines without \"=\"", "[A]\r\njust text\r\n[not a header\r\n\r\n", kUtf8Set},
        {"empty sections", "[A]\r\n\r\n[]\r\n\r\n", kUtf8Set},
        {"empty file", "", kUtf8Set},
    };
    for (const auto& c : cases) {
        TempFolder folder;
        EXPECT_EQ(RoundTrip(folder, c.contents, c.charset), c.contents) << c.name;
    }
}

TEST(IniFileTest, ReadingNormalisesLayoutAndWritingThatIsStable) {
    const struct {
        const char* name;
        std::string contents;
        std::string written;
    } cases[] = {
        {"LF, CR and CRLF mixed", "[A]\nk=1\rl=2\r\n[B]\n\rm=3",
         "[A]\r\nk=1\r\nl=2\r\n\r\n[B]\r\nm=3\r\n\r\n"},
        {"blanks around \"=\" and in brackets", "  [  Check  ]  \r\n\t WroteSuccesful \t=  1 \r\n",
         "[Check]\r\nWroteSuccesful=1\r\n\r\n"},
        {"comments, blank lines, lines before a section",
         "orphan=1\r\n; comment\r\n\r\n[A]\r\n;k=2\r\n   \r\nk=3\r\n", "[A]\r\nk=3\r\n\r\n"},
        {"NUL ends the text", std::string("[A]\r\nk=1\0\r\nl=2\r\n", 16), "[A]\r\nk=1\r\n\r\n"},
        {"control characters trimmed",
         "\x01[A]\x02\r\nk=\x1F"
         "v\x7F\r\n",
         "[A]\r\nk=v\x7F\r\n\r\n"},
    };
    for (const auto& c : cases) {
        TempFolder folder;
        const std::string first = RoundTrip(folder, c.contents);
        EXPECT_EQ(first, c.written) << c.name;
        EXPECT_EQ(RoundTrip(folder, first), first) << c.name;
    }
}

TEST(IniFileTest, LookupIgnoresCaseAndFindsTheLastOccurrence) {
    TMemIniFile ini("", kUtf8Set);
    ini.LoadFromBytes(
        "[Quenbyform]\r\nMASKE=*.JPG\r\nPrefix=a\r\nprefix=b\r\nnot an entry\r\n"
        "[ÄRGER]\r\nk=1\r\n[quenbyform]\r\nSuffix=s\r\n");
    // The second section of the same name hides the first for reads.
    EXPECT_EQ(ini.ReadString("Quenbyform", "maske", "none"), "none");
    EXPECT_EQ(ini.ReadString("QUENBYFORM", "suffix", "none"), "s");
    EXPECT_EQ(ini.ReadString("ärger", "K", "none"), "1");
    EXPECT_EQ(ini.ReadString("Ärger", "not an entry", "none"), "none");
    EXPECT_EQ(ini.ReadString("Missing", "k", "default"), "default");

    TMemIniFile one("", kUtf8Set);
    one.LoadFromBytes("[A]\r\nMASKE=*.JPG\r\nk=1\r\nK=2\r\n");
    EXPECT_EQ(one.ReadString("a", "maske", ""), "*.JPG");
    EXPECT_EQ(one.ReadString("A", "k", ""), "2");
    one.WriteString("a", "maske", "*.png");
    one.WriteString("A", "k", "3");
    TextEncoding encoding{};
    EXPECT_EQ(one.SaveToBytes(encoding), "[A]\r\nmaske=*.png\r\nk=1\r\nk=3\r\n\r\n");
}

TEST(IniFileTest, WritesAppendSectionsAndEntriesAtTheEnd) {
    TempFolder folder;
    const std::string path = folder / "new.ini";
    {
        TMemIniFile ini(path, kUtf8Set);
        ini.WriteBool("Quenbyform", "SektionVorhanden", true);
        ini.WriteInteger("Check", "WroteSuccesful", 1);
        ini.WriteInteger("Quenbyform", "dirliste", -1);
        ini.WriteString("Quenbyform", "maske", "  *.jpg = x ");
        // Nothing reaches the disk before UpdateFile.
        EXPECT_FALSE(test::Exists(path));
        ini.UpdateFile();
    }
    EXPECT_EQ(ReadFile(path),
              "[Quenbyform]\r\nSektionVorhanden=1\r\ndirliste=-1\r\nmaske=  *.jpg = x \r\n\r\n"
              "[Check]\r\nWroteSuccesful=1\r\n\r\n");
    // Blanks at the ends of a value do not survive reading.
    TMemIniFile again(path, kUtf8Set);
    EXPECT_EQ(again.ReadString("quenbyform", "MASKE", ""), "*.jpg = x");
}

TEST(IniFileTest, AValueCannotEndItsLineEarly) {
    TempFolder folder;
    const std::string path = folder / "quenby.ini";
    const std::string folderName = "/media/a\r\n[Quenbyform]\ndeletesource=1\rx";
    {
        TMemIniFile ini(path, kUtf8Set);
        ini.WriteBool("Quenbyform", "deletesource", false);
        ini.WriteString("Quellverzeichnisse", "Nr1", folderName);
        ini.WriteString("Quellverzeichnisse", std::string("Nr\0002", 4), "b");
        ini.WriteString("Verzeichnisse", "Quellpfad", "c");
        ini.UpdateFile();
    }
    TMemIniFile again(path, kUtf8Set);
    EXPECT_FALSE(again.ReadBool("Quenbyform", "deletesource", true));
    EXPECT_EQ(again.ReadString("Quellverzeichnisse", "Nr1", ""),
              "/media/a??[Quenbyform]?deletesource=1?x");
    EXPECT_EQ(again.ReadString("Quellverzeichnisse", "Nr?2", ""), "b");
    EXPECT_EQ(again.ReadString("Verzeichnisse", "Quellpfad", ""), "c");
}

TEST(IniFileTest, TypedReadsFallBackToTheDefault) {
    const struct {
        const char* value;
        std::int32_t integer;  // read with default 77
        bool boolean;          // read with default true
    } cases[] = {
        {"0", 0, false},
        {"1", 1, true},
        {"-1", -1, true},
        {"2", 2, true},
        {"+15", 15, true},
        {"   42", 42, true},
        {"42 ", 77, true},
        {"$1F", 31, true},
        {"x1f", 31, true},
        {"X10", 16, true},
        {"0x7FFFFFFF", 2147483647, true},
        {"$FFFFFFFF", -1, true},
        {"$100000000", 77, true},
        {"2147483647", 2147483647, true},
        {"-2147483648", -2147483647 - 1, true},
        {"2147483648", 77, true},
        {"-$10", 77, true},
        {"$", 77, true},
        {"", 77, true},
        {"yes", 77, true},
        {"1.5", 77, true},
    };
    for (const auto& c : cases) {
        TMemIniFile ini("", kUtf8Set);
        ini.WriteString("S", "k", c.value);
        EXPECT_EQ(ini.ReadInteger("S", "k", 77), c.integer) << '"' << c.value << '"';
        EXPECT_EQ(ini.ReadBool("S", "k", true), c.boolean) << '"' << c.value << '"';
    }
    TMemIniFile ini("", kUtf8Set);
    EXPECT_FALSE(ini.ReadBool("S", "missing", false));
    EXPECT_EQ(ini.ReadInteger("S", "missing", -5), -5);
}

class IniFileNumberTest : public ::testing::Test {
protected:
    void TearDown() override { ResetNumberSettings(); }
};

TEST_F(IniFileNumberTest, FloatsFollowTheProcessDecimalSeparator) {
    NumberSettings().DecimalSeparator = ",";
    TMemIniFile ini("", kUtf8Set);
    ini.WriteFloat("S", "value", 1.5);
    EXPECT_EQ(ini.ReadString("S", "value", ""), "1,5");
    EXPECT_EQ(ini.ReadFloat("S", "value", 0), 1.5);
    ini.WriteString("S", "point", "1.5");
    EXPECT_EQ(ini.ReadFloat("S", "point", -1), -1);

    // A file written with a decimal comma reads as the default on a system
    // with a decimal point.
    NumberSettings().DecimalSeparator = ".";
    EXPECT_EQ(ini.ReadFloat("S", "value", 7.25), 7.25);
    EXPECT_EQ(ini.ReadFloat("S", "point", 0), 1.5);
    EXPECT_EQ(ini.ReadFloat("S", "missing", 3), 3);
}

TEST(IniFileTest, UnicodeMarksAreKeptAndNewFilesUseTheLocaleSet) {
    TempFolder folder;
    const std::string path = folder / "quenby.ini";
    {
        TMemIniFile ini(path, kLatin1Set);
        EXPECT_EQ(ini.Encoding(), TextEncoding::None);
        ini.WriteString("Quellverzeichnisse", "Nr1", "/Bilder/Müll");
        ini.UpdateFile();
    }
    EXPECT_EQ(ReadFile(path), "[Quellverzeichnisse]\r\nNr1=/Bilder/M\xFCll\r\n\r\n");
    {
        TMemIniFile ini(path, kLatin1Set);
        EXPECT_EQ(ini.Encoding(), TextEncoding::Ansi);
        EXPECT_EQ(ini.ReadString("Quellverzeichnisse", "Nr1", ""), "/Bilder/Müll");
    }

    WriteFile(path, "\xFE\xFF" + Utf16BE(u"[A]\r\nk=1\r\n"));
    {
        TMemIniFile ini(path, kLatin1Set);
        EXPECT_EQ(ini.Encoding(), TextEncoding::Utf16BE);
        ini.WriteString("A", "name", "日本");
        ini.UpdateFile();
    }
    EXPECT_EQ(ReadFile(path), "\xFE\xFF" + Utf16BE(u"[A]\r\nk=1\r\nname=日本\r\n\r\n"));
}

TEST(IniFileTest, TextTheLocaleSetCannotHoldIsWrittenAsUtf8) {
    TempFolder folder;
    const std::string path = folder / "quenby.ini";
    WriteFile(path, "[Quellverzeichnisse]\r\nAnzahl=1\r\nNr1=/Bilder/M\xFCll\r\n");
    {
        TMemIniFile ini(path, kLatin1Set);
        ini.WriteString("Quellverzeichnisse", "Nr2", "/Фото/日本");
        ini.UpdateFile();
        EXPECT_EQ(ini.Encoding(), TextEncoding::Utf8);
    }
    EXPECT_EQ(ReadFile(path),
              "\xEF\xBB\xBF[Quellverzeichnisse]\r\nAnzahl=1\r\nNr1=/Bilder/Müll\r\n"
              "Nr2=/Фото/日本\r\n\r\n");
    TMemIniFile again(path, kLatin1Set);
    EXPECT_EQ(again.ReadString("Quellverzeichnisse", "Nr2", ""), "/Фото/日本");
    EXPECT_EQ(again.ReadString("Quellverzeichnisse", "Nr1", ""), "/Bilder/Müll");
}

// Linux only: file names that are no UTF-8, sockets, size limits and links.
#ifndef _WIN32
TEST(IniFileTest, BytesThatAreNoUtf8SurviveEveryEncoding) {
    // A Linux folder name need not be UTF-8; it must come back as it was.
    const std::string name = "/Bilder/M\xFCll\xC3";
    for (const char* mark : {"", "\xEF\xBB\xBF", "\xFF\xFE", "\xFE\xFF"}) {
        TempFolder folder;
        const std::string path = folder / "quenby.ini";
        const std::string markText(mark);
        WriteFile(path, markText.empty() ? "" : markText);
        {
            TMemIniFile ini(path, kUtf8Set);
            ini.WriteString("Quellverzeichnisse", "Nr1", name);
            ini.UpdateFile();
        }
        TMemIniFile again(path, kUtf8Set);
        EXPECT_EQ(again.ReadString("Quellverzeichnisse", "Nr1", ""), name)
            << "mark of " << markText.size() << " bytes";
        EXPECT_EQ(ReadFile(path).substr(0, markText.size()), markText);
    }
}

TEST(IniFileTest, OpenAndCreateFailuresCarryTheirTexts) {
    TempFolder folder;
    // A socket cannot be opened as a file, not even by root.
    const std::string socketPath = folder / "quenby.ini";
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    socketPath.copy(address.sun_path, socketPath.size());
    ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    try {
        TMemIniFile ini(socketPath, kUtf8Set);
        ADD_FAILURE() << "no error for a socket";
    } catch (const FileOpenError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Datei " + socketPath + " kann nicht geöffnet werden. No such device or address");
    }
    ::close(fd);

    // A pipe under the name must not stall the reader.
    const std::string pipePath = folder / "pipe.ini";
    ASSERT_EQ(::mkfifo(pipePath.c_str(), 0600), 0);
    try {
        TMemIniFile ini(pipePath, kUtf8Set);
        ADD_FAILURE() << "no error for a pipe";
    } catch (const FileOpenError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Datei " + pipePath + " kann nicht geöffnet werden. Invalid argument");
    }

    const std::string missingFolder = folder / "missing/quenby.ini";
    TMemIniFile ini(missingFolder, kUtf8Set);
    ini.WriteString("A", "k", "v");
    try {
        ini.UpdateFile();
        ADD_FAILURE() << "no error for a missing folder";
    } catch (const FileCreateError& error) {
        EXPECT_EQ(std::string(error.what()), "Datei \"" + missingFolder +
                                                 "\" kann nicht erstellt werden. "
                                                 "No such file or directory");
    }
    EXPECT_FALSE(test::Exists(folder / "missing"));

    // A file past 16 MB is refused before it is read; sparse, it costs no disk.
    const std::string hugePath = folder / "huge.ini";
    test::WriteFile(hugePath, "[a]\r\n");
    ASSERT_EQ(::truncate(hugePath.c_str(), kMaxSettingsFileBytes + 1), 0);
    try {
        TMemIniFile ini(hugePath, kUtf8Set);
        ADD_FAILURE() << "no error for a file past the limit";
    } catch (const FileOpenError& error) {
        EXPECT_EQ(std::string(error.what()), "Datei " + hugePath +
                                                 " kann nicht geöffnet werden. The file is "
                                                 "larger than 16 MB.");
    }
    ASSERT_EQ(::truncate(hugePath.c_str(), kMaxSettingsFileBytes), 0);
    EXPECT_NO_THROW(TMemIniFile(hugePath, kUtf8Set));

    // A folder under the name reads as no file and cannot be written.
    test::MakeFolders(folder / "dir.ini");
    TMemIniFile onFolder(folder / "dir.ini", kUtf8Set);
    EXPECT_EQ(onFolder.Encoding(), TextEncoding::None);
    EXPECT_THROW(onFolder.UpdateFile(), FileCreateError);
}

using test::FileSizeLimit;

TEST(IniFileTest, FailedWritesLeaveTheOldFileWhole) {
    TempFolder folder;
    const std::string path = folder / "quenby.ini";
    WriteFile(path, kExampleFile);
    ::chmod(path.c_str(), 0640);

    TMemIniFile ini(path, kUtf8Set);
    for (int i = 1; i <= 200; ++i) {
        ini.WriteString("Quellverzeichnisse", "Nr" + std::to_string(i), "/media/card/DCIM/100");
    }
    {
        const FileSizeLimit limit(kExampleFile.size() + 10);
        try {
            ini.UpdateFile();
            ADD_FAILURE() << "the write did not fail";
        } catch (const StreamWriteError& error) {
            EXPECT_STREQ(error.what(), "Stream-Schreibfehler");
        }
    }
    EXPECT_EQ(ReadFile(path), kExampleFile);
    EXPECT_EQ(test::ListFolder(folder.Path()), std::vector<std::string>{"quenby.ini"});

    // No descriptor left: the new file cannot even be created.
    {
        rlimit previous{};
        ::getrlimit(RLIMIT_NOFILE, &previous);
        rlimit none = previous;
        none.rlim_cur = 0;
        ::setrlimit(RLIMIT_NOFILE, &none);
        // Looked at only once descriptors are back: the sanitizers need some.
        std::exception_ptr caught;
        try {
            ini.UpdateFile();
        } catch (...) {
            caught = std::current_exception();
        }
        ::setrlimit(RLIMIT_NOFILE, &previous);
        ASSERT_TRUE(caught);
        try {
            std::rethrow_exception(caught);
        } catch (const FileCreateError& error) {
            EXPECT_EQ(std::string(error.what()),
                      "Datei \"" + path + "\" kann nicht erstellt werden. Too many open files");
        }
    }
    EXPECT_EQ(ReadFile(path), kExampleFile);
    EXPECT_EQ(test::ListFolder(folder.Path()), std::vector<std::string>{"quenby.ini"});

    // The next write succeeds and keeps the file's permission bits.
    ini.UpdateFile();
    TMemIniFile again(path, kUtf8Set);
    EXPECT_EQ(again.ReadString("Quellverzeichnisse", "Nr200", ""), "/media/card/DCIM/100");
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(test::ListFolder(folder.Path()), std::vector<std::string>{"quenby.ini"});
}

TEST(IniFileTest, ALinkedSettingsFileIsWrittenThroughTheLink) {
    TempFolder folder;
    const std::string real = folder / "dotfiles/quenby.ini";
    WriteFile(real, "[A]\r\nk=1\r\n");
    const std::string link = folder / "quenby.ini";
    ASSERT_EQ(::symlink(real.c_str(), link.c_str()), 0);
    TMemIniFile ini(link, kUtf8Set);
    ini.WriteString("A", "k", "2");
    ini.UpdateFile();
    struct stat info {};
    ASSERT_EQ(::lstat(link.c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    EXPECT_EQ(ReadFile(real), "[A]\r\nk=2\r\n\r\n");
}

#endif

}  // namespace
}  // namespace quenby

#include "settings/ini_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <windows.h>
#endif

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/temp_folder.h"

namespace kestro {
namespace {

using test::ReadFileBytes;
using test::TempFolder;
using test::WriteFileBytes;

struct IntegerCase {
    const char* text;
    int32_t expected;
};

constexpr int32_t kDefault = 777;

TEST(ParseIniIntegerTest, FollowsTheSettingsFileEncoding) {
    const IntegerCase cases[] = {
        {"0", 0},
        {"42", 42},
        {"-5", -5},
        {"+7", 7},
        {"00012", 12},
        {"  12", 12},
        {"$10", 16},
        {"0x1F", 31},
        {"0X1f", 31},
        {"-$10", -16},
        {"2147483647", INT32_MAX},
        {"-2147483648", INT32_MIN},
        {"0x7FFFFFFF", INT32_MAX},
        {"0x80000000", INT32_MIN},
        {"$FFFFFFFF", -1},
        {"0x00000000FFFFFFFF", -1},
        // Everything below does not parse as a whole and gives the default.
        {"", kDefault},
        {" ", kDefault},
        {"abc", kDefault},
        {"true", kDefault},
        {"12x", kDefault},
        {"12 ", kDefault},
        {"1 2", kDefault},
        {"1.5", kDefault},
        {"-", kDefault},
        {"+-1", kDefault},
        {"$", kDefault},
        {"0x", kDefault},
        {"x1F", kDefault},
        {"0xG", kDefault},
        {"$100000000", kDefault},
        {"2147483648", kDefault},
        {"-2147483649", kDefault},
        {"99999999999999999999999", kDefault},
    };
    for (const IntegerCase& c : cases) {
        EXPECT_EQ(ParseIniInteger(c.text, kDefault), c.expected) << '"' << c.text << '"';
    }
}

const char kSample[] =
    "; written by hand\n"
    "Orphan=before any section\n"
    "[Snoop]\n"
    "   AdapterIndex  =  3  \n"
    "[ sound ]\n"
    "soundenabled=1\n"
    "Empty=\n"
    "NoEquals\n"
    "Quoted=\"  spaced  \"\n"
    "Single='x'\n"
    "Lone=\"\n"
    "Mixed=\"x'\n"
    "[Snoop]\n"
    "Later=9\n";

TEST(IniFileReadTest, MatchesSectionsAndKeysLikeThePrivateProfileReader) {
    const IniFile ini = IniFile::Parse(kSample);
    EXPECT_EQ(ini.ReadString("SNOOP", "adapterindex"), "3");
    EXPECT_EQ(ini.ReadString("Sound", "SoundEnabled"), "1");
    EXPECT_EQ(ini.ReadString("Sound", "Empty"), "");
    EXPECT_EQ(ini.ReadString("Sound", "NoEquals"), std::nullopt);
    EXPECT_EQ(ini.ReadString("Sound", "Missing"), std::nullopt);
    EXPECT_EQ(ini.ReadString("Nowhere", "AdapterIndex"), std::nullopt);
    EXPECT_EQ(ini.ReadString("", "Orphan"), std::nullopt);
    // Only the first of two sections with one name is looked at.
    EXPECT_EQ(ini.ReadString("Snoop", "Later"), std::nullopt);
    // Keys of another section are not found under this one.
    EXPECT_EQ(ini.ReadString("Snoop", "SoundEnabled"), std::nullopt);
}

TEST(IniFileReadTest, RemovesOnePairOfMatchingQuotes) {
    const IniFile ini = IniFile::Parse(kSample);
    EXPECT_EQ(ini.ReadString("Sound", "Quoted"), "  spaced  ");
    EXPECT_EQ(ini.ReadString("Sound", "Single"), "x");
    EXPECT_EQ(ini.ReadString("Sound", "Lone"), "\"");
    EXPECT_EQ(ini.ReadString("Sound", "Mixed"), "\"x'");
}

TEST(IniFileReadTest, TypedReadsFallBackToTheDefault) {
    const IniFile ini = IniFile::Parse("[A]\nNum=0x1F\nBad=12x\nEmpty=\nOn=5\nOff=0\nWord=yes\n");
    EXPECT_EQ(ini.ReadInteger("A", "Num", -1), 31);
    EXPECT_EQ(ini.ReadInteger("A", "Bad", -1), -1);
    EXPECT_EQ(ini.ReadInteger("A", "Empty", -1), -1);
    EXPECT_EQ(ini.ReadInteger("A", "Absent", -1), -1);
    EXPECT_TRUE(ini.ReadBool("A", "On", false));
    EXPECT_FALSE(ini.ReadBool("A", "Off", true));
    EXPECT_TRUE(ini.ReadBool("A", "Word", true));
    EXPECT_FALSE(ini.ReadBool("A", "Word", false));
    EXPECT_EQ(ini.ReadString("A", "Absent", "fallback"), "fallback");
    EXPECT_EQ(ini.ReadString("A", "Empty", "fallback"), "");
}

TEST(IniFileReadTest, SurvivesUnusualBytes) {
    // CR LF endings, a byte order mark, Ctrl-Z, a NUL inside a value, no final newline.
    std::string text = "\xEF\xBB\xBF[Snoop]\r\nAdapterIndex=4\r\n[Sound]\r\nPath=ab";
    text += '\0';
    text += "cd\r\nTail=\x1A\r\nLast=end";
    const IniFile ini = IniFile::Parse(text);
    EXPECT_EQ(ini.ReadString("Snoop", "AdapterIndex"), "4");
    EXPECT_EQ(ini.ReadString("Sound", "Path"), "ab");
    EXPECT_EQ(ini.ReadString("Sound", "Tail"), "");
    EXPECT_EQ(ini.ReadString("Sound", "Last"), "end");
    EXPECT_EQ(ini.Text(), text);
}

TEST(IniFileReadTest, CutsLongValuesTo2047Bytes) {
    const std::string exact(kIniMaxValueLength, 'e');
    const std::string huge(100000, 'h');
    const IniFile ini = IniFile::Parse("[S]\nExact=" + exact + "\nHuge=" + huge + "\nAfter=1\n");
    EXPECT_EQ(ini.ReadString("S", "Exact"), exact);
    EXPECT_EQ(ini.ReadString("S", "Huge"), huge.substr(0, kIniMaxValueLength));
    EXPECT_EQ(ini.ReadString("S", "After"), "1");
}

TEST(IniFileReadTest, KeepsEveryByteOfTheFile) {
    const std::string texts[] = {
        "",
        "\n\n",
        "[A]\r\nk=v\r\n",
        "[A]\nk=v",
        "no section\rcr only\r",
        std::string("nul\0inside\n[", 13),
        "[unclosed\n=novalue\n; comment=x\n",
    };
    for (const std::string& text : texts) {
        EXPECT_EQ(IniFile::Parse(text).Text(), text);
    }
}

TEST(IniFileWriteTest, UpdatesInPlaceAndKeepsEverythingElse) {
    IniFile ini =
        IniFile::Parse("; comment\n[snoop]\n  ADAPTERINDEX = 1 ; note\nOther=x\n\n[Sound]\nk=v\n");
    ASSERT_TRUE(ini.WriteString("Snoop", "AdapterIndex", "2"));
    EXPECT_EQ(ini.Text(), "; comment\n[snoop]\nADAPTERINDEX=2\nOther=x\n\n[Sound]\nk=v\n");
}

TEST(IniFileWriteTest, AppendsKeysAndSections) {
    IniFile ini = IniFile::Parse("[A]\nx=1\n; trailing note\n\n[B]\ny=2");
    ASSERT_TRUE(ini.WriteString("a", "z", "3"));
    ASSERT_TRUE(ini.WriteString("C", "k", "v"));
    ASSERT_TRUE(ini.WriteString("B", "w", ""));
    EXPECT_EQ(ini.Text(), "[A]\nx=1\n; trailing note\nz=3\n\n[B]\ny=2\nw=\n[C]\nk=v\n");
    EXPECT_EQ(ini.ReadString("B", "w"), "");
}

TEST(IniFileWriteTest, FollowsTheFilesLineEndings) {
    IniFile ini = IniFile::Parse("[A]\r\nx=1\r\n");
    ASSERT_TRUE(ini.WriteString("A", "y", "2"));
    ASSERT_TRUE(ini.WriteString("B", "z", "3"));
    EXPECT_EQ(ini.Text(), "[A]\r\nx=1\r\ny=2\r\n[B]\r\nz=3\r\n");
}

TEST(IniFileWriteTest, GivesAKeyWithoutEqualsSignAValue) {
    IniFile ini = IniFile::Parse("[A]\nk\n");
    ASSERT_TRUE(ini.WriteString("A", "k", "1"));
    EXPECT_EQ(ini.Text(), "[A]\nk=1\n");
}

TEST(IniFileWriteTest, AValueCannotAddLines) {
    IniFile ini;
    ASSERT_TRUE(ini.WriteString("A", "Path", "x.wav\n[Evil]\nInjected=1"));
    ASSERT_TRUE(ini.WriteString("A", "Cr", "a\rb"));
    EXPECT_EQ(ini.ReadString("A", "Path"), "x.wav");
    EXPECT_EQ(ini.ReadString("A", "Cr"), "a");
    EXPECT_EQ(ini.ReadString("Evil", "Injected"), std::nullopt);
    EXPECT_EQ(ini.Text(), "[A]\nPath=x.wav\nCr=a\n");
}

TEST(IniFileWriteTest, RefusesNamesThatWouldNotReadBack) {
    IniFile ini = IniFile::Parse("[A]\nk=1\n");
    const std::pair<std::string, std::string> refused[] = {
        {"", "k"},    {"  ", "k"}, {"A]", "k"},  {"A\nB", "k"}, {"A", ""},
        {"A", "a=b"}, {"A", ";k"}, {"A", "[k]"}, {"A", "k\rx"}, {"A", std::string("k\0", 2)},
    };
    for (const auto& [section, key] : refused) {
        EXPECT_FALSE(ini.WriteString(section, key, "v")) << section << " / " << key;
    }
    EXPECT_EQ(ini.Text(), "[A]\nk=1\n");
}

// --- saving -----------------------------------------------------------------

IniFile SampleToSave() {
    IniFile ini = IniFile::Parse("[Snoop]\nAdapterIndex=1\n");
    ini.WriteString("Snoop", "AdapterIndex", "2");
    return ini;
}

bool TryChattr(const std::string& flag, const std::string& path) {
    const std::string command = "chattr " + flag + " '" + path + "' 2>/dev/null";
    return std::system(command.c_str()) == 0;
}

int FilesIn(const std::filesystem::path& folder) {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        (void)entry;
        ++count;
    }
    return count;
}

TEST(IniFileSaveTest, CreatesAndReplacesTheFile) {
    TempFolder folder;
    ASSERT_TRUE(folder.Ok());
    const std::string path = folder.Path("kestro.ini");
    const Result first = SampleToSave().Save(path);
    ASSERT_TRUE(first) << first.Reason();
    EXPECT_EQ(ReadFileBytes(path), test::InSavedLineEnds("[Snoop]\nAdapterIndex=2\n"));

    IniFile again = IniFile::Load(path);
    again.WriteString("Sound", "SoundEnabled", "1");
    const Result second = again.Save(path);
    ASSERT_TRUE(second) << second.Reason();
    EXPECT_EQ(ReadFileBytes(path),
              test::InSavedLineEnds("[Snoop]\nAdapterIndex=2\n[Sound]\nSoundEnabled=1\n"));
    EXPECT_EQ(FilesIn(folder.Path()), 1);
}

TEST(IniFileSaveTest, EndsEveryLineAsTheSystemsTextFilesDo) {
    struct Case {
        const char* onDisk;
        const char* saved;  // with LF for each line end the save writes
    };
    const Case cases[] = {
        {"[Snoop]\nAdapterIndex=1\n", "[Snoop]\nAdapterIndex=2\n[Sound]\nSoundEnabled=1\n"},
        {"[Snoop]\r\nAdapterIndex=1\r\n", "[Snoop]\nAdapterIndex=2\n[Sound]\nSoundEnabled=1\n"},
        {"; mixed\r\n[Snoop]\nAdapterIndex=1",
         "; mixed\n[Snoop]\nAdapterIndex=2\n[Sound]\nSoundEnabled=1\n"},
        {"[Sound]\r\nSoundEnabled=0\r\n[Snoop]\nAdapterIndex=1",
         "[Sound]\nSoundEnabled=1\n[Snoop]\nAdapterIndex=2"},
    };
    TempFolder folder;
    ASSERT_TRUE(folder.Ok());
    const std::string path = folder.Path("kestro.ini");
    for (const Case& c : cases) {
        test::WriteFileBytes(path, c.onDisk);
        IniFile ini = IniFile::Load(path);
        EXPECT_EQ(ini.ReadInteger("Snoop", "AdapterIndex", -1), 1) << c.onDisk;
        ini.WriteInteger("Snoop", "AdapterIndex", 2);
        ini.WriteBool("Sound", "SoundEnabled", true);
        ASSERT_TRUE(ini.Save(path));
        EXPECT_EQ(ReadFileBytes(path), test::InSavedLineEnds(c.saved)) << c.onDisk;
        EXPECT_EQ(IniFile::Load(path).ReadInteger("Snoop", "AdapterIndex", -1), 2) << c.onDisk;
    }
}

TEST(IniFileSaveTest, KeepsPermissionBits) {
#ifdef _WIN32
    GTEST_SKIP() << "POSIX permission bits: Windows files have none";
#endif
    TempFolder folder;
    ASSERT_TRUE(folder.Ok());
    const std::string path = folder.Path("kestro.ini");
    WriteFileBytes(path, "[Snoop]\n");
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    ASSERT_TRUE(SampleToSave().Save(path));
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST(IniFileSaveTest, WritesThroughASymbolicLink) {
#ifdef _WIN32
    GTEST_SKIP() << "symbolic links need a privilege on Windows";
#endif
    TempFolder folder;
    ASSERT_TRUE(folder.Ok());
    std::filesystem::create_directory(folder.Path() / "real");
    const std::string target = folder.Path("real/kestro.ini");
    const std::string link = folder.Path("kestro.ini");
    WriteFileBytes(target, "[Snoop]\nAdapterIndex=1\n");
    std::filesystem::create_symlink("real/kestro.ini", link);

    ASSERT_TRUE(SampleToSave().Save(link));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadFileBytes(target), test::InSavedLineEnds("[Snoop]\nAdapterIndex=2\n"));
}

TEST(IniFileSaveTest, ReportsRefusedWrites) {
    TempFolder folder;
    ASSERT_TRUE(folder.Ok());
    const std::string directory = folder.Path("is-a-directory.ini");
    std::filesystem::create_directory(directory);
    const std::string paths[] = {directory, folder.Path("missing/kestro.ini"), ""};
    for (const std::string& path : paths) {
        const Result saved = SampleToSave().Save(path);
        EXPECT_FALSE(saved) << path;
        EXPECT_FALSE(saved.Reason().empty()) << path;
    }
    EXPECT_TRUE(std::filesystem::is_directory(directory));
    EXPECT_TRUE(std::filesystem::is_empty(directory));
    EXPECT_FALSE(std::filesystem::exists(folder.Path("missing")));
}

TEST(IniFileSaveTest, RefusesAnImmutableFile) {
    TempFolder folder;
    ASSERT_TRUE(folder.Ok());
    const std::string path = folder.Path("kestro.ini");
    const std::string old = "[Snoop]\nAdapterIndex=1\n";
    WriteFileBytes(path, old);
#ifdef _WIN32
    GTEST_SKIP() << "chattr is Linux's; RefusesAReadOnlyFile is the Windows case";
#endif
    if (!TryChattr("+i", path)) {
        GTEST_SKIP() << "chattr +i is not permitted here";
    }
    const Result saved = SampleToSave().Save(path);
    TryChattr("-i", path);
    EXPECT_FALSE(saved);
    EXPECT_NE(saved.Reason().find(strerror(EPERM)), std::string::npos) << saved.Reason();
    EXPECT_EQ(ReadFileBytes(path), old);
    EXPECT_EQ(FilesIn(folder.Path()), 1);
}

#ifdef _WIN32
TEST(IniFileSaveTest, RefusesAReadOnlyFile) {
    TempFolder folder;
    ASSERT_TRUE(folder.Ok());
    const std::string path = folder.Path("kestro.ini");
    const std::string old = "[Snoop]\nAdapterIndex=1\n";
    WriteFileBytes(path, old);
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    const Result saved = SampleToSave().Save(path);
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_FALSE(saved);
    EXPECT_NE(saved.Reason().find("kestro.ini"), std::string::npos) << saved.Reason();
    EXPECT_EQ(ReadFileBytes(path), old);
    EXPECT_EQ(FilesIn(folder.Path()), 1);
}
#endif

std::string g_textAtRename;

int FailingRename(const char* from, const char*) {
    g_textAtRename = ReadFileBytes(from);
    errno = EIO;
    return -1;
}

TEST(IniFileSaveTest, AFailedCommitLeavesTheOldFileWhole) {
    TempFolder folder;
    ASSERT_TRUE(folder.Ok());
    const std::string path = folder.Path("kestro.ini");
    const std::string old = "; mine\r\n[Snoop]\r\nAdapterIndex=1\r\n";
    WriteFileBytes(path, old);

    g_textAtRename.clear();
    ini_testing::SetRenameForTesting(&FailingRename);
    const Result saved = SampleToSave().Save(path);
    ini_testing::SetRenameForTesting(nullptr);

    EXPECT_FALSE(saved);
    EXPECT_NE(saved.Reason().find(strerror(EIO)), std::string::npos) << saved.Reason();
    // The new text was complete on disk when the commit failed ...
    EXPECT_EQ(g_textAtRename, test::InSavedLineEnds("[Snoop]\nAdapterIndex=2\n"));
    // ... and neither it nor a change to the old file is left behind.
    EXPECT_EQ(ReadFileBytes(path), old);
    EXPECT_EQ(FilesIn(folder.Path()), 1);
}

TEST(IniFileLoadTest, TellsAnAbsentFileFromAnUnreadableOne) {
    TempFolder folder;
    ASSERT_TRUE(folder.Ok());
    IniFile ini;
    EXPECT_TRUE(IniFile::LoadForUpdate(folder.Path("absent.ini"), ini));
    EXPECT_EQ(ini.Text(), "");
    const Result unreadable = IniFile::LoadForUpdate(folder.Path().string(), ini);
    EXPECT_FALSE(unreadable);
    EXPECT_FALSE(unreadable.Reason().empty());
    // For reading, both are simply empty.
    EXPECT_EQ(IniFile::Load(folder.Path().string()).Text(), "");
}

}  // namespace
}  // namespace kestro

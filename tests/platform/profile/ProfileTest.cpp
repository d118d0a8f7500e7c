#include "platform/profile/Profile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace platform::profile;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

const std::string kStation =
    "; shared by every computer of the wall\r\n"
    "[Verudivur]\r\n"
    "NoCarts = 500 \r\n"
    "PictureFileExtension=\"PNG\"\r\n"
    "Padded=\" two words \"\r\n"
    "Lone=\"\r\n"
    "Empty=\r\n"
    "  Indented\t=\tx y\t\r\n"
    "Dup=first\r\n"
    "Dup=second\r\n"
    "NoEquals\r\n"
    "Text=Caf\xE9 \x80 5\r\n"
    "\r\n"
    "[cddb]\r\n"
    "ServerAddress=cddb.example.org\r\n"
    "[Verudivur]\r\n"
    "Late=1\r\n";

class ProfileTest : public ::testing::Test {
protected:
    TempDir dir{"ini"};
    std::string file = dir / "Zozuver.ini";
};

TEST_F(ProfileTest, ReadsTextsAsThePlatformDoes) {
    WriteFile(file, kStation);
    struct Case {
        const char* section;
        const char* key;
        const char* def;
        std::string want;
    };
    const Case cases[] = {
        {"Verudivur", "NoCarts", "x", "500"},
        {"VERUDIVUR", "nocarts", "x", "500"},
        {" Verudivur ", " NoCarts ", "x", "500"},
        {"Verudivur", "PictureFileExtension", "JPG", "PNG"},
        {"Verudivur", "Padded", "x", " two words "},
        {"Verudivur", "Lone", "x", "\""},
        {"Verudivur", "Empty", "x", ""},
        {"Verudivur", "Indented", "x", "x y"},
        {"Verudivur", "Dup", "x", "first"},
        {"Verudivur", "NoEquals", "none", "none"},
        {"Verudivur", "Text", "x", "Caf\xC3\xA9 \xE2\x82\xAC 5"},
        {"Verudivur", "Late", "only the first section counts", "only the first section counts"},
        {"CDDB", "ServerAddress", "x", "cddb.example.org"},
        {"CDDB", "EmailAddress", "", ""},
        {"Missing", "NoCarts", "JPG  ", "JPG"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GetPrivateProfileString(c.section, c.key, c.def, file), c.want) << c.section << "/" << c.key;
    EXPECT_EQ(GetPrivateProfileString("Verudivur", "NoCarts", "9999", dir / "none.ini"), "9999");
}

TEST_F(ProfileTest, ReadsWholeNumbersAsThePlatformDoes) {
    WriteFile(file, "[N]\nA=42\nB= -17x\nC=+5\nD=abc\nE=\nF=4294967295\nG=\"12\"\nH=4294967338\nI=- 3\n");
    struct Case {
        const char* key;
        std::int32_t want;
    };
    const Case cases[] = {{"A", 42}, {"B", -17}, {"C", 5},  {"D", 0},  {"E", 0},
                          {"F", -1}, {"G", 12},  {"H", 42}, {"I", 0},  {"Missing", 63}};
    for (const Case& c : cases) EXPECT_EQ(GetPrivateProfileInt("n", c.key, 63, file), c.want) << c.key;
    EXPECT_EQ(GetPrivateProfileInt("Other", "A", 9999, file), 9999);
    EXPECT_EQ(GetPrivateProfileInt("N", "A", 9999, dir / "none.ini"), 9999);
}

TEST_F(ProfileTest, WritesChangeOnlyTheirLine) {
    struct Case {
        const char* what;
        std::string before;
        std::function<bool(const std::string&)> write;
        std::string after;
    };
    const std::string base = "; top\r\n[A]\r\nx=1\r\n; note\r\ny = 2\r\n\r\n[B]\r\nz=3\r\n";
    const Case cases[] = {
        {"change a value, keeping the key's spelling", base,
         [](const std::string& f) { return WritePrivateProfileString("a", "Y", "20", f); },
         "; top\r\n[A]\r\nx=1\r\n; note\r\ny=20\r\n\r\n[B]\r\nz=3\r\n"},
        {"new key after the section's last entry", base,
         [](const std::string& f) { return WritePrivateProfileString("A", "w", "0", f); },
         "; top\r\n[A]\r\nx=1\r\n; note\r\ny = 2\r\nw=0\r\n\r\n[B]\r\nz=3\r\n"},
        {"new section at the end", base,
         [](const std::string& f) { return WritePrivateProfileString("CDDB", "AllowCDDB", "-1", f); },
         base + "[CDDB]\r\nAllowCDDB=-1\r\n"},
        {"remove a key", base,
         [](const std::string& f) { return WritePrivateProfileString("A", "x", std::nullopt, f); },
         "; top\r\n[A]\r\n; note\r\ny = 2\r\n\r\n[B]\r\nz=3\r\n"},
        {"remove a section", base,
         [](const std::string& f) { return WritePrivateProfileString("A", std::nullopt, std::nullopt, f); },
         "; top\r\n[B]\r\nz=3\r\n"},
        {"LF file stays LF", "[A]\nx=1\n",
         [](const std::string& f) { return WritePrivateProfileString("B", "k", "v", f); },
         "[A]\nx=1\n[B]\nk=v\n"},
        {"mixed endings stay as they are", "[A]\r\nx=1\ny=2\r\n",
         [](const std::string& f) { return WritePrivateProfileString("A", "x", "9", f); },
         "[A]\r\nx=9\ny=2\r\n"},
        {"no final line break", "[A]\r\nx=1",
         [](const std::string& f) { return WritePrivateProfileString("A", "y", "2", f); },
         "[A]\r\nx=1\r\ny=2\r\n"},
        {"new file", "",
         [](const std::string& f) { return WritePrivateProfileString("Verudivur", "Version", "2.6", f); },
         "[Verudivur]\r\nVersion=2.6\r\n"},
        {"empty section gets its first key", "[A]\r\n[B]\r\n",
         [](const std::string& f) { return WritePrivateProfileString("A", "k", "v", f); },
         "[A]\r\nk=v\r\n[B]\r\n"},
        {"text in Windows-1252", "",
         [](const std::string& f) { return WritePrivateProfileString("S", "Name", "Caf\xC3\xA9 \xE2\x82\xAC \xE4\xB8\xAD", f); },
         "[S]\r\nName=Caf\xE9 \x80 ?\r\n"},
        {"UTF-8 file with a mark stays UTF-8", "\xEF\xBB\xBF[S]\r\nx=1\r\n",
         [](const std::string& f) { return WritePrivateProfileString("S", "Name", "Caf\xC3\xA9", f); },
         "\xEF\xBB\xBF[S]\r\nx=1\r\nName=Caf\xC3\xA9\r\n"},
        {"garbage lines kept byte for byte", std::string("\x01\x02\0\xFF junk\r\n[A]\r\nx=1\r\n\xFE\xFE", 23),
         [](const std::string& f) { return WritePrivateProfileString("A", "x", "2", f); },
         std::string("\x01\x02\0\xFF junk\r\n[A]\r\nx=2\r\n\xFE\xFE", 23)},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(file);
        if (!c.before.empty()) WriteFile(file, c.before);
        EXPECT_TRUE(c.write(file)) << c.what;
        EXPECT_EQ(ReadFile(file), c.after) << c.what;
    }
}

TEST_F(ProfileTest, SeveralChangesLandTogetherOrNotAtAll) {
    const std::string base = "; top\r\n[A]\r\nx=1\r\n[B]\r\nz=3\r\n";
    WriteFile(file, base);
    EXPECT_TRUE(WritePrivateProfileStrings({{"A", "x", "5"},
                                            {"C", "new", "1"},
                                            {"B", std::nullopt, std::nullopt},
                                            {"C", "more", "2"},
                                            {"A", "x", "6"}},
                                           file));
    EXPECT_EQ(ReadFile(file), "; top\r\n[A]\r\nx=6\r\n[C]\r\nnew=1\r\nmore=2\r\n");

    const std::string now = ReadFile(file);
    EXPECT_FALSE(WritePrivateProfileStrings({{"A", "x", "7"}, {"A", "bad=key", "1"}}, file));
    EXPECT_FALSE(WritePrivateProfileStrings({{"A", "x", "7"}, {"A", "y", "two\nlines"}}, file));
    EXPECT_EQ(ReadFile(file), now);
    EXPECT_TRUE(WritePrivateProfileStrings({}, file));
    EXPECT_EQ(ReadFile(file), now);
}

TEST_F(ProfileTest, WrittenValuesReadBack) {
    EXPECT_TRUE(WritePrivateProfileString("Verudivur", "NoCarts", "750", file));
    EXPECT_TRUE(WritePrivateProfileString("Verudivur", "PictureFileExtension", "jpg", file));
    EXPECT_EQ(GetPrivateProfileInt("VERUDIVUR", "NOCARTS", 9999, file), 750);
    EXPECT_EQ(GetPrivateProfileString("verudivur", "picturefileextension", "JPG", file), "jpg");
    EXPECT_TRUE(WritePrivateProfileString("Verudivur", "NoCarts", std::nullopt, file));
    EXPECT_EQ(GetPrivateProfileInt("Verudivur", "NoCarts", 9999, file), 9999);
    // Removing what is not there leaves the file alone, or absent.
    std::string other = dir / "absent.ini";
    EXPECT_TRUE(WritePrivateProfileString("S", "k", std::nullopt, other));
    EXPECT_TRUE(WritePrivateProfileString("S", std::nullopt, std::nullopt, other));
    EXPECT_FALSE(std::filesystem::exists(other));
}

TEST_F(ProfileTest, RefusesWhatWouldDamageTheFile) {
    WriteFile(file, "[A]\r\nx=1\r\n");
    struct Case {
        const char* what;
        std::string section;
        std::optional<std::string> key, value;
    };
    const Case cases[] = {
        {"line break in a value", "A", "x", "1\r\n[B]"},
        {"line break in a key", "A", "a\nb", "1"},
        {"= in a key", "A", "a=b", "1"},
        {"key that reads as a section", "A", "[B", "1"},
        {"key that reads as a comment", "A", ";k", "1"},
        {"] in a section", "A]x", "k", "1"},
        {"empty section", " ", "k", "1"},
        {"empty key", "A", " ", "1"},
    };
    for (const Case& c : cases) {
        std::optional<std::string_view> k, v;
        if (c.key) k = *c.key;
        if (c.value) v = *c.value;
        EXPECT_FALSE(WritePrivateProfileString(c.section, k, v, file)) << c.what;
    }
    EXPECT_EQ(ReadFile(file), "[A]\r\nx=1\r\n");
    EXPECT_FALSE(WritePrivateProfileString("A", "x", "2", dir / "no-such-folder/Zozuver.ini"));
}

TEST_F(ProfileTest, FilesItCannotRewriteSafelyAreLeftAlone) {
    struct Case {
        const char* what;
        std::string bytes;
        int mode;
    };
    std::string utf16 = "\xFF\xFE";
    for (char c : std::string("[A]\r\nx=1\r\n")) utf16 += std::string{c, '\0'};
    const Case cases[] = {
        {"UTF-16 text", utf16, 0644},
        {"read-only file", "[A]\r\nx=1\r\n", 0444},
    };
    for (const Case& c : cases) {
        WriteFile(file, c.bytes);
        ::chmod(file.c_str(), static_cast<mode_t>(c.mode));
        EXPECT_EQ(GetPrivateProfileInt("A", "x", 0, file), 1) << c.what;
        ::testing::internal::CaptureStderr();
        EXPECT_FALSE(WritePrivateProfileString("A", "x", "2", file)) << c.what;
        ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(ReadFile(file), c.bytes) << c.what;
        ::chmod(file.c_str(), 0644);
    }
}

TEST_F(ProfileTest, ChangeByAnotherProgramIsSeenAtTheNextRead) {
    WriteFile(file, "[A]\r\nx=1\r\n");
    EXPECT_EQ(GetPrivateProfileInt("A", "x", 0, file), 1);
    WriteFile(file, "[A]\r\nx=2\r\n"); // same size, same inode
    EXPECT_EQ(GetPrivateProfileInt("A", "x", 0, file), 2);
    std::filesystem::remove(file);
    EXPECT_EQ(GetPrivateProfileInt("A", "x", 7, file), 7);
}

TEST_F(ProfileTest, HugeFileReadsAndWrites) {
    std::string junk(100u << 20, 'j');
    for (std::size_t i = 99; i < junk.size(); i += 100) junk[i] = '\n';
    WriteFile(file, junk + "\n[A]\nx=5\n");
    EXPECT_EQ(GetPrivateProfileInt("A", "x", 0, file), 5);
    EXPECT_TRUE(WritePrivateProfileString("A", "x", "6", file));
    EXPECT_EQ(GetPrivateProfileInt("A", "x", 0, file), 6);
    EXPECT_EQ(std::filesystem::file_size(file), junk.size() + 9);
}

TEST_F(ProfileTest, SymlinkedFileStaysALink) {
    std::string real = dir / "real.ini";
    WriteFile(real, "[A]\r\nx=1\r\n");
    std::filesystem::create_symlink(real, file);
    EXPECT_TRUE(WritePrivateProfileString("A", "x", "2", file));
    EXPECT_TRUE(std::filesystem::is_symlink(file));
    EXPECT_EQ(ReadFile(real), "[A]\r\nx=2\r\n");
}

TEST_F(ProfileTest, TwoProcessesWritingAtOnceLoseNothing) {
    WriteFile(file, "; keep\r\n[Other]\r\nk=v\r\n");
    constexpr int kEach = 300;
    pid_t pids[2];
    for (int w = 0; w < 2; ++w) {
        pids[w] = ::fork();
        if (pids[w] == 0) {
            for (int i = 0; i < kEach; ++i)
                if (!WritePrivateProfileString(w ? "B" : "A", "k" + std::to_string(i), std::to_string(i), file))
                    ::_exit(1);
            ::_exit(0);
        }
    }
    for (pid_t p : pids) {
        int status = 0;
        ::waitpid(p, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    for (const char* s : {"A", "B"})
        for (int i = 0; i < kEach; ++i)
            ASSERT_EQ(GetPrivateProfileInt(s, "k" + std::to_string(i), -1, file), i) << s << i;
    EXPECT_EQ(ReadFile(file).rfind("; keep\r\n[Other]\r\nk=v\r\n", 0), 0u);
    // Every write's temporary file is gone again; only the lock file stays beside it.
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        EXPECT_TRUE(e.path().filename() == "Zozuver.ini" || e.path().filename() == ".Zozuver.ini.lock")
            << e.path();
}

} // namespace

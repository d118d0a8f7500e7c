// The journal a details save leaves beside the file when it is cut short: taken back at the
// next open only when it is one we wrote for this file and the file holds what that save
// could have left; anything else at its name changes nothing and stands in no save's way.
#include "rozuzezer/core/cHardDiskItem.h"

#include "platform/mmio/Journal.h"
#include "platform/mmio/Mmio.h"
#include "rozuzezer/core/MultimediaAPI.h"
#include "rozuzezer/core/WavFixture.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <ostream>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace rozuzezer;
using platform::mmio::Change;
using testsupport::ReadFile;
using testsupport::TempDir;
namespace fx = wavfixture;

namespace {

constexpr uid_t kOtherUser = 12345;

// Writes the bytes into the file that stands there (its inode stays, as after a power cut),
// or a new one, readable and writable by its owner only.
void PutBytes(const std::string& path, const std::string& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    ASSERT_GE(fd, 0) << path;
    ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    ::close(fd);
}

void Fill(cHardDiskItem& it, const std::string& title) {
    it.ItemTitle = title;
    it.Notes = std::string(300, 'n');
    it.Originator = "Originator";
    it.OriginationDate = 45000;
    it.AudioEnd = 1;
}

// A file before and after a save, and the journal that save wrote.
struct Save {
    std::string before, after, journal;
};

Save RecordSave(const std::string& path, const std::string& journalPath) {
    Save s;
    s.before = ReadFile(path);
    platform::mmio::ObserveChanges([&](const Change& c) {
        if (c.kind != Change::Wrote || c.path != journalPath) return;
        if (s.journal.size() < c.offset + c.bytes.size()) s.journal.resize(c.offset + c.bytes.size());
        s.journal.replace(c.offset, c.bytes.size(), c.bytes);
    });
    cHardDiskItem it;
    Fill(it, "New title");
    const bool saved = it.SaveToWAVFile(path, 3);
    platform::mmio::ObserveChanges({});
    EXPECT_TRUE(saved && LastChunkWriteError().empty()) << LastChunkWriteError();
    s.after = ReadFile(path);
    return s;
}

struct Paths {
    std::string file, journal, folder;
};

enum class Outcome { TakenBack, Dropped, LeftAlone };

struct Case {
    const char* name;
    // Turns the state a cut-short save left (the file as after it, its journal beside it)
    // into the case's.
    std::function<void(const Paths&, const Save&)> make;
    Outcome outcome;
    bool asRoot; // needs files of another user
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

void Chown(const std::string& path, uid_t uid) { ASSERT_EQ(::lchown(path.c_str(), uid, static_cast<gid_t>(-1)), 0) << path; }

const Case kCases[] = {
    {"Genuine", [](const Paths&, const Save&) {}, Outcome::TakenBack, false},
    {"OnAFileThatMovedToAnotherInodeOrDevice",
     [](const Paths& p, const Save& s) {
         PutBytes(p.folder + "/copy", s.after);
         std::filesystem::rename(p.folder + "/copy", p.file);
     },
     Outcome::TakenBack, false},
    {"OwnedByTheFilesOwner",
     [](const Paths& p, const Save&) {
         Chown(p.file, kOtherUser);
         Chown(p.journal, kOtherUser);
     },
     Outcome::TakenBack, true},
    {"OursOnAnotherUsersFile", [](const Paths& p, const Save&) { Chown(p.file, kOtherUser); }, Outcome::TakenBack, true},
    {"OwnedByAnotherUser", [](const Paths& p, const Save&) { Chown(p.journal, kOtherUser); }, Outcome::LeftAlone, true},
    {"WritableByOthers", [](const Paths& p, const Save&) { ::chmod(p.journal.c_str(), 0666); }, Outcome::LeftAlone, false},
    {"HardLinked",
     [](const Paths& p, const Save&) { ASSERT_EQ(::link(p.journal.c_str(), (p.folder + "/link").c_str()), 0); },
     Outcome::LeftAlone, false},
    {"Symlinked",
     [](const Paths& p, const Save& s) {
         ::unlink(p.journal.c_str());
         PutBytes(p.folder + "/elsewhere", s.journal);
         ASSERT_EQ(::symlink((p.folder + "/elsewhere").c_str(), p.journal.c_str()), 0);
     },
     Outcome::LeftAlone, false},
    {"AFolder",
     [](const Paths& p, const Save&) {
         ::unlink(p.journal.c_str());
         std::filesystem::create_directory(p.journal);
     },
     Outcome::LeftAlone, false},
    {"FileReplacedInPlaceByOtherAudio",
     [](const Paths& p, const Save&) {
         // Another recording copied over it (cp, tar -x): 5 s of 24-bit stereo with its own item.
         testsupport::WriteFile(p.folder + "/other.wav",
                                fx::Build({{"fmt ", fx::Fmt(2, 48000, 24)}, {"data", fx::Audio(48000 * 6 * 5, 99)}}));
         cHardDiskItem other;
         Fill(other, "Other recording");
         ASSERT_TRUE(other.SaveToWAVFile(p.folder + "/other.wav", 3));
         PutBytes(p.file, ReadFile(p.folder + "/other.wav"));
     },
     Outcome::Dropped, false},
    {"RangesHoldNeitherOldNorNew",
     [](const Paths& p, const Save& s) {
         std::string bytes = s.after;
         const std::size_t at = bytes.find("New title");
         ASSERT_NE(at, std::string::npos);
         bytes[at] = 'X';
         PutBytes(p.file, bytes);
     },
     Outcome::Dropped, false},
    {"TornJournal",
     [](const Paths& p, const Save& s) { PutBytes(p.journal, s.journal.substr(0, s.journal.size() / 2)); },
     Outcome::Dropped, false},
};

class WavJournal : public ::testing::TestWithParam<Case> {};

TEST_P(WavJournal, TakenBackOnlyWhenOursAndFittingAndNeverInTheWay) {
    const Case& c = GetParam();
    if (c.asRoot && ::geteuid() != 0) GTEST_SKIP() << "needs root to make files of another user";
    TempDir dir("journal");
    const Paths p{dir / "item.wav", platform::mmio::JournalPath(dir / "item.wav"), dir.path().string()};
    testsupport::WriteFile(p.file, fx::Build({{"fmt ", fx::Fmt(2, 44100, 16)}, {"data", fx::Audio(44100 * 4 / 10)}}));
    // The save appends its chunks: taken back, the file is shorter again.
    const Save s = RecordSave(p.file, p.journal);
    ASSERT_FALSE(s.journal.empty());
    ASSERT_GT(s.after.size(), s.before.size());
    ASSERT_FALSE(std::filesystem::exists(p.journal));
    // What a save killed before it removed its journal leaves.
    PutBytes(p.journal, s.journal);
    c.make(p, s);
    if (HasFatalFailure()) return;
    const std::string standing = ReadFile(p.file);
    struct stat before {};
    ASSERT_EQ(::lstat(p.journal.c_str(), &before), 0);

    cHardDiskItem opened;
    ASSERT_TRUE(opened.LoadFromWAVFile(p.file, 3));
    const std::string now = ReadFile(p.file);
    if (c.outcome == Outcome::TakenBack) {
        EXPECT_TRUE(now == s.before) << "not the file as it was before the save";
        EXPECT_EQ(opened.ItemTitle, "");
    } else {
        EXPECT_TRUE(now == standing) << "the file changed";
    }
    EXPECT_EQ(opened.AudioFileLength, static_cast<std::int32_t>(now.size()));
    struct stat after {};
    const bool stands = ::lstat(p.journal.c_str(), &after) == 0;
    if (c.outcome == Outcome::LeftAlone) {
        EXPECT_TRUE(stands && after.st_ino == before.st_ino && after.st_mode == before.st_mode) << "not left alone";
    } else {
        EXPECT_FALSE(stands) << "the journal stays";
    }

    // The next save is not blocked, and what it saved stays.
    cHardDiskItem later;
    Fill(later, "Later title");
    ASSERT_TRUE(later.SaveToWAVFile(p.file, 3));
    EXPECT_EQ(LastChunkWriteError(), "");
    cHardDiskItem back;
    ASSERT_TRUE(back.LoadFromWAVFile(p.file, 3));
    EXPECT_EQ(back.ItemTitle, "Later title");
    if (c.outcome == Outcome::LeftAlone) {
        EXPECT_EQ(::lstat(p.journal.c_str(), &after), 0);
        EXPECT_EQ(after.st_ino, before.st_ino);
    }
    if (std::filesystem::exists(p.folder + "/elsewhere")) {
        EXPECT_TRUE(ReadFile(p.folder + "/elsewhere") == s.journal);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, WavJournal, ::testing::ValuesIn(kCases), [](const auto& i) { return std::string(i.param.name); });

} // namespace

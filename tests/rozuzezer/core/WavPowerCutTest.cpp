// A details save that a power cut stops at any moment: the writes and flushes of a save are
// recorded as the file layer makes them, every state the disk could be left in is built from
// that record (whatever was flushed, and any of the writes issued since), and each reads back
// as the old file with the old item or the new file with the new item, its audio untouched.
#include "rozuzezer/core/cHardDiskItem.h"

#include "platform/mmio/Mmio.h"
#include "rozuzezer/core/MultimediaAPI.h"
#include "rozuzezer/core/WavFixture.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <ostream>
#include <random>
#include <set>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

using namespace rozuzezer;
using platform::mmio::Change;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;
namespace fx = wavfixture;

namespace {

// Every change the file layer makes while alive. A write is kept as the pieces of it that
// fall in each sector of the file, since a disk that loses power may keep some of them only.
class Recording {
public:
    Recording() {
        platform::mmio::ObserveChanges([this](const Change& c) {
            if (c.kind != Change::Wrote) {
                changes.push_back(c);
                return;
            }
            constexpr std::uint64_t kSector = 512;
            for (std::uint64_t at = c.offset; at < c.offset + c.bytes.size();) {
                const std::uint64_t end = std::min<std::uint64_t>(c.offset + c.bytes.size(), (at / kSector + 1) * kSector);
                changes.push_back({Change::Wrote, c.path, at, c.bytes.substr(at - c.offset, end - at)});
                at = end;
            }
        });
    }
    ~Recording() { platform::mmio::ObserveChanges({}); }
    std::vector<Change> changes;
};

std::string FolderOf(const std::string& path) { return std::filesystem::path(path).parent_path().string(); }

// Whether a later change makes an earlier one durable: a file's flush its writes, a folder's
// flush the files created and removed in it.
bool Settles(const Change& later, const Change& c) {
    switch (c.kind) {
    case Change::Wrote:
    case Change::Truncated: return later.kind == Change::Flushed && later.path == c.path;
    case Change::Created:
    case Change::Removed: return later.kind == Change::FolderFlushed && later.path == FolderOf(c.path);
    default: return false;
    }
}

using Disk = std::map<std::string, std::optional<std::string>>; // path: bytes, or no file

void Apply(Disk& disk, const Change& c) {
    auto& f = disk[c.path];
    switch (c.kind) {
    case Change::Created: f = std::string(); break;
    case Change::Removed: f.reset(); break;
    case Change::Wrote:
        // A write to a file whose creation the disk did not keep goes with it.
        if (f) {
            if (f->size() < c.offset + c.bytes.size()) f->resize(c.offset + c.bytes.size(), '\0');
            f->replace(c.offset, c.bytes.size(), c.bytes);
        }
        break;
    case Change::Truncated:
        if (f) f->resize(c.offset, '\0');
        break;
    default: break;
    }
}

// Every state a power cut could leave: for each moment of the save, what was flushed before
// it, plus any of the changes made since that no flush settled, in the order they were made.
std::vector<Disk> PowerCutStates(const Disk& start, const std::vector<Change>& changes) {
    std::vector<Disk> states;
    std::set<Disk> seen;
    std::mt19937 rng(29);
    for (std::size_t cut = 0; cut <= changes.size(); ++cut) {
        std::vector<bool> settled(cut, false);
        std::vector<std::size_t> open;
        for (std::size_t i = 0; i < cut; ++i) {
            for (std::size_t j = i + 1; j < cut && !settled[i]; ++j) settled[i] = Settles(changes[j], changes[i]);
            if (!settled[i] && (changes[i].kind != Change::Flushed && changes[i].kind != Change::FolderFlushed)) open.push_back(i);
        }
        // Every subset of the unsettled changes while they are few; beyond that, every
        // prefix and a sample of the rest.
        std::vector<std::vector<bool>> picks;
        if (open.size() <= 12) {
            for (std::size_t m = 0; m < (std::size_t{1} << open.size()); ++m) {
                std::vector<bool> p(open.size());
                for (std::size_t k = 0; k < open.size(); ++k) p[k] = (m >> k) & 1;
                picks.push_back(p);
            }
        } else {
            for (std::size_t n = 0; n <= open.size(); ++n) {
                std::vector<bool> p(open.size(), false);
                for (std::size_t k = 0; k < n; ++k) p[k] = true;
                picks.push_back(p);
            }
            for (int r = 0; r < 500; ++r) {
                std::vector<bool> p(open.size());
                for (std::size_t k = 0; k < open.size(); ++k) p[k] = rng() & 1;
                picks.push_back(p);
            }
        }
        for (const auto& p : picks) {
            Disk d = start;
            std::size_t k = 0;
            for (std::size_t i = 0; i < cut; ++i) {
                const bool pending = k < open.size() && open[k] == i;
                if (settled[i] || (pending && p[k])) Apply(d, changes[i]);
                if (pending) ++k;
            }
            if (seen.insert(d).second) states.push_back(d);
        }
    }
    return states;
}

// Puts a state on the disk. The audio file keeps its inode, as a file that lost power does.
void Put(const Disk& d) {
    for (const auto& [path, bytes] : d) {
        if (!bytes) {
            ::unlink(path.c_str());
            continue;
        }
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        ASSERT_GE(fd, 0) << path;
        ASSERT_EQ(::write(fd, bytes->data(), bytes->size()), static_cast<ssize_t>(bytes->size()));
        ::close(fd);
    }
}

void FillItem(cHardDiskItem& it, const std::string& title, std::size_t notes) {
    it.ItemTitle = title;
    it.Notes = std::string(notes, 'n');
    it.SetDescription(1, "Description of " + title);
    it.Originator = "Originator";
    it.OriginationDate = 45000;
    it.AudioEnd = 1;
    it.SetIntroEx(1, 0.5f);
}

struct Start {
    const char* name;
    bool withChunks;   // cart and bext there already, with room for the new tags
    std::size_t notes; // the new tags' length: more than the room moves the cart
    std::string rest;  // behind the RIFF chunk
};

void PrintTo(const Start& s, std::ostream* os) { *os << s.name; }

class WavPowerCut : public ::testing::TestWithParam<Start> {};

TEST_P(WavPowerCut, EveryStateReadsAsTheOldItemOrTheNew) {
    const Start& s = GetParam();
    // In memory where the machine can: thousands of states are read back, and each
    // rollback flushes.
    const char* tmp = std::getenv("BVR_TEST_TMP");
    testsupport::ScopedEnv memory("BVR_TEST_TMP", ::access("/dev/shm", W_OK) == 0 ? std::optional<std::string>("/dev/shm")
                                                  : tmp ? std::optional<std::string>(tmp)
                                                        : std::nullopt);
    TempDir dir("powercut");
    const std::string path = dir / "a.wav";
    const std::string audio = fx::Audio(44100 * 4 / 10 + 4 * 77);
    WriteFile(path, fx::WithRest({{"fmt ", fx::Fmt(2, 44100, 16)}, {"LIST", "INFOIART"}, {"data", audio}}, s.rest, false));
    if (s.withChunks) {
        cHardDiskItem it;
        FillItem(it, "Old title", 900);
        ASSERT_TRUE(it.SaveToWAVFile(path, 3));
    }
    const std::string before = ReadFile(path);
    const std::size_t audioAt = before.find("data") + 8;
    cHardDiskItem old;
    ASSERT_TRUE(old.LoadFromWAVFile(path, 3));

    std::vector<Change> changes;
    {
        Recording r;
        cHardDiskItem it;
        FillItem(it, "New title", s.notes);
        ASSERT_TRUE(it.SaveToWAVFile(path, 3)) << LastChunkWriteError();
        changes = r.changes;
    }
    const std::string after = ReadFile(path);
    ASSERT_NE(after, before);
    Disk start{{path, before}};
    for (const Change& c : changes)
        if (c.kind != Change::Flushed && c.kind != Change::FolderFlushed) start.emplace(c.path, std::nullopt);
    Disk end = start;
    for (const Change& c : changes) Apply(end, c);
    ASSERT_TRUE(end[path] == after) << "the record misses a change";

    const std::vector<Disk> states = PowerCutStates(start, changes);
    int olds = 0, news = 0;
    for (std::size_t i = 0; i < states.size(); ++i) {
        SCOPED_TRACE("state " + std::to_string(i));
        Put(states[i]);
        if (HasFatalFailure()) return;
        cHardDiskItem back;
        ASSERT_TRUE(back.LoadFromWAVFile(path, 3));
        const std::string now = ReadFile(path);
        ASSERT_TRUE(now == before || now == after) << "neither the old file nor the new, " << now.size() << " bytes";
        ASSERT_EQ(now.compare(audioAt, audio.size(), audio), 0) << "audio changed";
        const bool isNew = now == after;
        (isNew ? news : olds)++;
        EXPECT_EQ(back.ItemTitle, isNew ? "New title" : old.ItemTitle);
        EXPECT_EQ(back.Notes, isNew ? std::string(s.notes, 'n') : old.Notes);
        EXPECT_FLOAT_EQ(back.TotalLength, old.TotalLength);
        // Nothing of the save is left beside the file.
        for (const auto& [p, bytes] : start) {
            EXPECT_TRUE(p == path || !std::filesystem::exists(p)) << p;
        }
    }
    EXPECT_GT(olds, 1);
    EXPECT_GE(news, 1);
}

INSTANTIATE_TEST_SUITE_P(Cases, WavPowerCut,
                         ::testing::Values(Start{"InPlace", true, 400, ""}, Start{"Append", false, 400, ""},
                                           Start{"AppendBeforeAnId3v1Tag", false, 400, "TAG" + std::string(125, 'i')},
                                           Start{"CartTooSmallMoves", true, 3000, ""}),
                         [](const auto& i) { return std::string(i.param.name); });

} // namespace

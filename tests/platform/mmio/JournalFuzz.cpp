// Takes back a change from the journal beside a file: no crash, no hang, no journal left
// behind, and the file changed only where the journal proves it holds what its change left.
// The first input byte chooses:
// - bit 0 clear: the rest is the journal, sealed with its checksum when bit 1 is set, beside
//   a file it never described; the file stays byte for byte.
// - bit 0 set: the rest are writes (offset, length, bytes) made to the file as one change,
//   whose journal is kept; the file is left as the change left it, and taken back to what it
//   was, or, with bit 1, holds a byte that neither it nor any write had and stays as it is.
#include "platform/mmio/Journal.h"
#include "platform/mmio/Mmio.h"
#include "fuzz/FuzzScratch.h"

#include <cstdlib>
#include <string>
#include <vector>

#include <unistd.h>

using namespace platform::mmio;

namespace {

struct Write {
    std::uint64_t offset;
    std::string bytes;
};

std::vector<Write> Writes(const std::uint8_t* p, std::size_t n) {
    std::vector<Write> out;
    while (n >= 3 && out.size() < 16) {
        const std::uint64_t offset = (static_cast<std::uint64_t>(p[0]) | (static_cast<std::uint64_t>(p[1]) << 8)) % 6000;
        const std::size_t len = std::min<std::size_t>(p[2] * 8u + 1, 2048);
        p += 3;
        n -= 3;
        std::string bytes(len, static_cast<char>(n > 0 ? p[0] : 0));
        const std::size_t given = std::min(len, n);
        bytes.replace(0, given, reinterpret_cast<const char*>(p), given);
        p += given;
        n -= given;
        out.push_back({offset, bytes});
    }
    return out;
}

void Put(const std::string& path, const std::string& bytes) {
    if (!fuzzscratch::Write(path, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size())) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = fuzzscratch::File("journaled.wav");
    static const std::string journal = JournalPath(path);
    if (size == 0) return 0;
    std::string before(4096, 'w');
    for (std::size_t i = 0; i < before.size(); i += 7) before[i] = static_cast<char>(i / 7);
    Put(path, before);
    ::unlink(journal.c_str());
    std::string standing = before;

    if (!(data[0] & 1)) {
        std::string j(reinterpret_cast<const char*>(data) + 1, size - 1);
        if (data[0] & 2) {
            const std::uint64_t sum = JournalChecksum(j);
            for (int i = 0; i < 8; ++i) j.push_back(static_cast<char>((sum >> (8 * i)) & 0xFF));
        }
        Put(journal, j);
    } else {
        const std::vector<Write> writes = Writes(data + 1, size - 1);
        if (writes.empty()) return 0;
        std::string j;
        ObserveChanges([&](const Change& c) {
            if (c.kind != Change::Wrote || c.path != journal) return;
            if (j.size() < c.offset + c.bytes.size()) j.resize(c.offset + c.bytes.size());
            j.replace(c.offset, c.bytes.size(), c.bytes);
        });
        {
            auto f = File::Open(path, OpenMode::ReadWrite);
            if (!f || !LockForChange(*f)) std::abort();
            f->Stage();
            for (const Write& w : writes)
                if (!f->WriteAt(w.offset, w.bytes.data(), static_cast<std::int64_t>(w.bytes.size()))) std::abort();
            std::string why;
            if (!CommitStaged(*f, why)) std::abort();
        }
        ObserveChanges({});
        standing = fuzzscratch::Read(path);
        if (data[0] & 2) {
            // A byte no write made and the file never had: the file is someone else's now.
            const std::uint64_t at = writes.front().offset;
            auto had = [&](unsigned char c) {
                bool taken = at < before.size() && static_cast<unsigned char>(before[at]) == c;
                for (const Write& w : writes)
                    taken = taken || (at >= w.offset && at < w.offset + w.bytes.size() &&
                                      static_cast<unsigned char>(w.bytes[at - w.offset]) == c);
                return taken;
            };
            // Not zero either: behind the file's old end, zeros are what a lost write leaves.
            unsigned char c = 1;
            while (had(c)) ++c;
            standing[at] = static_cast<char>(c);
            Put(path, standing);
        }
        Put(journal, j);
    }
    RollBackInterrupted(path);
    const std::string now = fuzzscratch::Read(path);
    const bool takenBack = (data[0] & 3) == 1;
    if (now != (takenBack ? before : standing)) std::abort();
    if (::access(journal.c_str(), F_OK) == 0) std::abort();
    return 0;
}

// Takes back a save from arbitrary bytes in the journal beside a file: no crash, no hang, the
// file never grows, and no journal stays behind. The first input byte says whether the
// journal is made to name the file (bit 0) and sealed with its checksum (bit 1), so that
// the fuzzer reaches past both checks.
#include "platform/mmio/Journal.h"
#include "fuzz/FuzzScratch.h"

#include <cstdlib>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

using namespace platform::mmio;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = fuzzscratch::File("journaled.wav");
    static const std::string journal = JournalPath(path);
    const std::string wav(4096, 'w');
    if (size == 0 || !fuzzscratch::Write(path, reinterpret_cast<const std::uint8_t*>(wav.data()), wav.size())) return 0;
    std::string j(reinterpret_cast<const char*>(data) + 1, size - 1);
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return 0;
    auto put64 = [&](std::size_t at, std::uint64_t v) {
        for (int i = 0; i < 8; ++i) j[at + static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    if ((data[0] & 1) && j.size() >= 24) {
        put64(8, static_cast<std::uint64_t>(st.st_dev));
        put64(16, static_cast<std::uint64_t>(st.st_ino));
    }
    if (data[0] & 2) {
        const std::uint64_t sum = JournalChecksum(j);
        j.append(8, '\0');
        put64(j.size() - 8, sum);
    }
    if (!fuzzscratch::Write(journal, reinterpret_cast<const std::uint8_t*>(j.data()), j.size())) return 0;
    RollBackInterrupted(path);
    if (::stat(path.c_str(), &st) != 0 || static_cast<std::size_t>(st.st_size) > wav.size()) std::abort();
    if (::access(journal.c_str(), F_OK) == 0) std::abort();
    return 0;
}

// Reading and writing an item's metadata costs the same on a 1 MiB and a 1 GiB file, is
// quicker than libsndfile's header parse, and a save writes only the metadata chunks.
#include "BenchReport.h"

#include "rozuzezer/core/cHardDiskItem.h"

#include <sndfile.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include <sys/stat.h>

namespace {

void Le16(std::string& s, std::uint32_t v) {
    s.push_back(static_cast<char>(v & 0xFF));
    s.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void Le32(std::string& s, std::uint32_t v) {
    Le16(s, v & 0xFFFF);
    Le16(s, v >> 16);
}

void FillItem(rozuzezer::cHardDiskItem& it) {
    it.ItemTitle = "Benchmark title";
    it.SetArtistName(1, "Benchmark artist");
    it.SchedulerReference = "CUT-1";
    it.Notes = std::string(600, 'n');
    it.CopyrightComposer = "Composer";
    it.AudioEnd = 100;
    it.SetIntroEx(1, 5);
    it.SetExtroEx(1, 90);
    it.HookStart = 10;
    it.HookEnd = 20;
    it.SetDescription(1, "Benchmark description");
    it.Originator = "Bench";
    it.OriginationDate = 45000;
}

// A 16-bit stereo WAV of `bytes` in all, its audio a hole in the file, with cart and bext
// appended behind the audio by our own writer.
std::string MakeFile(const std::string& folder, const std::string& name, std::uint64_t bytes) {
    const std::string path = folder + "/" + name;
    const std::uint64_t dataSize = bytes - 44;
    std::string h = "RIFF";
    Le32(h, static_cast<std::uint32_t>(bytes - 8));
    h += "WAVEfmt ";
    Le32(h, 16);
    Le16(h, 1);
    Le16(h, 2);
    Le32(h, 44100);
    Le32(h, 176400);
    Le16(h, 4);
    Le16(h, 16);
    h += "data";
    Le32(h, static_cast<std::uint32_t>(dataSize));
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << h;
    }
    std::filesystem::resize_file(path, bytes);
    rozuzezer::cHardDiskItem it;
    FillItem(it);
    if (!it.SaveToWAVFile(path, 3)) std::fprintf(stderr, "setup save failed for %s\n", path.c_str());
    return path;
}

using CartInfo = SF_CART_INFO_VAR(8192);
using BextInfo = SF_BROADCAST_INFO_VAR(4096);

void PeerRead(const std::string& path, CartInfo& cart, BextInfo& bext) {
    SF_INFO info{};
    SNDFILE* sf = sf_open(path.c_str(), SFM_READ, &info);
    if (!sf) return;
    sf_command(sf, SFC_GET_CART_INFO, &cart, sizeof cart);
    sf_command(sf, SFC_GET_BROADCAST_INFO, &bext, sizeof bext);
    sf_close(sf);
}

// Seconds per call, the best of many rounds of `calls` calls (the machine is shared, so
// the best round is the one least disturbed).
double PerCall(int calls, const std::function<void()>& fn) {
    return bench::BestSeconds(25, [&] {
               for (int i = 0; i < calls; ++i) fn();
           }) / calls;
}

} // namespace

int main() {
    const std::string folder = bench::ScratchFolder("wav");
    const std::string small = MakeFile(folder, "small.wav", 1ull << 20);
    const std::string large = MakeFile(folder, "large.wav", 1ull << 30);
    constexpr int kCalls = 500;

    auto cart = std::make_unique<CartInfo>();
    auto bext = std::make_unique<BextInfo>();
    double load[2] = {0, 0}, peer[2] = {0, 0};
    const std::string* files[2] = {&small, &large};
    for (int i = 0; i < 2; ++i) {
        const std::string& path = *files[i];
        load[i] = PerCall(kCalls, [&] {
            rozuzezer::cHardDiskItem it;
            it.LoadFromWAVFile(path, 3);
        });
        peer[i] = PerCall(kCalls, [&] { PeerRead(path, *cart, *bext); });
    }
    bench::Report("wav_load_1mib", load[0] * 1e6, "us", "libsndfile", peer[0] * 1e6);
    bench::Report("wav_load_1gib", load[1] * 1e6, "us", "libsndfile", peer[1] * 1e6);
    bench::Report("wav_load_1gib_vs_1mib", load[1] / load[0], "x");

    double save[2] = {0, 0};
    double bytesPerSave = 0, charsPerSave = 0;
    for (int i = 0; i < 2; ++i) {
        const std::string& path = *files[i];
        rozuzezer::cHardDiskItem it;
        FillItem(it);
        it.AudioFileName = path;
        const std::int64_t w0 = bench::BytesWritten(), c0 = bench::CharsWritten();
        int saves = 0;
        save[i] = PerCall(200, [&] {
            it.SaveToWAVFile(path, 3);
            ++saves;
        });
        if (i == 1) {
            bytesPerSave = static_cast<double>(bench::BytesWritten() - w0) / saves;
            charsPerSave = static_cast<double>(bench::CharsWritten() - c0) / saves;
        }
    }
    bench::Report("wav_save_1mib", save[0] * 1e6, "us");
    bench::Report("wav_save_1gib", save[1] * 1e6, "us");
    bench::Report("wav_save_1gib_vs_1mib", save[1] / save[0], "x");
    bench::Report("wav_save_1gib_bytes_written", bytesPerSave, "B");
    bench::Report("wav_save_1gib_chars_written", charsPerSave, "B");
    // The 1 GiB file's audio is a hole: what is allocated after every save is only what the
    // metadata writes touched.
    struct stat st {};
    ::stat(large.c_str(), &st);
    bench::Report("wav_1gib_allocated_after_saves", static_cast<double>(st.st_blocks) * 512 / 1024, "KiB");

    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    return 0;
}

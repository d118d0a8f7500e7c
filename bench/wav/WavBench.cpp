// Reading and writing an item's metadata costs the same on a 1 MiB and a 1 GiB file, is
// quicker than libsndfile's header parse, and a save writes only the metadata chunks, flushed,
// in a time that grows with the tag text it sorts out.
#include "BenchReport.h"

#include "rozuzezer/core/cHardDiskItem.h"

#include <sndfile.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include <algorithm>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// The RIFF header of a 16-bit stereo 44.1 kHz file whose RIFF chunk holds `riffSize` bytes,
// its fmt chunk and the header of its data chunk.
std::string Header(std::uint64_t riffSize, std::uint64_t dataSize) {
    std::string h = "RIFF";
    Le32(h, static_cast<std::uint32_t>(riffSize));
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
    return h;
}

// A 16-bit stereo WAV of `bytes` in all, its audio a hole in the file, with cart and bext
// appended behind the audio by our own writer.
std::string MakeFile(const std::string& folder, const std::string& name, std::uint64_t bytes) {
    const std::string path = folder + "/" + name;
    const std::string h = Header(bytes - 8, bytes - 44);
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

// An hour of 16-bit stereo audio, every byte written (no hole), with cart and bext appended.
std::string MakeHour(const std::string& folder) {
    const std::string path = folder + "/hour.wav";
    const std::uint64_t dataSize = 44100ull * 4 * 3600;
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << Header(dataSize + 36, dataSize);
        std::string block(4u << 20, '\0');
        for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>((i * 2654435761u) >> 24);
        for (std::uint64_t left = dataSize; left > 0;) {
            const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, block.size()));
            out.write(block.data(), static_cast<std::streamsize>(n));
            left -= n;
        }
    }
    rozuzezer::cHardDiskItem it;
    FillItem(it);
    if (!it.SaveToWAVFile(path, 3)) std::fprintf(stderr, "setup save failed for %s\n", path.c_str());
    return path;
}

// The bytes of a second of audio whose cart tag text holds `bytes` of tags the reader knows
// and one tag of another producer among them.
std::string TaggedFile(std::size_t bytes) {
    std::string tags;
    bool foreign = false;
    const std::string known = "<NOTES>n</NOTES><COMPOSER>c</COMPOSER><TEXT>t</TEXT><DLS>d</DLS>";
    while (tags.size() < bytes) {
        tags += known;
        if (tags.size() > bytes / 2 && !foreign) {
            tags += "<ORIGIN>desk 4</ORIGIN>";
            foreign = true;
        }
    }
    std::string cart(2048, ' ');
    cart.replace(0, 4, "0101");
    cart += tags;
    if (cart.size() & 1) cart.push_back(' ');
    const std::uint64_t dataSize = 44100 * 4;
    std::string file = Header(36 + dataSize + 8 + cart.size(), dataSize);
    file.append(dataSize, '\x11');
    file += "cart";
    Le32(file, static_cast<std::uint32_t>(cart.size()));
    return file + cart;
}

// Puts the bytes in the file and on the disk, so that a save flushes nothing of them.
void PutDurably(const std::string& path, const std::string& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return;
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    ::fdatasync(fd);
    ::close(fd);
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
    std::error_code ec0;
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

    // A details save of an hour of audio, flushed so that a power cut leaves the old item or
    // the new: against copying the file, and against the least any flushed write of its bytes
    // costs (one write of them and one flush).
    const std::string hour = MakeHour(folder);
    bench::RunPeer("cat '" + hour + "' > /dev/null");
    std::vector<double> hourSave, hourCp, floor;
    const int scratch = ::open((folder + "/floor.bin").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    const std::string bytes(2650, 'b');
    for (int run = 0; run < bench::kRuns; ++run) {
        rozuzezer::cHardDiskItem it;
        FillItem(it);
        it.AudioFileName = hour;
        hourSave.push_back(bench::BestSeconds(20, [&] { it.SaveToWAVFile(hour, 3); }) * 1e3);
        floor.push_back(bench::BestSeconds(20, [&] {
                            if (::pwrite(scratch, bytes.data(), bytes.size(), 0) < 0 || ::fdatasync(scratch) != 0)
                                std::fprintf(stderr, "flush failed\n");
                        }) * 1e3);
        hourCp.push_back(bench::RunPeer("cp '" + hour + "' '" + folder + "/copy.wav'") * 1e3);
        std::filesystem::remove(folder + "/copy.wav", ec0);
    }
    ::close(scratch);
    bench::ReportRuns("wav_save_hour", hourSave, "ms", "cp", hourCp);
    bench::ReportRuns("wav_save_hour_vs_one_flushed_write", hourSave, "ms", "pwrite+fdatasync", floor);

    // Other producers' tags in the tag text: a save takes out the ones it knows in one pass,
    // so its time grows with the text, never with its square. Each save starts from the file
    // as it was, on the disk; the best of the runs counts, as above.
    const std::string tagged1 = folder + "/tags-1mib.wav", tagged16 = folder + "/tags-16mib.wav";
    const std::string bytes1 = TaggedFile(1u << 20), bytes16 = TaggedFile(16u << 20);
    auto bestSave = [&](const std::string& path, const std::string& original) {
        // What the copies above left for the disk to write goes first: the saves wait for
        // their own flushes only.
        ::sync();
        double best = 1e300;
        for (int run = 0; run < 2 * bench::kRuns; ++run) {
            PutDurably(path, original);
            rozuzezer::cHardDiskItem it;
            it.Notes = "ours";
            it.AudioFileName = path;
            best = std::min(best, bench::Seconds([&] {
                                if (!it.SaveToWAVFile(path, 3)) std::fprintf(stderr, "tag text save failed\n");
                            }));
        }
        return best * 1e3;
    };
    const double tags1 = bestSave(tagged1, bytes1), tags16 = bestSave(tagged16, bytes16);
    const double cp = bench::BestSeconds(3, [&] { bench::RunPeer("cp '" + hour + "' '" + folder + "/copy.wav'"); }) * 1e3;
    bench::Report("wav_save_tags_1mib", tags1, "ms", "cp", cp);
    bench::Report("wav_save_tags_16mib", tags16, "ms");
    bench::Report("wav_save_tags_16mib_vs_1mib", tags16 / tags1, "x");

    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    return 0;
}

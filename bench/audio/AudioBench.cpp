// The audio component on an hour of stereo 44.1 kHz 16-bit audio, against the tools radio
// engineers would otherwise use on the same file in the same run.
#include "BenchReport.h"

#include "platform/audio/AudioEditor.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

using namespace platform::audio;
namespace fs = std::filesystem;

namespace {

constexpr int kRate = 44100;
constexpr std::int64_t kFrames = 3600LL * kRate;

void Put32(std::FILE* f, std::uint32_t v) {
    unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                          static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
    std::fwrite(b, 1, 4, f);
}
void Put16(std::FILE* f, std::uint16_t v) {
    unsigned char b[2] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8)};
    std::fwrite(b, 1, 2, f);
}

// A programme-like signal: tones whose level drifts, and a little noise.
void MakeHour(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    const std::uint32_t bytes = static_cast<std::uint32_t>(kFrames * 4);
    std::fwrite("RIFF", 1, 4, f);
    Put32(f, 36 + bytes);
    std::fwrite("WAVEfmt ", 1, 8, f);
    Put32(f, 16);
    Put16(f, 1);
    Put16(f, 2);
    Put32(f, kRate);
    Put32(f, kRate * 4);
    Put16(f, 4);
    Put16(f, 16);
    std::fwrite("data", 1, 4, f);
    Put32(f, bytes);
    std::vector<std::int16_t> buf(static_cast<std::size_t>(kRate) * 2);
    std::uint32_t noise = 1;
    for (std::int64_t s = 0; s < 3600; ++s) {
        const double level = 0.25 + 0.2 * std::sin(static_cast<double>(s) * 0.01);
        for (int i = 0; i < kRate; ++i) {
            noise = noise * 1664525u + 1013904223u;
            const double n = (static_cast<double>(noise >> 16) / 65536.0 - 0.5) * 0.02;
            const double t = static_cast<double>(s * kRate + i) / kRate;
            buf[static_cast<std::size_t>(2 * i)] = static_cast<std::int16_t>(32767 * (level * std::sin(2 * M_PI * 440 * t) + n));
            buf[static_cast<std::size_t>(2 * i + 1)] = static_cast<std::int16_t>(32767 * (level * std::sin(2 * M_PI * 554 * t) - n));
        }
        std::fwrite(buf.data(), 2, buf.size(), f);
    }
    std::fclose(f);
}

std::string Q(const std::string& s) { return "'" + s + "'"; }

void Select(AudioEditor& ed, std::int64_t a, std::int64_t b) {
    ed.View().SetSelectionShown(true);
    ed.View().SetSelectionStart(a);
    ed.View().SetSelectionEnd(b);
}

} // namespace

int main() {
    const std::string dir = bench::ScratchFolder("audio");
    const std::string src = dir + "/hour.wav";
    MakeHour(src);
    const double fileBytes = static_cast<double>(fs::file_size(src));
    bench::RunPeer("cat " + Q(src) + " > /dev/null"); // both sides start from a warm cache

    AudioEditor ed;
    ed.SetTemporaryFolder(dir + "/tmp");

    // Open for editing until the summaries are complete.
    double peerOpen = bench::HavePeer("ffmpeg") ? bench::RunPeer("ffmpeg -nostdin -i " + Q(src) + " -f null -") : -1;
    std::int64_t rss0 = bench::ResidentBytes();
    double open = bench::Seconds([&] { ed.OpenAudio(src); });
    std::int64_t rssOpen = bench::ResidentBytes();
    bench::Report("audio_open_hour", open, "s", "ffmpeg", peerOpen);
    bench::Report("audio_open_memory_growth", 100.0 * static_cast<double>(rssOpen - rss0) / fileBytes, "%_of_file");

    // Normalise the whole document and save it as WAV.
    const std::string out = dir + "/out.wav";
    double peerNorm = bench::HavePeer("sox") ? bench::RunPeer("sox " + Q(src) + " " + Q(out) + " norm") : -1;
    fs::remove(out);
    double norm = bench::Seconds([&] {
        ed.Processing().Normalise(100, false);
        ed.SaveAudio(out, false, filetype::Wav);
    });
    std::int64_t rssNorm = bench::ResidentBytes();
    bench::Report("audio_normalise_save", norm, "s", "sox_norm", peerNorm);
    bench::Report("audio_normalise_memory_growth", 100.0 * static_cast<double>(rssNorm - rss0) / fileBytes, "%_of_file");
    ed.Undo();

    // Reverse and save.
    fs::remove(out);
    double peerRev = bench::HavePeer("sox") ? bench::RunPeer("sox " + Q(src) + " " + Q(out) + " reverse") : -1;
    fs::remove(out);
    double rev = bench::Seconds([&] {
        ed.Processing().Reverse();
        ed.SaveAudio(out, false, filetype::Wav);
    });
    bench::Report("audio_reverse_save", rev, "s", "sox_reverse", peerRev);
    ed.Undo();
    fs::remove(out);

    // Cut ten minutes from the middle, undo, redo.
    const std::int64_t tenMin = 600LL * kRate, mid = kFrames / 2 - tenMin / 2;
    double cut = 0, undo = 0, redo = 0;
    std::int64_t rssEdits0 = bench::ResidentBytes();
    for (int i = 0; i < 50; ++i) {
        Select(ed, mid, mid + tenMin);
        double c = bench::Seconds([&] { ed.Cut(); });
        double u = bench::Seconds([&] { ed.Undo(); });
        double r = bench::Seconds([&] { ed.Redo(); });
        ed.Undo();
        if (i == 0 || c > cut) cut = c;
        if (i == 0 || u > undo) undo = u;
        if (i == 0 || r > redo) redo = r;
    }
    std::int64_t rssEdits = bench::ResidentBytes();
    bench::Report("audio_cut_10min", cut * 1000, "ms");
    bench::Report("audio_undo_cut", undo * 1000, "ms");
    bench::Report("audio_redo_cut", redo * 1000, "ms");
    bench::Report("audio_50_edits_memory_growth", static_cast<double>(rssEdits - rssEdits0) / (1 << 20), "MB");

    // Ten minutes as MPEG layer 3 at 128 kbit/s.
    const std::string mp3 = dir + "/ten.mp3";
    double peerMp3 = bench::HavePeer("ffmpeg")
                         ? bench::RunPeer("ffmpeg -nostdin -y -ss 1200 -t 600 -i " + Q(src) +
                                          " -c:a libmp3lame -b:a 128k " + Q(mp3))
                         : -1;
    Select(ed, mid, mid + tenMin);
    MP3Settings s = ed.CreateMP3Settings();
    s.BitRate = 128000;
    s.Channels = 2;
    s.SampleRate = kRate;
    double mp3Time = bench::Seconds([&] {
        ed.SaveFormat().SetMpegLayer3(s);
        ed.SaveAudio(mp3, true, filetype::Mp3);
    });
    bench::Report("audio_save_mp3_10min", mp3Time, "s", "ffmpeg_libmp3lame", peerMp3);

    // Time-stretch ten minutes by 10 %.
    const std::string ten = dir + "/ten.wav";
    ed.SaveAudio(ten, true, filetype::Wav);
    double peerStretch = bench::HavePeer("soundstretch")
                             ? bench::RunPeer("soundstretch " + Q(ten) + " " + Q(dir + "/st.wav") + " -tempo=10")
                             : -1;
    double stretch = bench::Seconds([&] { ed.Processing().TimeStretch(110); });
    bench::Report("audio_time_stretch_10min", stretch, "s", "soundstretch", peerStretch);

    ed.CloseDocument();
    std::error_code ec;
    fs::remove_all(dir, ec);
    return 0;
}

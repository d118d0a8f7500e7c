// The audio component on an hour of stereo 44.1 kHz 16-bit audio, against the tools radio
// engineers would otherwise use on the same file in the same run.
#include "BenchReport.h"

#include "platform/audio/AudioEditor.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

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
    const bool ffmpeg = bench::HavePeer("ffmpeg"), sox = bench::HavePeer("sox"), soundstretch = bench::HavePeer("soundstretch");
    const std::string out = dir + "/out.wav", mp3 = dir + "/ten.mp3", ten = dir + "/ten.wav",
                      minute = dir + "/minute.wav";
    // What the peers wrote is on the disk before we start, and ours before they do.
    const auto settle = [] { ::sync(); };
    const auto peer = [&](bool have, const std::string& cmd) {
        settle();
        const double s = have ? bench::RunPeer(cmd) : -1;
        settle();
        return s;
    };

    struct Figures {
        std::vector<double> open, peerOpen, openMem, norm, peerNorm, normMem, rev, peerRev, cut, undo, redo, editsMem,
            mp3, peerMp3, stretch, peerStretch, hourShort, peerHourShort, hourShortMem, minuteLong, peerMinuteLong;
    } f;
    for (int run = 0; run < bench::kRuns; ++run) {
        AudioEditor ed;
        ed.SetTemporaryFolder(dir + "/tmp");

        // Open for editing until the summaries are complete.
        f.peerOpen.push_back(peer(ffmpeg, "ffmpeg -nostdin -i " + Q(src) + " -f null -"));
        std::int64_t rss0 = bench::ResidentBytes();
        f.open.push_back(bench::Seconds([&] { ed.OpenAudio(src); }));
        f.openMem.push_back(100.0 * static_cast<double>(bench::ResidentBytes() - rss0) / fileBytes);

        // Normalise the whole document and save it as WAV.
        f.peerNorm.push_back(peer(sox, "sox " + Q(src) + " " + Q(out) + " norm"));
        fs::remove(out);
        settle();
        f.norm.push_back(bench::Seconds([&] {
            ed.Processing().Normalise(100, false);
            ed.SaveAudio(out, false, filetype::Wav);
        }));
        f.normMem.push_back(100.0 * static_cast<double>(bench::ResidentBytes() - rss0) / fileBytes);
        ed.Undo();

        // Reverse and save.
        fs::remove(out);
        f.peerRev.push_back(peer(sox, "sox " + Q(src) + " " + Q(out) + " reverse"));
        fs::remove(out);
        settle();
        f.rev.push_back(bench::Seconds([&] {
            ed.Processing().Reverse();
            ed.SaveAudio(out, false, filetype::Wav);
        }));
        ed.Undo();
        fs::remove(out);

        // Cut ten minutes from the middle, undo, redo: the slowest of 50.
        const std::int64_t tenMin = 600LL * kRate, mid = kFrames / 2 - tenMin / 2;
        double cut = 0, undo = 0, redo = 0;
        std::int64_t rssEdits0 = bench::ResidentBytes();
        for (int i = 0; i < 50; ++i) {
            Select(ed, mid, mid + tenMin);
            double c = bench::Seconds([&] { ed.Cut(); });
            double u = bench::Seconds([&] { ed.Undo(); });
            double r = bench::Seconds([&] { ed.Redo(); });
            ed.Undo();
            cut = std::max(cut, c);
            undo = std::max(undo, u);
            redo = std::max(redo, r);
        }
        f.cut.push_back(cut * 1000);
        f.undo.push_back(undo * 1000);
        f.redo.push_back(redo * 1000);
        f.editsMem.push_back(static_cast<double>(bench::ResidentBytes() - rssEdits0) / (1 << 20));

        // Ten minutes as MPEG layer 3 at 128 kbit/s.
        f.peerMp3.push_back(peer(ffmpeg, "ffmpeg -nostdin -y -ss 1200 -t 600 -i " + Q(src) +
                                             " -c:a libmp3lame -b:a 128k " + Q(mp3)));
        Select(ed, mid, mid + tenMin);
        MP3Settings s = ed.CreateMP3Settings();
        s.BitRate = 128000;
        s.Channels = 2;
        s.SampleRate = kRate;
        f.mp3.push_back(bench::Seconds([&] {
            ed.SaveFormat().SetMpegLayer3(s);
            ed.SaveAudio(mp3, true, filetype::Mp3);
        }));

        // Time-stretch ten minutes by 10 %, on the same file, with the same settings.
        ed.SaveAudio(ten, true, filetype::Wav);
        f.peerStretch.push_back(peer(soundstretch, "soundstretch " + Q(ten) + " " + Q(dir + "/st.wav") + " -tempo=10"));
        ed.CloseDocument();
        ed.OpenAudio(ten);
        f.stretch.push_back(bench::Seconds([&] { ed.Processing().TimeStretch(110); }));
        ed.CloseDocument();

        // The far ends of the dialog's range, keeping the pitch: the whole hour to a fortieth
        // (a minute and a half), and a minute to four times its length.
        fs::remove(out);
        f.peerHourShort.push_back(peer(soundstretch, "soundstretch " + Q(src) + " " + Q(out) + " -tempo=3900"));
        fs::remove(out);
        ed.OpenAudio(src);
        Select(ed, 0, 60LL * kRate);
        ed.SaveAudio(minute, true, filetype::Wav);
        ed.View().SetSelectionShown(false);
        const std::int64_t rssStretch0 = bench::ResidentBytes();
        f.hourShort.push_back(bench::Seconds([&] { ed.Processing().TimeStretch(4000); }));
        f.hourShortMem.push_back(static_cast<double>(bench::ResidentBytes() - rssStretch0) / (1 << 20));
        ed.CloseDocument();
        f.peerMinuteLong.push_back(peer(soundstretch, "soundstretch " + Q(minute) + " " + Q(out) + " -tempo=-75"));
        fs::remove(out);
        ed.OpenAudio(minute);
        f.minuteLong.push_back(bench::Seconds([&] { ed.Processing().TimeStretch(25); }));
        ed.CloseDocument();
    }
    bench::ReportRuns("audio_open_hour", f.open, "s", "ffmpeg", f.peerOpen);
    bench::ReportRuns("audio_open_memory_growth", f.openMem, "%_of_file");
    bench::ReportRuns("audio_normalise_save", f.norm, "s", "sox_norm", f.peerNorm);
    bench::ReportRuns("audio_normalise_memory_growth", f.normMem, "%_of_file");
    bench::ReportRuns("audio_reverse_save", f.rev, "s", "sox_reverse", f.peerRev);
    bench::ReportRuns("audio_cut_10min", f.cut, "ms");
    bench::ReportRuns("audio_undo_cut", f.undo, "ms");
    bench::ReportRuns("audio_redo_cut", f.redo, "ms");
    bench::ReportRuns("audio_50_edits_memory_growth", f.editsMem, "MB");
    bench::ReportRuns("audio_save_mp3_10min", f.mp3, "s", "ffmpeg_libmp3lame", f.peerMp3);
    bench::ReportRuns("audio_time_stretch_10min", f.stretch, "s", "soundstretch", f.peerStretch);
    bench::ReportRuns("audio_time_stretch_hour_to_fortieth", f.hourShort, "s", "soundstretch", f.peerHourShort);
    bench::ReportRuns("audio_time_stretch_hour_to_fortieth_memory_growth", f.hourShortMem, "MB");
    bench::ReportRuns("audio_time_stretch_minute_to_4x", f.minuteLong, "s", "soundstretch", f.peerMinuteLong);

    std::error_code ec;
    fs::remove_all(dir, ec);
    return 0;
}

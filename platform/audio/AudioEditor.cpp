#include "platform/audio/EditorImpl.h"
#include "platform/audio/SampleLoader.h"
#include "platform/audio/WavFile.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::audio {

namespace {

std::string DefaultTempFolder() {
    const char* t = std::getenv("TMPDIR");
    return t && *t ? t : "/tmp";
}

std::string Thousands(std::int64_t v) {
    std::string s = std::to_string(v), out;
    int n = 0;
    for (auto it = s.rbegin(); it != s.rend(); ++it) {
        if (n && n % 3 == 0) out.insert(out.begin(), ',');
        out.insert(out.begin(), *it);
        ++n;
    }
    return out;
}

std::string ChannelWord(int ch) {
    if (ch == 1) return "Mono";
    if (ch == 2) return "Stereo";
    return std::to_string(ch) + " channels";
}

std::int64_t MapPos(std::int64_t p, const Splice& s) {
    if (p <= s.at) return p;
    if (p >= s.at + s.removed) return p - s.removed + s.inserted;
    // Inside what was replaced: in proportion.
    return s.at + static_cast<std::int64_t>(std::llround(static_cast<double>(p - s.at) * static_cast<double>(s.inserted) /
                                                         static_cast<double>(s.removed)));
}

} // namespace

std::string DescribeFormat(const std::string& coding, int rate, int channels, int bits, std::int64_t bitRate) {
    std::string s = coding;
    if (bitRate > 0) s += ", " + std::to_string((bitRate + 500) / 1000) + " kbit/s";
    s += ", " + Thousands(rate) + " Hz";
    if (bits > 0) s += ", " + std::to_string(bits) + " Bit";
    s += ", " + ChannelWord(channels);
    return s;
}

void EditorState::Raise(std::function<void()> event) {
    if (value_ == kStateBusy) held_.push_back(std::move(event));
    else event();
}

void EditorState::RaiseHeld(bool unwinding) {
    std::exception_ptr first;
    // A handler may start an operation of its own; what that holds goes out with it.
    while (!held_.empty()) {
        std::vector<std::function<void()>> events = std::move(held_);
        held_.clear();
        for (auto& event : events) {
            try {
                event();
            } catch (...) {
                if (!first) first = std::current_exception();
            }
        }
    }
    if (first && !unwinding) std::rethrow_exception(first);
}

AudioEditor::Impl::Impl(AudioEditor& e) : self(e), tempFolder(DefaultTempFolder()) {}

std::shared_ptr<WorkFile> AudioEditor::Impl::Work() {
    if (!work) work = std::make_shared<WorkFile>(tempFolder);
    return work;
}

void AudioEditor::Impl::RequireDoc() const {
    if (!hasDoc) Raise(err::InvalidCall, "No audio document is open");
}

void AudioEditor::Impl::RequireEditable() const {
    RequireDoc();
    if (docReadOnly) Raise(err::PermissionDenied, "The audio was opened read-only");
    // A handler of an operation's progress event may not change the document under it.
    if (self.state_ == kStateBusy) Raise(err::InvalidCall, "The audio editor is busy");
}

std::pair<std::int64_t, std::int64_t> AudioEditor::Impl::Target() const {
    const std::int64_t len = Len();
    if (!HasSelection()) return {0, len};
    std::int64_t a = std::clamp<std::int64_t>(std::min(selStart, selEnd), 0, len);
    std::int64_t b = std::clamp<std::int64_t>(std::max(selStart, selEnd), 0, len);
    return {a, b};
}

std::int64_t AudioEditor::Impl::InsertPoint() const {
    return std::clamp<std::int64_t>(HasSelection() ? std::min(selStart, selEnd) : position, 0, Len());
}

std::vector<int> AudioEditor::Impl::SelectedChannels() const {
    std::vector<int> out;
    for (int c = 0; c < channels; ++c)
        if (chanSelected[static_cast<std::size_t>(c)]) out.push_back(c);
    return out;
}

bool AudioEditor::Impl::AllChannelsSelected() const {
    return static_cast<int>(SelectedChannels().size()) == channels;
}

void AudioEditor::Impl::EmitProgress(int pct) {
    if (!quiet) self.Progress.Emit(std::clamp(pct, 0, 100));
}

void AudioEditor::Impl::SetSelection(std::int64_t s, std::int64_t e, bool shown) {
    bool changed = s != selStart || e != selEnd || shown != selShown;
    selStart = s;
    selEnd = e;
    selShown = shown;
    if (changed && !quiet) self.state_.Raise([this] { self.SelectionChanged.Emit(); });
}

void AudioEditor::Impl::ResetDocument(LoadedAudio audio, const std::string& path) {
    hasDoc = true;
    rate = audio.rate;
    channels = audio.channels;
    fileName = path;
    ownSetup = audio.setup;
    ownType = audio.fileType;
    format = audio.format;
    history.clear();
    history.push_back(DocState{std::move(audio.tracks), nullptr});
    regions.clear();
    cursor = 0;
    editDepth = 0;
    groupOpen = false;
    chanSelected.assign(static_cast<std::size_t>(channels), 1);
    chanEnabled.assign(static_cast<std::size_t>(channels), 1);
    position = selStart = selEnd = 0;
    selShown = false;
    visStart = 0;
    visEnd = Len();
    self.channels_.current_ = 1;
    self.regions_.current_ = 0;
}

namespace {

const Region* FindRegion(const std::vector<Region>& rs, std::uint64_t id) {
    for (const auto& r : rs)
        if (r.id == id) return &r;
    return nullptr;
}

void MapRegion(Region& r, const std::vector<Splice>& splices, bool backwards) {
    std::int64_t a = r.start, b = r.start + r.length;
    auto step = [&](const Splice& s) {
        a = MapPos(a, s);
        b = MapPos(b, s);
    };
    if (!backwards)
        for (const auto& s : splices) step(s);
    else
        for (auto it = splices.rbegin(); it != splices.rend(); ++it) step(Splice{it->at, it->inserted, it->removed});
    r.start = std::max<std::int64_t>(0, a);
    r.length = std::max<std::int64_t>(0, b - r.start);
}

// After an edit no region reaches past the audio (a region a caller placed beyond it, from a
// damaged file say, ends at the end).
void KeepWithin(std::vector<Region>& rs, std::int64_t len) {
    for (auto& r : rs) {
        const std::int64_t a = std::clamp<std::int64_t>(r.start, 0, len);
        const std::int64_t b = std::clamp<std::int64_t>(r.start + r.length, a, len);
        r.start = a;
        r.length = b - a;
    }
}

// A region through an edit that began when it stood as `was`: the edges the caller has moved
// since stand on the new timeline already and stay; the others follow the audio.
void MapRegionPlaced(Region& r, const std::vector<Splice>& splices, const Region* was) {
    if (!was) return; // made since the edit began: wholly on the new timeline
    Region mapped = r;
    MapRegion(mapped, splices, false);
    const std::int64_t a = r.start != was->start ? r.start : mapped.start;
    const std::int64_t b =
        r.start + r.length != was->start + was->length ? r.start + r.length : mapped.start + mapped.length;
    r.start = std::max<std::int64_t>(0, a);
    r.length = std::max<std::int64_t>(0, b - r.start);
}

} // namespace

void AudioEditor::Impl::EmitRegionChanges(const std::vector<Region>& before) {
    if (quiet) return;
    for (std::size_t i = 0; i < regions.size(); ++i) {
        const Region* old = FindRegion(before, regions[i].id);
        if (old && (old->start != regions[i].start || old->length != regions[i].length))
            self.state_.Raise([this, index = static_cast<int>(i + 1)] { self.RegionChanged.Emit(index); });
    }
}

void AudioEditor::Impl::NothingChanged() {
    if (!quiet) self.state_.Raise([this] { self.AudioChanged.Emit(); });
}

void AudioEditor::Impl::Commit(DocState next, std::vector<Splice> splices, std::int64_t newSelStart,
                               std::int64_t newSelEnd, bool newShown, std::int64_t newPosition,
                               const std::vector<Region>* placedSince) {
    ++changes;
    const std::vector<Region> before = regions;
    for (auto& r : regions) {
        if (placedSince) MapRegionPlaced(r, splices, FindRegion(*placedSince, r.id));
        else MapRegion(r, splices, false);
    }
    KeepWithin(regions, next.tracks.empty() ? 0 : next.tracks[0]->Length());
    auto step = std::make_shared<EditStep>();
    if (editDepth > 0 && groupOpen) {
        // One undo step for the bracket: from the state before its first edit.
        if (const auto& open = history[cursor].step) {
            step->regionsBefore = open->regionsBefore;
            step->splices = open->splices;
        }
        step->splices.insert(step->splices.end(), splices.begin(), splices.end());
        step->regionsAfter = regions;
        next.step = step;
        history[cursor] = std::move(next);
    } else {
        step->splices = std::move(splices);
        step->regionsBefore = before;
        step->regionsAfter = regions;
        next.step = step;
        history.resize(cursor + 1);
        history.push_back(std::move(next));
        ++cursor;
        constexpr std::size_t kMaxUndo = 200;
        if (history.size() > kMaxUndo) {
            history.erase(history.begin(), history.begin() + static_cast<std::ptrdiff_t>(history.size() - kMaxUndo));
            cursor = history.size() - 1;
        }
        if (editDepth > 0) groupOpen = true;
    }
    const std::int64_t len = Len();
    visStart = std::clamp<std::int64_t>(visStart, 0, len);
    visEnd = std::clamp<std::int64_t>(visEnd, visStart, len);
    if (visEnd == visStart) visEnd = len;
    position = std::clamp<std::int64_t>(newPosition, 0, len);
    SetSelection(std::clamp<std::int64_t>(newSelStart, 0, len), std::clamp<std::int64_t>(newSelEnd, 0, len), newShown);
    if (quiet) return;
    EmitRegionChanges(before);
    self.state_.Raise([this, step] {
        self.AudioChanged.Emit();
        // Regions the caller moved while it took the edit in (its own rules on the new
        // length) belong to the edit: undo finds them as the edit left them and puts back
        // what was before.
        if (history[cursor].step.get() == step.get()) step->regionsAfter = regions;
    });
}

void AudioEditor::Impl::Restore(std::size_t to) {
    ++changes;
    const std::vector<Region> before = regions;
    // Regions follow the audio: one the caller left where the edit put it goes back to where
    // it was (and forward again on redo); one moved or added since is carried by the splices.
    while (!regions.empty() && cursor != to) {
        const bool undo = to < cursor;
        const EditStep& step = *history[undo ? cursor : cursor + 1].step;
        const auto& from = undo ? step.regionsAfter : step.regionsBefore;
        const auto& back = undo ? step.regionsBefore : step.regionsAfter;
        for (auto& r : regions) {
            const Region* was = FindRegion(from, r.id);
            const Region* goes = FindRegion(back, r.id);
            if (was && goes && was->start == r.start && was->length == r.length) {
                r.start = goes->start;
                r.length = goes->length;
            } else {
                MapRegion(r, step.splices, undo);
            }
        }
        cursor = undo ? cursor - 1 : cursor + 1;
    }
    KeepWithin(regions, history[to].tracks.empty() ? 0 : history[to].tracks[0]->Length());
    cursor = to;
    // An edit bracket left open ends here, so later edits get undo steps of their own.
    editDepth = 0;
    groupOpen = false;
    const std::int64_t len = Len();
    position = std::clamp<std::int64_t>(position, 0, len);
    visStart = std::clamp<std::int64_t>(visStart, 0, len);
    visEnd = std::clamp<std::int64_t>(visEnd, visStart, len);
    if (visEnd == visStart) visEnd = len;
    SetSelection(std::clamp<std::int64_t>(selStart, 0, len), std::clamp<std::int64_t>(selEnd, 0, len), selShown);
    if (!before.empty()) EmitRegionChanges(before);
    self.state_.Raise([this] { self.AudioChanged.Emit(); });
}

// ---- Loading

LoadedAudio AudioEditor::Impl::Load(const std::string& path, bool summaries, bool events) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) Raise(err::FileNotFound, "The audio file " + path + " cannot be opened");
    struct FdGuard {
        int fd;
        ~FdGuard() {
            if (fd >= 0) ::close(fd);
        }
    } guard{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) Raise(err::BadFileName, path + " is not a file");
    auto progress = [&](int p) {
        if (events) EmitProgress(p);
    };

    LoadedAudio out;
    std::optional<WavInfo> info = ReadWavInfo(fd, st.st_size);
    PcmFile::Encoding enc{};
    bool pcm = false;
    std::int64_t dataOffset = 0, dataSize = 0;
    int ch = 0, fileRate = 0, bits = 0;
    std::uint16_t tag = 0;
    RawKind raw = RawKind::None;
    if (info) {
        tag = info->tag;
        bits = info->bits;
        ch = info->channels;
        fileRate = static_cast<int>(info->rate);
        // Samples in wider containers than their size (24 in 32 bits, say) go to the decoders.
        if (tag == kTagPcm && info->blockAlign == ch * ((bits + 7) / 8)) {
            pcm = true;
            switch (bits) {
            case 8: enc = PcmFile::Encoding::UInt8; break;
            case 16: enc = PcmFile::Encoding::Int16; break;
            case 24: enc = PcmFile::Encoding::Int24; break;
            case 32: enc = PcmFile::Encoding::Int32; break;
            default: pcm = false;
            }
        } else if (tag == kTagFloat && info->blockAlign == ch * ((bits + 7) / 8)) {
            pcm = bits == 32 || bits == 64;
            enc = bits == 64 ? PcmFile::Encoding::Float64 : PcmFile::Encoding::Float32;
        }
        if (pcm && (ch > 32 || info->rate > 768000))
            Raise(err::InvalidPropertyValue, "The WAV file's format is not supported (" + std::to_string(ch) +
                                                 " channels, " + std::to_string(info->rate) + " Hz)");
        dataOffset = info->dataOffset;
        dataSize = info->dataSize;
    } else {
        raw = RawKindOfPath(path);
        if (raw == RawKind::Pcm16) {
            pcm = true;
            enc = PcmFile::Encoding::Int16;
            ch = rawChannels;
            fileRate = rawRate;
            bits = 16;
            dataOffset = 0;
            dataSize = st.st_size;
        }
    }

    if (pcm) {
        const std::int64_t frameBytes = static_cast<std::int64_t>(ch) * ((bits + 7) / 8);
        const std::int64_t frames = dataSize / frameBytes;
        auto file = std::make_shared<PcmFile>(fd, dataOffset, frames, ch, enc, tempFolder);
        guard.fd = -1; // the file owns it now
        file->Guard();
        const std::int64_t regionCount = (frames + kFileBlockFrames - 1) / kFileBlockFrames;
        std::vector<std::vector<BlockPtr>> blocks(static_cast<std::size_t>(ch),
                                                  std::vector<BlockPtr>(static_cast<std::size_t>(regionCount)));
        auto makeRegion = [&](std::int64_t i, bool withSummaries) {
            const std::int64_t first = i * kFileBlockFrames, n = std::min(kFileBlockFrames, frames - first);
            auto region = std::make_shared<FileRegion>(file, first, n);
            std::vector<Summaries> sums(static_cast<std::size_t>(ch));
            if (withSummaries) {
                // A part at a time, so the samples are summarised while still in the cache.
                constexpr std::int64_t kPart = kCoarseWindow;
                thread_local ChannelData d; // reused: fresh pages for every region cost more than the reading
                d.resize(static_cast<std::size_t>(ch));
                // No more than the region needs: a short file is not worth a part's pages.
                const auto want = static_cast<std::size_t>(std::min(kPart, n));
                for (auto& v : d)
                    if (v.size() < want) v.resize(want);
                for (std::int64_t at = 0; at < n; at += kPart) {
                    const std::int64_t k = std::min(kPart, n - at);
                    region->LoadRange(at, k, d, 0);
                    for (int c = 0; c < ch; ++c)
                        sums[static_cast<std::size_t>(c)].Append(Summaries::Compute(d[static_cast<std::size_t>(c)].data(), k));
                }
            }
            for (int c = 0; c < ch; ++c)
                blocks[static_cast<std::size_t>(c)][static_cast<std::size_t>(i)] =
                    std::make_shared<Block>(region, c, std::move(sums[static_cast<std::size_t>(c)]));
        };
        if (!summaries || regionCount <= 1) {
            // One region (a short file) is read here: handing it to a thread costs more.
            for (std::int64_t i = 0; i < regionCount; ++i) makeRegion(i, summaries);
            if (summaries) progress(100);
        } else {
            // Read and summarise regionCount on a few threads; report progress from this one.
            const int workers = static_cast<int>(std::clamp<std::int64_t>(
                std::min<std::int64_t>(std::thread::hardware_concurrency(), 8), 1, std::max<std::int64_t>(regionCount, 1)));
            std::atomic<std::int64_t> next{0};
            std::mutex m;
            std::condition_variable cv;
            std::int64_t done = 0;
            std::exception_ptr failure;
            std::vector<std::thread> threads;
            for (int w = 0; w < workers; ++w)
                threads.emplace_back([&] {
                    for (;;) {
                        std::int64_t i = next++;
                        if (i >= regionCount) break;
                        try {
                            makeRegion(i, true);
                        } catch (...) {
                            std::lock_guard lock(m);
                            if (!failure) failure = std::current_exception();
                        }
                        std::lock_guard lock(m);
                        ++done;
                        cv.notify_one();
                    }
                });
            int last = -1;
            {
                std::unique_lock lock(m);
                while (done < regionCount) {
                    cv.wait(lock);
                    int pct = static_cast<int>(done * 100 / regionCount);
                    if (pct != last) {
                        last = pct;
                        lock.unlock();
                        progress(pct);
                        lock.lock();
                    }
                }
            }
            for (auto& t : threads) t.join();
            if (failure) std::rethrow_exception(failure);
            if (last != 100) progress(100); // the workers may all be done before the first wait
        }
        out.rate = fileRate;
        out.channels = ch;
        for (auto& b : blocks) out.tracks.push_back(Track::FromBlocks(b));
        using W = SaveSetup::Wrap;
        if (raw == RawKind::Pcm16) {
            out.setup = SaveSetup{SaveSetup::Kind::RawPcm, fileRate, ch, 16, 0, kTagPcm, false, 0, W::Native};
            out.fileType = filetype::RawPcm;
            out.format = FileFormat{DescribeFormat("Raw PCM", fileRate, ch, 16, 0), kTagPcm, 16,
                                    static_cast<std::int64_t>(fileRate) * ch * 16};
        } else {
            out.setup = SaveSetup{SaveSetup::Kind::Pcm, fileRate, ch, bits, 0, tag, false, 0, W::Wav};
            out.fileType = filetype::Wav;
            out.format = FileFormat{DescribeFormat(tag == kTagFloat ? "IEEE Float" : "PCM", fileRate, ch, bits, 0), tag, bits,
                                    static_cast<std::int64_t>(fileRate) * ch * bits};
        }
        return out;
    }

    // Everything else through the decoders.
    DecodeOptions o;
    o.raw = raw;
    o.progress = progress;
    if (summaries) o.work = Work();
    DecodedAudio d = DecodeFile(path, o);
    out.rate = d.rate;
    out.channels = d.channels;
    // A coder fills its last block; the fact chunk says how much of it is audio.
    std::int64_t frames = d.frames;
    if (info && info->factSamples && *info->factSamples > 0 && *info->factSamples < frames) frames = *info->factSamples;
    if (summaries) {
        for (auto& b : d.blocks) {
            auto t = Track::FromBlocks(b);
            out.tracks.push_back(frames < t->Length() ? t->Slice(0, frames) : t);
        }
    } else {
        for (int c = 0; c < d.channels; ++c) out.tracks.push_back(Track::Silence(frames));
    }
    const std::string& c = d.codec;
    using K = SaveSetup::Kind;
    using W = SaveSetup::Wrap;
    const bool au = d.container == "au";
    const W wrap = info ? W::Wav : au ? W::Au : W::Native;
    std::string name = d.codecLongName;
    std::uint16_t fmtTag = info ? tag : 0;
    int fmtBits = 0;
    std::int64_t bitRate = d.bitRate;
    auto setup = [&](K k, int b, std::int64_t br, std::uint16_t t, W w, int type) {
        out.setup = SaveSetup{k, d.rate, d.channels, b, br, t, false, 0, w};
        out.fileType = type;
    };
    if (raw == RawKind::G721 || raw == RawKind::G723 || raw == RawKind::G726 || c == "g726" || c == "g726le") {
        const int b = raw != RawKind::None ? RawCodeBits(raw) : d.bitsPerCodedSample > 0 ? d.bitsPerCodedSample : 4;
        // A WAV file's G.726 record holds the code size; AU's G.721 is the 4-bit one.
        const K kind = raw == RawKind::G721 ? K::G721 : raw == RawKind::G723 ? K::G723 : raw == RawKind::G726 ? K::G726
                       : au ? K::G721 : K::G726;
        setup(kind, b, 0, 0, wrap, kind == K::G721 ? filetype::G721 : kind == K::G723 ? filetype::G723 : filetype::G726);
        name = out.setup.kind == K::G721 ? "G.721" : out.setup.kind == K::G723 ? "G.723" : "G.726";
        fmtTag = kTagG726;
        fmtBits = b;
        bitRate = 8000LL * b;
    } else if (raw == RawKind::Vox) {
        // No writer for this coding: the document saves in other formats only.
        setup(K::Pcm, 16, 0, kTagPcm, W::Unwritable, filetype::Wav);
        name = "Dialogic VOX ADPCM";
        fmtTag = kTagOkiAdpcm;
        fmtBits = 4;
    } else if (c.rfind("mp3", 0) == 0) {
        setup(K::Mp3, 0, d.bitRate, kTagMp3, wrap, filetype::Mp3);
        out.setup.variable = !info && MpegFileIsVariable(path);
        name = "MPEG Layer-3";
        fmtTag = kTagMp3;
    } else if (c.rfind("mp2", 0) == 0) {
        setup(K::Mp2, 0, d.bitRate, kTagMpeg, wrap, filetype::Mp2);
        name = "MPEG Layer-2";
        fmtTag = kTagMpeg;
    } else if ((c == "vorbis" || c == "libvorbis") && !info) {
        setup(K::OggVorbis, 0, d.bitRate, kTagOggVorbis, W::Native, filetype::OggVorbis);
        out.setup.variable = true;
        name = "Ogg Vorbis";
        fmtTag = kTagOggVorbis;
    } else if ((c == "wmav1" || c == "wmav2") && !info) {
        fmtTag = c == "wmav1" ? kTagWmaV1 : kTagWmaV2;
        setup(K::WindowsMedia, 0, d.bitRate, fmtTag, W::Native, filetype::WindowsMedia);
        name = "Windows Media Audio";
    } else if (info && (c == "adpcm_ima_wav" || c == "adpcm_ms" || c == "pcm_alaw" || c == "pcm_mulaw")) {
        setup(K::Template, 0, 0, tag, W::Wav, 0);
        out.setup.blockAlign = info->blockAlign; // a resave keeps the file's blocks
        out.setup.bits = info->bits;
        if (c == "adpcm_ima_wav") name = "IMA ADPCM";
        if (c == "adpcm_ms") name = "Microsoft ADPCM";
        if (c == "pcm_alaw") name = "A-Law";
        if (c == "pcm_mulaw") name = "u-Law";
        fmtBits = info->bits;
        // From the blocks: writers do not all fill in the record's bytes per second.
        const int chans = std::max<int>(1, info->channels), align = info->blockAlign;
        const int perBlock = c == "adpcm_ima_wav" ? (align - 4 * chans) * 8 / (4 * chans) + 1
                             : c == "adpcm_ms"    ? (align - 7 * chans) * 8 / (4 * chans) + 2
                                                  : 0;
        bitRate = perBlock > 0 ? static_cast<std::int64_t>(d.rate) * align * 8 / perBlock
                               : static_cast<std::int64_t>(info->avgBytes) * 8;
    } else if (au && (c == "pcm_alaw" || c == "pcm_mulaw")) {
        fmtTag = c == "pcm_alaw" ? kTagALaw : kTagMuLaw;
        setup(K::Template, 8, 0, fmtTag, W::Au, 0);
        name = c == "pcm_alaw" ? "A-Law" : "u-Law";
        fmtBits = 8;
    } else if (c.rfind("pcm_", 0) == 0 && (info || au)) {
        // Linear samples in a wider container, or the AU file's big-endian ones: written back
        // as plain linear samples of the same size.
        const bool isFloat = c.rfind("pcm_f", 0) == 0;
        int b = d.bitsPerCodedSample > 0 ? d.bitsPerCodedSample : (info ? info->bits : 16);
        if (c.find("24") != std::string::npos) b = 24;
        if (isFloat) b = b == 64 ? 64 : 32;
        else if (b != 8 && b != 24 && b != 32) b = 16;
        fmtTag = isFloat ? kTagFloat : kTagPcm;
        setup(K::Pcm, b, 0, fmtTag, wrap, filetype::Wav);
        name = isFloat ? "IEEE Float" : "PCM";
        fmtBits = b;
        bitRate = static_cast<std::int64_t>(d.rate) * d.channels * b;
    } else if (info) {
        // A coding we cannot write: the WAV file saves as linear PCM.
        setup(K::Pcm, 16, 0, kTagPcm, W::Wav, filetype::Wav);
        fmtBits = d.bitsPerCodedSample;
    } else {
        // Other file types open, and save in the formats we write; not in their own.
        setup(K::Pcm, 16, 0, kTagPcm, W::Unwritable, filetype::Wav);
        fmtBits = d.bitsPerCodedSample;
    }
    const bool linear = fmtTag == kTagPcm || fmtTag == kTagFloat;
    out.format = FileFormat{DescribeFormat(name, d.rate, d.channels, fmtBits, linear ? 0 : bitRate), fmtTag, fmtBits, bitRate};
    return out;
}

TrackPtr AudioEditor::Impl::Render(std::int64_t length,
                                   const std::function<void(std::int64_t, std::int64_t, float*)>& fill) {
    BlockWriter w(Work());
    std::vector<float> buf(static_cast<std::size_t>(std::min<std::int64_t>(length, kWorkBlockFrames)));
    for (std::int64_t pos = 0; pos < length;) {
        std::int64_t n = std::min<std::int64_t>(length - pos, kWorkBlockFrames);
        fill(pos, n, buf.data());
        w.Write(buf.data(), n);
        pos += n;
    }
    return Track::FromBlocks(w.Finish());
}

std::vector<TrackPtr> AudioEditor::Impl::Conform(const LoadedAudio& a) {
    std::vector<TrackPtr> src = a.tracks;
    if (a.rate != rate) src = Resample(src, a.rate, rate, Work());
    if (static_cast<int>(src.size()) == channels) return src;
    std::vector<TrackPtr> out;
    if (src.size() == 1) {
        out.assign(static_cast<std::size_t>(channels), src[0]);
        return out;
    }
    if (channels == 1) {
        // Down to one channel: the average of all.
        const std::int64_t len = src[0]->Length();
        std::vector<float> tmp(static_cast<std::size_t>(kWorkBlockFrames));
        out.push_back(Render(len, [&](std::int64_t pos, std::int64_t cnt, float* dst) {
            std::fill(dst, dst + cnt, 0.0f);
            for (auto& t : src) {
                t->Read(pos, cnt, tmp.data());
                for (std::int64_t i = 0; i < cnt; ++i) dst[i] += tmp[static_cast<std::size_t>(i)];
            }
            const float k = 1.0f / static_cast<float>(src.size());
            for (std::int64_t i = 0; i < cnt; ++i) dst[i] *= k;
        }));
        return out;
    }
    for (int c = 0; c < channels; ++c) out.push_back(src[static_cast<std::size_t>(c) % src.size()]);
    return out;
}

// ---- The component

AudioEditor::AudioEditor() : impl_(std::make_unique<Impl>(*this)), loader_(std::make_unique<SampleLoader>()) {
    static std::atomic<int> serial{0};
    impl_->clipPath = (std::filesystem::path(impl_->tempFolder) /
                       ("lumoaudio-" + std::to_string(::getpid()) + "-clip" + std::to_string(serial++) + ".wav"))
                          .string();
    CleanStaleFiles(impl_->tempFolder);
}

AudioEditor::~AudioEditor() {
    if (!impl_->clipPath.empty() && impl_->clipWritten) ::unlink(impl_->clipPath.c_str());
}

void AudioEditor::SetTemporaryFolder(const std::string& folder) {
    if (folder.empty() || folder == impl_->tempFolder) return;
    impl_->tempFolder = folder;
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    CleanStaleFiles(folder);
    // New work goes to the new folder; the clipboard moves with it.
    if (impl_->clipWritten) ::unlink(impl_->clipPath.c_str());
    impl_->clipWritten = false;
    impl_->clipPath = (std::filesystem::path(folder) / std::filesystem::path(impl_->clipPath).filename()).string();
    if (impl_->work) impl_->work.reset();
}
const std::string& AudioEditor::TemporaryFolder() const { return impl_->tempFolder; }
void AudioEditor::SetPlaybackDevice(int n) { impl_->playDevice = n; }
int AudioEditor::PlaybackDevice() const { return impl_->playDevice; }
void AudioEditor::SetRecordingDevice(int n) { impl_->recordDevice = n; }
int AudioEditor::RecordingDevice() const { return impl_->recordDevice; }
void AudioEditor::SetMouseMarkerEvents(bool on) { impl_->mouseMarkers = on; }
bool AudioEditor::MouseMarkerEvents() const { return impl_->mouseMarkers; }
void AudioEditor::SetReadOnly(bool on) { impl_->readOnly = on; }
bool AudioEditor::ReadOnly() const { return impl_->readOnly; }
void AudioEditor::SetRawFormat(int rate, int channels) {
    if (rate <= 0 || rate > 768000 || channels <= 0 || channels > 32) Raise(err::InvalidPropertyValue);
    impl_->rawRate = rate;
    impl_->rawChannels = channels;
}

void AudioEditor::OpenAudio(const std::string& path, int /*mode*/, int quiet) {
    if (state_ != kStateIdle) Raise(err::InvalidCall, "The audio editor is busy");
    CloseDocument();
    BusyScope busy(state_);
    Impl& d = *impl_;
    d.quiet = quiet != 0 || d.readOnly;
    struct QuietReset {
        bool& q;
        ~QuietReset() { q = false; }
    } qr{d.quiet};
    d.work.reset();
    // What a killed save of this file left beside it goes.
    if (!d.readOnly) AtomicFile::RemoveStale(path);
    LoadedAudio a;
    try {
        a = d.Load(path, !d.readOnly, !d.quiet);
    } catch (...) {
        d.work.reset(); // what a failed decode wrote goes now, not with the editor
        throw;
    }
    if (a.channels <= 0) Raise(err::InvalidPropertyValue, "The audio file " + path + " holds no audio");
    d.ResetDocument(std::move(a), path);
    d.docReadOnly = d.readOnly;
    if (!d.quiet) {
        state_.Raise([this] { SelectionChanged.Emit(); });
        state_.Raise([this] { AudioChanged.Emit(); });
    }
}

void AudioEditor::NewDocument(int sampleRate, int channels) {
    if (state_ != kStateIdle) Raise(err::InvalidCall, "The audio editor is busy");
    if (sampleRate <= 0 || sampleRate > 768000 || channels <= 0 || channels > 32)
        Raise(err::InvalidPropertyValue, "A new document needs a sample rate and from 1 to 32 channels");
    CloseDocument();
    LoadedAudio a;
    a.rate = sampleRate;
    a.channels = channels;
    for (int c = 0; c < channels; ++c) a.tracks.push_back(Track::Empty());
    a.setup = SaveSetup{SaveSetup::Kind::Pcm, sampleRate, channels, 16, 0, kTagPcm, false};
    a.fileType = filetype::Wav;
    a.format = FileFormat{DescribeFormat("PCM", sampleRate, channels, 16, 0), kTagPcm, 16,
                          static_cast<std::int64_t>(sampleRate) * channels * 16};
    impl_->ResetDocument(std::move(a), {});
    impl_->docReadOnly = false;
    SelectionChanged.Emit();
    AudioChanged.Emit();
}

void AudioEditor::CloseDocument() {
    Impl& d = *impl_;
    if (!d.hasDoc) return;
    if (state_ == kStateBusy) Raise(err::InvalidCall, "The audio editor is busy");
    loader_->Cancel(); // no read of this document's files after it closed
    // The clipboard may hold audio of this document: write it out so no block of the
    // document outlives it.
    if (!d.clip.empty()) {
        try {
            d.WriteClipboardFile();
        } catch (const RuntimeError&) {
        }
        d.clip.clear();
    }
    d.history.clear();
    d.cursor = 0;
    d.hasDoc = false;
    d.docReadOnly = false;
    d.channels = 0;
    d.fileName.clear();
    d.format = FileFormat{};
    d.regions.clear();
    regions_.current_ = 0;
    d.chanSelected.clear();
    d.chanEnabled.clear();
    d.position = d.selStart = d.selEnd = d.visStart = d.visEnd = 0;
    d.selShown = false;
    d.work.reset();
}

bool AudioEditor::HasDocument() const { return impl_->hasDoc; }
std::int64_t AudioEditor::Length() const { return impl_->hasDoc ? impl_->Len() : 0; }
double AudioEditor::LengthMs() const {
    return impl_->hasDoc ? std::round(static_cast<double>(impl_->Len()) * 1000.0 / impl_->rate) : 0.0;
}
int AudioEditor::SampleRate() const { return impl_->hasDoc ? impl_->rate : 0; }
int AudioEditor::ChannelCount() const { return impl_->hasDoc ? impl_->channels : 0; }
const std::string& AudioEditor::FileName() const { return impl_->fileName; }
std::size_t AudioEditor::UndoSteps() const { return impl_->history.empty() ? 0 : impl_->history.size() - 1; }
std::uint64_t AudioEditor::ChangeCount() const { return impl_->changes; }

void AudioEditor::ReadSamples(int channel, std::int64_t start, std::int64_t count, float* out) const {
    impl_->RequireDoc();
    if (channel < 0 || channel >= impl_->channels) Raise(err::SubscriptOutOfRange);
    impl_->Cur().tracks[static_cast<std::size_t>(channel)]->Read(start, count, out);
}

Stats AudioEditor::ChannelStats(int channel, std::int64_t start, std::int64_t count) const {
    impl_->RequireDoc();
    if (channel < 0 || channel >= impl_->channels) Raise(err::SubscriptOutOfRange);
    return impl_->Cur().tracks[static_cast<std::size_t>(channel)]->StatsOf(start, count);
}

// ---- Edits

void AudioEditor::BeginEdit() {
    if (impl_->editDepth++ == 0) impl_->groupOpen = false;
}

void AudioEditor::EndEdit() {
    if (impl_->editDepth > 0 && --impl_->editDepth == 0) impl_->groupOpen = false;
}

bool AudioEditor::CanUndo() const { return impl_->hasDoc && !impl_->docReadOnly && impl_->cursor > 0; }
bool AudioEditor::CanRedo() const {
    return impl_->hasDoc && !impl_->docReadOnly && impl_->cursor + 1 < impl_->history.size();
}

void AudioEditor::Undo() {
    impl_->RequireEditable();
    if (!CanUndo()) return;
    impl_->Restore(impl_->cursor - 1);
}

void AudioEditor::Redo() {
    impl_->RequireEditable();
    if (!CanRedo()) return;
    impl_->Restore(impl_->cursor + 1);
}

std::vector<TrackPtr> AudioEditor::Impl::SelectedAudio() const {
    std::vector<TrackPtr> out;
    if (!HasSelection()) return out;
    auto [a, b] = Target();
    for (int c : SelectedChannels()) out.push_back(Cur().tracks[static_cast<std::size_t>(c)]->Slice(a, b));
    return out;
}

void AudioEditor::Copy() {
    Impl& d = *impl_;
    d.RequireDoc();
    std::vector<TrackPtr> clip = d.SelectedAudio();
    if (clip.empty()) return;
    d.clipRate = d.rate;
    d.StoreClipboard(std::move(clip));
}

void AudioEditor::Cut() {
    Impl& d = *impl_;
    d.RequireEditable();
    if (!d.HasSelection()) return;
    Copy();
    Delete();
}

void AudioEditor::Delete() {
    Impl& d = *impl_;
    d.RequireEditable();
    if (!d.HasSelection() || d.SelectedChannels().empty()) return;
    BusyScope busy(state_);
    auto [a, b] = d.Target();
    DocState next = d.Cur();
    if (d.AllChannelsSelected()) {
        for (auto& t : next.tracks) t = t->Replace(a, b, *Track::Empty());
        d.Commit(std::move(next), {Splice{a, b - a, 0}}, a, a, false, a);
    } else {
        // Removing audio from only some channels would shift them against the others.
        auto silence = Track::Silence(b - a);
        for (int c : d.SelectedChannels()) next.tracks[static_cast<std::size_t>(c)] = next.tracks[static_cast<std::size_t>(c)]->Replace(a, b, *silence);
        d.Commit(std::move(next), {}, a, b, true, d.position);
    }
}

void AudioEditor::Impl::StoreClipboard(std::vector<TrackPtr> tracks) {
    clip = std::move(tracks);
    if (clipWritten) ::unlink(clipPath.c_str());
    clipWritten = false;
}

namespace {

// Audio as a WAV file of 32-bit float samples, as the clipboards carry it.
void WriteFloatWav(const std::string& path, const std::vector<TrackPtr>& tracks, int rate) {
    const int ch = static_cast<int>(tracks.size());
    const std::int64_t n = tracks[0]->Length();
    WavPayload p;
    p.fmt = PcmFormatRecord(kTagFloat, static_cast<std::uint16_t>(ch), static_cast<std::uint32_t>(rate), 32);
    p.writeData = [&](AtomicFile& f) {
        std::vector<std::vector<float>> planes(static_cast<std::size_t>(ch), std::vector<float>(65536));
        std::vector<float> inter(static_cast<std::size_t>(65536 * ch));
        for (std::int64_t pos = 0; pos < n; pos += 65536) {
            std::int64_t k = std::min<std::int64_t>(65536, n - pos);
            for (int c = 0; c < ch; ++c) tracks[static_cast<std::size_t>(c)]->Read(pos, k, planes[static_cast<std::size_t>(c)].data());
            for (std::int64_t i = 0; i < k; ++i)
                for (int c = 0; c < ch; ++c) inter[static_cast<std::size_t>(i * ch + c)] = planes[static_cast<std::size_t>(c)][static_cast<std::size_t>(i)];
            f.Write(inter.data(), static_cast<std::size_t>(k * ch) * sizeof(float));
        }
    };
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    ::unlink(path.c_str()); // never carry chunks of an earlier file over
    WriteWavFile(path, p);
}

} // namespace

void AudioEditor::Impl::WriteClipboardFile() {
    if (clip.empty() || clipWritten) return;
    WriteFloatWav(clipPath, clip, clipRate);
    struct stat st {};
    if (::stat(clipPath.c_str(), &st) == 0) {
        clipIno = st.st_ino;
        clipSize = st.st_size;
        clipMtime = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    }
    clipWritten = true;
}

bool AudioEditor::WriteSelection(const std::string& wavPath) const {
    const Impl& d = *impl_;
    d.RequireDoc();
    const std::vector<TrackPtr> audio = d.SelectedAudio();
    if (audio.empty()) return false;
    WriteFloatWav(wavPath, audio, d.rate);
    return true;
}

std::string AudioEditor::ClipboardFileName() {
    impl_->WriteClipboardFile();
    return impl_->clipPath;
}

std::vector<TrackPtr> AudioEditor::Impl::ClipboardAudio() {
    struct stat st {};
    bool fileOk = ::stat(clipPath.c_str(), &st) == 0 && st.st_size > 0;
    if (!clip.empty()) {
        bool same = !clipWritten ||
                    (fileOk && st.st_ino == clipIno && st.st_size == clipSize &&
                     static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec == clipMtime);
        if (same) {
            LoadedAudio a;
            a.rate = clipRate;
            a.channels = static_cast<int>(clip.size());
            a.tracks = clip;
            return Conform(a);
        }
    }
    if (!fileOk) return {};
    // Another program (or a system-clipboard paste) put a file there.
    LoadedAudio a = Load(clipPath, true, false);
    return Conform(a);
}

namespace {

// Inserts audio at the insert point into the selected channels, silence into the others.
void InsertAudio(AudioEditor::Impl& d, const std::vector<TrackPtr>& add) {
    if (add.empty() || add[0]->Length() == 0) return;
    const std::int64_t at = d.InsertPoint(), n = add[0]->Length();
    DocState next = d.Cur();
    auto silence = Track::Silence(n);
    for (int c = 0; c < d.channels; ++c) {
        auto& t = next.tracks[static_cast<std::size_t>(c)];
        t = t->Replace(at, at, d.chanSelected[static_cast<std::size_t>(c)] ? *add[static_cast<std::size_t>(c)] : *silence);
    }
    d.Commit(std::move(next), {Splice{at, 0, n}}, at, at + n, true, at);
}

} // namespace

void AudioEditor::Paste() {
    Impl& d = *impl_;
    d.RequireEditable();
    BusyScope busy(state_);
    InsertAudio(d, d.ClipboardAudio());
}

namespace {

// Mixes `add` into `base` channel by channel from `at`, extending the document with silence
// when the added audio runs past its end.
void MixInto(AudioEditor::Impl& d, const std::vector<TrackPtr>& add, std::int64_t at, float origPct, float newPct) {
    const std::int64_t n = add[0]->Length(), len = d.Len();
    const std::int64_t end = at + n, grow = std::max<std::int64_t>(0, end - len);
    DocState next = d.Cur();
    const float ko = origPct / 100.0f, kn = newPct / 100.0f;
    for (int c = 0; c < d.channels; ++c) {
        auto& t = next.tracks[static_cast<std::size_t>(c)];
        if (grow > 0) t = t->Replace(len, len, *Track::Silence(grow));
        if (!d.chanSelected[static_cast<std::size_t>(c)]) continue;
        const TrackPtr orig = t, other = add[static_cast<std::size_t>(c)];
        std::vector<float> tmp(static_cast<std::size_t>(kWorkBlockFrames));
        auto mixed = d.Render(n, [&](std::int64_t pos, std::int64_t cnt, float* out) {
            orig->Read(at + pos, cnt, out);
            other->Read(pos, cnt, tmp.data());
            for (std::int64_t i = 0; i < cnt; ++i) out[i] = out[i] * ko + tmp[static_cast<std::size_t>(i)] * kn;
            d.EmitProgress(static_cast<int>((pos + cnt) * 100 / std::max<std::int64_t>(n, 1)));
        });
        t = t->Replace(at, end, *mixed);
    }
    d.Commit(std::move(next), {Splice{len, 0, grow}}, at, end, true, at);
}

} // namespace

void AudioEditor::MixPaste(float originalPercent, float newPercent) {
    Impl& d = *impl_;
    d.RequireEditable();
    BusyScope busy(state_);
    auto clip = d.ClipboardAudio();
    if (clip.empty() || clip[0]->Length() == 0) return;
    MixInto(d, clip, d.InsertPoint(), originalPercent, newPercent);
}

void AudioEditor::InsertFile(const std::string& path) {
    Impl& d = *impl_;
    d.RequireEditable();
    BusyScope busy(state_);
    LoadedAudio a = d.Load(path, true, true);
    InsertAudio(d, d.Conform(a));
}

void AudioEditor::MixInsertFile(float originalPercent, const std::string& path, float newPercent) {
    Impl& d = *impl_;
    d.RequireEditable();
    BusyScope busy(state_);
    LoadedAudio a = d.Load(path, true, true);
    auto tracks = d.Conform(a);
    if (tracks.empty() || tracks[0]->Length() == 0) return;
    MixInto(d, tracks, d.InsertPoint(), originalPercent, newPercent);
}

// ---- View

void AudioEditor::ZoomFull() {
    impl_->visStart = 0;
    impl_->visEnd = impl_->Len();
}
void AudioEditor::ZoomOut() {
    Impl& d = *impl_;
    std::int64_t span = d.visEnd - d.visStart, mid = d.visStart + span / 2;
    d.visStart = std::max<std::int64_t>(0, mid - span);
    d.visEnd = std::min(d.Len(), mid + span);
}
void AudioEditor::ZoomSelection() {
    Impl& d = *impl_;
    if (!d.HasSelection()) return;
    auto [a, b] = d.Target();
    d.visStart = a;
    d.visEnd = b;
}
void AudioEditor::ZoomToRange(std::int64_t& start, std::int64_t& end) {
    impl_->visStart = start;
    impl_->visEnd = end;
}

std::int64_t AudioEditor::ViewObject::Position() const { return e_.impl_->position; }
void AudioEditor::ViewObject::SetPosition(std::int64_t p) {
    auto& d = *e_.impl_;
    p = std::clamp<std::int64_t>(p, 0, d.Len());
    if (p == d.position) return;
    d.position = p;
    e_.PositionChanged.Emit();
}
std::int64_t AudioEditor::ViewObject::SelectionStart() const { return e_.impl_->selStart; }
void AudioEditor::ViewObject::SetSelectionStart(std::int64_t p) {
    auto& d = *e_.impl_;
    d.SetSelection(std::clamp<std::int64_t>(p, 0, d.Len()), d.selEnd, d.selShown);
}
std::int64_t AudioEditor::ViewObject::SelectionEnd() const { return e_.impl_->selEnd; }
void AudioEditor::ViewObject::SetSelectionEnd(std::int64_t p) {
    auto& d = *e_.impl_;
    d.SetSelection(d.selStart, std::clamp<std::int64_t>(p, 0, d.Len()), d.selShown);
}
bool AudioEditor::ViewObject::SelectionShown() const { return e_.impl_->selShown; }
void AudioEditor::ViewObject::SetSelectionShown(bool on) {
    auto& d = *e_.impl_;
    d.SetSelection(d.selStart, d.selEnd, on);
}
std::int64_t AudioEditor::ViewObject::Length() const { return e_.Length(); }
std::int64_t AudioEditor::ViewObject::VisibleStart() const { return e_.impl_->visStart; }
// Moving one edge of the view scrolls it: the width stays, and the view stays in the document.
void AudioEditor::ViewObject::SetVisibleStart(std::int64_t p) {
    auto& d = *e_.impl_;
    const std::int64_t len = d.Len(), span = std::clamp<std::int64_t>(d.visEnd - d.visStart, 0, len);
    d.visStart = std::clamp<std::int64_t>(p, 0, len - span);
    d.visEnd = d.visStart + span;
}
std::int64_t AudioEditor::ViewObject::VisibleEnd() const { return e_.impl_->visEnd; }
void AudioEditor::ViewObject::SetVisibleEnd(std::int64_t p) {
    auto& d = *e_.impl_;
    const std::int64_t len = d.Len(), span = std::clamp<std::int64_t>(d.visEnd - d.visStart, 0, len);
    d.visEnd = std::clamp<std::int64_t>(p, span, len);
    d.visStart = d.visEnd - span;
}
std::int64_t AudioEditor::ViewObject::VisibleLength() const { return e_.impl_->visEnd - e_.impl_->visStart; }
std::int64_t AudioEditor::ViewObject::MsToSamples(double ms) const {
    return static_cast<std::int64_t>(std::llround(ms * e_.impl_->rate / 1000.0));
}
std::int64_t AudioEditor::ViewObject::SamplesToMs(std::int64_t samples) const {
    return static_cast<std::int64_t>(std::llround(static_cast<double>(samples) * 1000.0 / e_.impl_->rate));
}

// ---- Channels

int AudioEditor::ChannelsObject::Count() const { return e_.impl_->channels; }
int AudioEditor::ChannelsObject::Current() const { return current_; }
void AudioEditor::ChannelsObject::SetCurrent(int c) {
    if (c < 1 || c > Count()) Raise(err::SubscriptOutOfRange, "There is no channel " + std::to_string(c));
    current_ = c;
}
bool AudioEditor::ChannelsObject::Selected() const {
    if (current_ < 1 || current_ > Count()) return false;
    return e_.impl_->chanSelected[static_cast<std::size_t>(current_ - 1)] != 0;
}
void AudioEditor::ChannelsObject::SetSelected(bool on) {
    if (current_ < 1 || current_ > Count()) Raise(err::SubscriptOutOfRange);
    e_.impl_->chanSelected[static_cast<std::size_t>(current_ - 1)] = on;
}
bool AudioEditor::ChannelsObject::Enabled() const {
    if (current_ < 1 || current_ > Count()) return false;
    return e_.impl_->chanEnabled[static_cast<std::size_t>(current_ - 1)] != 0;
}
void AudioEditor::ChannelsObject::SetEnabled(bool on) {
    if (current_ < 1 || current_ > Count()) Raise(err::SubscriptOutOfRange);
    e_.impl_->chanEnabled[static_cast<std::size_t>(current_ - 1)] = on;
}

// ---- Regions (kept in the document state, so undo restores them)

namespace {
std::vector<Region>& MutableRegions(AudioEditor::Impl& d) { return d.regions; }
} // namespace

int AudioEditor::RegionsObject::Count() const { return e_.impl_->hasDoc ? static_cast<int>(e_.impl_->regions.size()) : 0; }
int AudioEditor::RegionsObject::Current() const { return current_; }
void AudioEditor::RegionsObject::SetCurrent(int i) {
    if (i < 1 || i > Count()) Raise(err::SubscriptOutOfRange, "There is no region " + std::to_string(i));
    current_ = i;
}
Region& AudioEditor::RegionsObject::Cur() const {
    if (current_ < 1 || current_ > Count()) Raise(err::SubscriptOutOfRange, "No region is current");
    return MutableRegions(*e_.impl_)[static_cast<std::size_t>(current_ - 1)];
}
const Region& AudioEditor::RegionsObject::At(int i) const {
    if (i < 1 || i > Count()) Raise(err::SubscriptOutOfRange);
    return e_.impl_->regions[static_cast<std::size_t>(i - 1)];
}
std::string AudioEditor::RegionsObject::Tag() const { return Cur().tag; }
void AudioEditor::RegionsObject::SetTag(const std::string& t) { Cur().tag = t; }
std::string AudioEditor::RegionsObject::Name() const { return Cur().name; }
std::int64_t AudioEditor::RegionsObject::Start() const { return Cur().start; }
void AudioEditor::RegionsObject::SetStart(std::int64_t s) { Cur().start = std::max<std::int64_t>(0, s); }
std::int64_t AudioEditor::RegionsObject::Length() const { return Cur().length; }
void AudioEditor::RegionsObject::SetLength(std::int64_t n) { Cur().length = std::max<std::int64_t>(0, n); }
std::int32_t AudioEditor::RegionsObject::Colour() const { return Cur().colour; }
void AudioEditor::RegionsObject::SetColour(std::int32_t c) { Cur().colour = c; }

void AudioEditor::RegionsObject::Add(std::int64_t start, std::int64_t length, const std::string& name,
                                     const std::string& tag, const std::string& caption, std::int32_t colour,
                                     std::int32_t options, std::int32_t, std::int32_t) {
    e_.impl_->RequireDoc();
    Region r;
    r.start = std::max<std::int64_t>(0, start);
    r.length = std::max<std::int64_t>(0, length);
    r.name = name;
    r.tag = tag;
    r.caption = caption;
    r.colour = colour;
    r.options = options;
    r.id = e_.impl_->nextRegionId++;
    MutableRegions(*e_.impl_).push_back(r);
    current_ = Count();
}

void AudioEditor::RegionsObject::Delete() {
    Cur();
    auto& rs = MutableRegions(*e_.impl_);
    rs.erase(rs.begin() + (current_ - 1));
    if (current_ > Count()) current_ = Count();
}

// ---- Format object

std::string AudioEditor::FormatObject::Description() const { return e_.impl_->format.description; }
int AudioEditor::FormatObject::Channels() const { return e_.impl_->hasDoc ? e_.impl_->channels : 0; }
int AudioEditor::FormatObject::SampleRate() const { return e_.impl_->hasDoc ? e_.impl_->rate : 0; }
int AudioEditor::FormatObject::BitsPerSample() const { return e_.impl_->hasDoc ? e_.impl_->format.bits : 0; }
int AudioEditor::FormatObject::FormatTag() const { return e_.impl_->hasDoc ? e_.impl_->format.tag : 0; }
std::int64_t AudioEditor::FormatObject::BitRate() const { return e_.impl_->hasDoc ? e_.impl_->format.bitRate : 0; }

// ---- Length of a file

double GetAudioFileLength(const std::string& fileName) {
    struct stat st {};
    if (fileName.empty() || ::stat(fileName.c_str(), &st) != 0 || st.st_size <= 0) return -1;
    try {
        AudioEditor probe;
        probe.SetReadOnly(true);
        probe.OpenAudio(fileName, 0, 1);
        double ms = probe.LengthMs();
        probe.CloseDocument();
        return ms / 1000.0;
    } catch (...) {
        return -1;
    }
}

} // namespace platform::audio

// The audio-editing component: one document of audio at a time, its view and selection,
// channels, named regions, edits with undo and redo, effects, opening and saving.
// Every event is raised on the thread that called the operation.
#pragma once

#include "platform/audio/Track.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform::audio {

class Transport;
class SampleLoader;

template <typename... Args>
class Signal {
public:
    using Handler = std::function<void(Args...)>;
    void Connect(Handler h) { handlers_.push_back(std::move(h)); }
    void Emit(Args... args) const {
        auto copy = handlers_; // a handler may connect another
        for (auto& h : copy) h(args...);
    }

private:
    std::vector<Handler> handlers_;
};

// File-type codes of SaveAudio.
namespace filetype {
inline constexpr int Wav = 1;
inline constexpr int Mp3 = 2;
inline constexpr int RawPcm = 4;
inline constexpr int G726 = 5;
inline constexpr int OggVorbis = 6;
inline constexpr int G721 = 7;
inline constexpr int G723 = 8;
inline constexpr int WindowsMedia = 11;
inline constexpr int Mp2 = 12;
} // namespace filetype

// State values.
inline constexpr int kStateIdle = 0;
inline constexpr int kStatePlaying = 1;
inline constexpr int kStateRecording = 2;
inline constexpr int kStateBusy = 3;
inline constexpr int kStatePaused = 5;

// The component's state value (above), together with the events an operation raises while
// it is busy: those are held and go out once the operation is over, so that their handlers
// find the component as a finished operation leaves it (idle, its commands open again).
class EditorState {
public:
    operator int() const { return value_; }
    EditorState& operator=(int value) {
        value_ = value;
        return *this;
    }
    // Raises the event now, or once the running operation is over.
    void Raise(std::function<void()> event);
    // Raises what was held, in order. A handler's error goes on once the others have run;
    // while an error already unwinds the operation, it is dropped.
    void RaiseHeld(bool unwinding);

private:
    int value_ = kStateIdle;
    std::vector<std::function<void()>> held_;
};

// A region option: a hidden region is kept and moved with the audio as any other, but the
// waveform neither draws it nor lets the mouse take it.
inline constexpr std::int32_t kRegionHidden = 0x10000;

struct Region {
    std::string name, tag, caption;
    std::int64_t start = 0, length = 0;
    std::int32_t colour = 0;
    std::int32_t options = 0;
    std::uint64_t id = 0; // given by the component; follows the region through undo and redo
};

// How a save writes its audio; set up on the save-format object before a save.
struct SaveSetup {
    enum class Kind { None, Pcm, G721, G723, G726, Mp2, Mp3, OggVorbis, RawPcm, WindowsMedia, Template };
    // The file around the audio: from the target's name, or the one a document came in.
    enum class Wrap { ByName, Native, Wav, Au, Unwritable };
    Kind kind = Kind::None;
    int rate = 0, channels = 0, bits = 0;
    std::int64_t bitRate = 0;
    std::uint16_t tag = 0;
    bool variable = false;
    int blockAlign = 0; // of a template's block-coded format
    Wrap wrap = Wrap::ByName;
};

struct MP3Settings {
    std::int64_t BitRate = 128000;
    int Channels = 2;
    int SampleRate = 44100;
};

class AudioEditor {
public:
    AudioEditor();
    ~AudioEditor();
    AudioEditor(const AudioEditor&) = delete;
    AudioEditor& operator=(const AudioEditor&) = delete;

    // ---- Settings
    void SetTemporaryFolder(const std::string& folder);
    const std::string& TemporaryFolder() const;
    void SetPlaybackDevice(int soundCard);
    int PlaybackDevice() const;
    void SetRecordingDevice(int soundCard);
    int RecordingDevice() const;
    void SetMouseMarkerEvents(bool on);
    bool MouseMarkerEvents() const;
    // Opens that follow read the file only to measure it: no summaries, no events, no edits.
    void SetReadOnly(bool on);
    bool ReadOnly() const;
    // Sample rate and channel count of headerless 16-bit PCM files.
    void SetRawFormat(int rate, int channels);

    // ---- Document
    // mode: 0 opens as a document (other values are kept for hosts and change nothing);
    // quiet: 1 raises no events while it opens. Headerless files go by their name: ".pcm"
    // and ".raw" 16-bit PCM (SetRawFormat), ".vox" Dialogic ADPCM, ".g721" and ".g726" 4-bit
    // and ".g723" 3-bit G.726 codes packed from each byte's lowest bit up (as FFmpeg's
    // g726le writes them; the other packing is not told apart and reads as noise). A G.72x
    // file whose size does not fit its code size is refused.
    void OpenAudio(const std::string& path, int mode = 0, int quiet = 0);
    void NewDocument(int sampleRate, int channels);
    void CloseDocument();
    bool HasDocument() const;
    int State() const { return state_; }
    std::int64_t Length() const;     // samples
    double LengthMs() const;
    int SampleRate() const;
    int ChannelCount() const;
    const std::string& FileName() const;

    // Saves the document (or only the selection). Without a file-type code the save-format
    // object's template set-up is used when one was made, else the document's own format,
    // in the file it came in (MPEG in WAV stays WAV, AU stays AU). With a code, the name
    // decides the file: ".wav" puts MPEG and G.72x in WAV, ".au" takes linear, A-law, u-law
    // and 4-bit G.72x audio. An error, with the target untouched, for what cannot be written:
    // the own format of a VOX or other foreign file, a code size a headerless G.72x name is
    // not read with, a coding the AU file cannot name.
    void SaveAudio(const std::string& path, bool selectionOnly);
    void SaveAudio(const std::string& path, bool selectionOnly, int fileType);

    // ---- Edits
    void BeginEdit();
    void EndEdit();
    void Cut();
    void Copy();
    void Paste();
    void Delete();
    void Undo();
    void Redo();
    bool CanUndo() const;
    bool CanRedo() const;
    void MixPaste(float originalPercent, float newPercent);
    void InsertFile(const std::string& path);
    void MixInsertFile(float originalPercent, const std::string& path, float newPercent);
    // The component's clipboard as a WAV file (written when asked for).
    std::string ClipboardFileName();
    // Writes the selection's audio to wavPath as the clipboard file is written, leaving the
    // component's clipboard as it is (the system clipboard's copy, EditorClipboard.h). False
    // when nothing is selected.
    bool WriteSelection(const std::string& wavPath) const;

    // ---- View data
    void ZoomFull();
    void ZoomOut();
    void ZoomSelection();
    void ZoomToRange(std::int64_t& start, std::int64_t& end);

    // Samples of one channel (0-based) for players and the waveform view.
    void ReadSamples(int channel, std::int64_t start, std::int64_t count, float* out) const;
    Stats ChannelStats(int channel, std::int64_t start, std::int64_t count) const;
    std::size_t UndoSteps() const;
    // Counts the changes of the audio (edits, undo, redo, a recording taken in), counted before
    // their region events go out: the events of one change carry one count.
    std::uint64_t ChangeCount() const;

    // ---- Sub-objects
    class ViewObject {
    public:
        std::int64_t Position() const;
        void SetPosition(std::int64_t p);
        std::int64_t SelectionStart() const;
        void SetSelectionStart(std::int64_t p);
        std::int64_t SelectionEnd() const;
        void SetSelectionEnd(std::int64_t p);
        bool SelectionShown() const;
        void SetSelectionShown(bool on);
        std::int64_t Length() const;
        std::int64_t VisibleStart() const;
        void SetVisibleStart(std::int64_t p);
        std::int64_t VisibleEnd() const;
        void SetVisibleEnd(std::int64_t p);
        std::int64_t VisibleLength() const;
        std::int64_t MsToSamples(double ms) const;
        std::int64_t SamplesToMs(std::int64_t samples) const;

    private:
        friend class AudioEditor;
        explicit ViewObject(AudioEditor& e) : e_(e) {}
        AudioEditor& e_;
    };
    class ChannelsObject {
    public:
        int Count() const;
        int Current() const;
        void SetCurrent(int channel); // from 1
        bool Selected() const;
        void SetSelected(bool on);
        bool Enabled() const;
        void SetEnabled(bool on);

    private:
        friend class AudioEditor;
        explicit ChannelsObject(AudioEditor& e) : e_(e) {}
        AudioEditor& e_;
        int current_ = 1;
    };
    class RegionsObject {
    public:
        int Count() const;
        int Current() const;
        void SetCurrent(int index); // from 1
        std::string Tag() const;
        void SetTag(const std::string& t);
        std::string Name() const;
        std::int64_t Start() const;
        void SetStart(std::int64_t s);
        std::int64_t Length() const;
        void SetLength(std::int64_t n);
        std::int32_t Colour() const;
        void SetColour(std::int32_t c);
        // Adds a region and makes it current; the last four are options kept with it.
        void Add(std::int64_t start, std::int64_t length, const std::string& name, const std::string& tag,
                 const std::string& caption, std::int32_t colour = 0, std::int32_t options = 0,
                 std::int32_t reserved1 = 0, std::int32_t reserved2 = 0);
        void Delete(); // the current region
        const Region& At(int index) const;

    private:
        friend class AudioEditor;
        explicit RegionsObject(AudioEditor& e) : e_(e) {}
        Region& Cur() const;
        AudioEditor& e_;
        int current_ = 0;
    };
    class ProcessingObject {
    public:
        void Erase();
        void InsertSilence(std::int32_t ms);
        void Reverse();
        void Amplify(float percent);
        void Normalise(float percent, bool removeDcBias);
        void DeleteSilence(float thresholdDb, float attackMs, float releaseMs);
        void Fade(float startPercent, float endPercent);
        // The ratio is old length / new length in percent, at least kMinRatioPercent (a lower
        // one is taken as that); any shortening is reached.
        void TimeStretch(float ratioPercent);
        void ChangeSpeed(float ratioPercent);
        static constexpr double kMinRatioPercent = 5;
        // While on, level effects stop at full scale instead of clipping.
        bool TransformOption() const { return option_; }
        void SetTransformOption(bool on) { option_ = on; }
        // Quality of the stretch and speed effects: 0 fastest .. 3 best.
        int TransformMode() const { return mode_; }
        void SetTransformMode(int mode) { mode_ = mode; }

    private:
        friend class AudioEditor;
        explicit ProcessingObject(AudioEditor& e) : e_(e) {}
        AudioEditor& e_;
        bool option_ = true;
        int mode_ = 3;
    };
    // The waveform display's two scales (time along, level up); the mode picks their units.
    class ScaleObject {
    public:
        int ScaleMode() const { return mode_; }
        void SetScaleMode(int mode) { mode_ = mode; }

    private:
        int mode_ = 0;
    };
    // What the document's file is: as opened, then as last saved (the whole document).
    // Channels and SampleRate are those of the audio being edited; a save that had to
    // convert names the file's own rate in Description.
    class FormatObject {
    public:
        std::string Description() const;
        int Channels() const;
        int SampleRate() const;
        int BitsPerSample() const;   // of the coded samples (4 for ADPCM, 0 for MPEG, Vorbis, WMA)
        int FormatTag() const;       // the WAV format tag of the coding
        std::int64_t BitRate() const; // bits per second (the average of a variable one)
        // A conversion setting of the next save; hosts write 0 (no conversion options).
        int SaveOption() const { return saveOption_; }
        void SetSaveOption(int v) { saveOption_ = v; }

    private:
        friend class AudioEditor;
        explicit FormatObject(AudioEditor& e) : e_(e) {}
        AudioEditor& e_;
        int saveOption_ = 0;
    };
    class SaveFormatObject {
    public:
        void SetPcm(int rate, int channels, int bits);
        void SetG721(int rate);
        void SetG723(int rate, int bits);
        void SetG726(int rate, int bits);
        void SetMpegLayer2(int rate, std::int64_t bitRate, int channels);
        void SetMpegLayer3(const MP3Settings& s);
        void SetOggVorbis(int rate, int channels, std::int64_t bitRate, std::int64_t minBitRate,
                          std::int64_t maxBitRate, bool variable);
        void SetRawPcm(int formatTag, int rate, int channels, int bits);
        // Windows Media: the value is the bit rate in bits per second.
        void SetWindowsMedia(std::int64_t formatValue);
        // The format record of a WAV file (a template holding no audio); raises an error when
        // the file holds no format the component can write.
        void SetFromTemplate(const std::string& wavPath);
        const SaveSetup& Setup() const { return setup_; }
        void Clear() { setup_ = {}; }

    private:
        friend class AudioEditor;
        SaveSetup setup_;
    };

    ViewObject& View() { return view_; }
    ChannelsObject& Channels() { return channels_; }
    RegionsObject& Regions() { return regions_; }
    ProcessingObject& Processing() { return processing_; }
    FormatObject& AudioFormat() { return format_; }
    ScaleObject& TimeScale() { return timeScale_; }
    ScaleObject& LevelScale() { return levelScale_; }
    SaveFormatObject& SaveFormat() { return saveFormat_; }
    MP3Settings CreateMP3Settings() const { return {}; }

    // ---- Transport (Transport*.cpp): play, record, pause; events arrive through Pump()
    // Play mode 1: the selection (or from the cursor to the end); 2: to the end, ignoring the
    // selection's end; 3: the selection over and over (without one, the whole document).
    void Play(int mode = 1);
    // Mode 2: records at the cursor, in place of the selection; the rest is not a mode.
    void Record(int mode);
    class RecordingSettingsObject {
    public:
        // On: the recording overwrites what follows the cursor instead of pushing it along.
        bool Overwrite() const { return overwrite_; }
        void SetOverwrite(bool on) { overwrite_ = on; }

    private:
        bool overwrite_ = false;
    };
    RecordingSettingsObject& RecordingSettings() { return recordingSettings_; }
    void Stop();
    void Pause();
    void Resume();
    // Raises the position, levels and stopped events of the transport on this thread; a
    // timer calls it in the window, tests call it themselves.
    void Pump();
    // The document's channels as they are now, for players and the waveform view.
    const std::vector<TrackPtr>& CurrentTracks() const;
    // Reads samples for the waveform view in the background; its reads end when the
    // document closes.
    SampleLoader& BackgroundReads() const { return *loader_; }

    // ---- Events
    Signal<int> Progress;
    Signal<> SelectionChanged;
    Signal<> PositionChanged;
    Signal<> AudioChanged;
    Signal<int> RegionChanged;
    Signal<> Stopped;
    Signal<int, int> Levels;
    Signal<> SelectVisibleRange;

    struct Impl;

private:
    friend class ViewObject;
    friend class ChannelsObject;
    friend class RegionsObject;
    friend class ProcessingObject;
    friend class FormatObject;
    std::unique_ptr<Impl> impl_;
    std::shared_ptr<Transport> transport_; // after impl_: it stops before the document goes
    std::unique_ptr<SampleLoader> loader_;  // after impl_: its reads end before the document goes
    RecordingSettingsObject recordingSettings_;
    EditorState state_;
    ViewObject view_{*this};
    ChannelsObject channels_{*this};
    RegionsObject regions_{*this};
    ProcessingObject processing_{*this};
    FormatObject format_{*this};
    SaveFormatObject saveFormat_;
    ScaleObject timeScale_, levelScale_;
};

// The program's own write of a file's metadata (the chunks around its audio, never the audio
// itself): while the object lives, the documents and players that read that file in place
// neither copy it aside nor take it as rewritten; afterwards they read it as it now is.
class OwnMetadataWrite {
public:
    explicit OwnMetadataWrite(const std::string& path);
    ~OwnMetadataWrite();
    OwnMetadataWrite(const OwnMetadataWrite&) = delete;
    OwnMetadataWrite& operator=(const OwnMetadataWrite&) = delete;

private:
    std::vector<std::shared_ptr<void>> files_;
};

// The length in seconds of any audio file the component can open, through a fresh,
// read-only and silent instance; -1 when it cannot be measured.
double GetAudioFileLength(const std::string& fileName);

} // namespace platform::audio

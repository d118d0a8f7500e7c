// Inside of the audio-editing component, shared by its source files.
#pragma once

#include "platform/audio/AudioEditor.h"
#include "platform/audio/Codec.h"
#include "platform/audio/WavFile.h"
#include "platform/base/Error.h"

#include <sys/types.h>

#include <exception>

namespace platform::audio {

// One edit of the timeline: at `at`, `removed` samples gave way to `inserted` samples.
struct Splice {
    std::int64_t at = 0, removed = 0, inserted = 0;
};

// How a state of the history came from the one before: the splices of the timeline, and
// the regions just before and just after the edit (undo and redo put back a region the
// caller has not moved since, and carry any other along).
struct EditStep {
    std::vector<Splice> splices;
    std::vector<Region> regionsBefore, regionsAfter;
};

// One state of the audio in the undo history.
struct DocState {
    std::vector<TrackPtr> tracks;
    std::shared_ptr<const EditStep> step; // null for the first state
};

// The coding of a document's file, as the format object reports it.
struct FileFormat {
    std::string description;
    std::uint16_t tag = kTagPcm;
    int bits = 16;
    std::int64_t bitRate = 0;
};

// Audio read from a file, before it becomes (part of) a document.
struct LoadedAudio {
    int rate = 0, channels = 0;
    std::vector<TrackPtr> tracks;
    SaveSetup setup;   // how to write it back in its own format
    int fileType = filetype::Wav;
    FileFormat format;
    std::int64_t Length() const { return tracks.empty() ? 0 : tracks[0]->Length(); }
};

struct AudioEditor::Impl {
    explicit Impl(AudioEditor& e);
    AudioEditor& self;

    // settings
    std::string tempFolder;
    int playDevice = 0, recordDevice = 0;
    bool mouseMarkers = true, readOnly = false;
    int rawRate = 44100, rawChannels = 2;

    // document
    bool hasDoc = false, docReadOnly = false;
    int rate = 44100, channels = 0;
    std::string fileName;
    SaveSetup ownSetup;
    int ownType = filetype::Wav;
    FileFormat format;
    std::vector<DocState> history;
    std::vector<Region> regions; // outside the history: undo moves them, never adds or drops them
    std::vector<Region> regionsAtRecord; // as they stood when the running recording began
    std::uint64_t nextRegionId = 1;
    std::uint64_t changes = 0;
    std::size_t cursor = 0;
    int editDepth = 0;
    bool groupOpen = false;
    std::vector<char> chanSelected, chanEnabled;
    std::int64_t position = 0, selStart = 0, selEnd = 0, visStart = 0, visEnd = 0;
    bool selShown = false;
    std::shared_ptr<WorkFile> work;
    bool quiet = false;

    // the component's clipboard
    std::string clipPath;
    int clipRate = 0;
    std::vector<TrackPtr> clip; // audio not yet written, or as written
    bool clipWritten = false;
    ino_t clipIno = 0;
    std::int64_t clipSize = 0, clipMtime = 0;

    const DocState& Cur() const { return history[cursor]; }
    std::int64_t Len() const { return history.empty() || Cur().tracks.empty() ? 0 : Cur().tracks[0]->Length(); }
    std::shared_ptr<WorkFile> Work();
    void RequireDoc() const;
    void RequireEditable() const;
    bool HasSelection() const { return selShown && selStart != selEnd; }
    // The range an effect works on: the selection, or the whole document.
    std::pair<std::int64_t, std::int64_t> Target() const;
    std::int64_t InsertPoint() const;
    std::vector<int> SelectedChannels() const;
    bool AllChannelsSelected() const;

    void ResetDocument(LoadedAudio audio, const std::string& path);
    // placedSince: regions as they stood when the edit began (a recording); an edge the caller
    // moved since then already stands on the new timeline and is not shifted.
    void Commit(DocState next, std::vector<Splice> splices, std::int64_t newSelStart, std::int64_t newSelEnd,
                bool newShown, std::int64_t newPosition, const std::vector<Region>* placedSince = nullptr);
    void Restore(std::size_t to);
    // Ends an operation that was asked to run and found nothing to change: no undo step,
    // but the audio-changed event that callers wait for.
    void NothingChanged();
    void EmitRegionChanges(const std::vector<Region>& before);
    void EmitProgress(int pct);
    void SetSelection(std::int64_t s, std::int64_t e, bool shown);

    LoadedAudio Load(const std::string& path, bool summaries, bool events);
    std::vector<TrackPtr> Conform(const LoadedAudio& a);
    // The selection's selected channels; nothing without a selection.
    std::vector<TrackPtr> SelectedAudio() const;
    std::vector<TrackPtr> ClipboardAudio();
    void StoreClipboard(std::vector<TrackPtr> tracks);
    void WriteClipboardFile();
    TrackPtr Render(std::int64_t length, const std::function<void(std::int64_t, std::int64_t, float*)>& fill);
    void Save(const std::string& path, bool selectionOnly, int fileType, bool haveType);
};

// Keeps the component's state busy while an operation runs; when the outermost one ends,
// the events it raised go out.
class BusyScope {
public:
    explicit BusyScope(EditorState& state) : state_(state), old_(state), unwinding_(std::uncaught_exceptions()) {
        state_ = kStateBusy;
    }
    ~BusyScope() noexcept(false) {
        state_ = old_;
        if (old_ != kStateBusy) state_.RaiseHeld(std::uncaught_exceptions() > unwinding_);
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    EditorState& state_;
    int old_;
    int unwinding_;
};

std::string DescribeFormat(const std::string& coding, int rate, int channels, int bits, std::int64_t bitRate);

} // namespace platform::audio

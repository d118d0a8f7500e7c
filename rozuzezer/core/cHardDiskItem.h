// The item record: one audio item (a cart) with its broadcast information.
//
// Plain fields are public members: whatever is assigned is stored and read back unchanged.
// The indexed and derived properties are member functions; a get outside an array's bounds
// gives the empty value and a let outside them does nothing.
#pragma once

#include "platform/component/Object.h"
#include "rozuzezer/core/Enums.h"
#include "rozuzezer/core/Records.h"

#include <array>
#include <cstdint>
#include <string>

namespace rozuzezer {

class cHardDiskItem : public platform::component::Object {
public:
    cHardDiskItem() = default;

    const platform::component::ClassInfo* Class() const noexcept override;

    // ---- Plain fields, in interface order ---------------------------------------------
    std::string Reference;
    std::int32_t ItemType = 0;
    VBool FullInfo = vbFalse;
    std::string AudioFileName;
    std::int32_t AudioFileLength = 0;
    std::string ItemTitle;
    std::string OtherInformation;
    std::int16_t Year = 0;
    std::string Notes;
    std::string NotesRTF;
    std::string NotesFileName;
    std::string WebNotes;
    std::string DABNotes;
    std::string DABNotesRTF;
    std::string URL;
    std::string ArtistURL;
    std::string OnlineStoreReference;
    std::int32_t EndType = cheNonSpecific;
    std::string CopyrightProductTitle;
    std::string CopyrightMusicTitle;
    std::string CopyrightRecordLabel;
    std::string CopyrightRecordNumber;
    std::string CopyrightComposer;
    std::string CopyrightPerformer;
    std::string CopyrightPublisher;
    std::string CopyrightCode;
    std::string RightsManagementReference;
    float CopyrightTotalDuration = 0;
    float CopyrightMusicDuration = 0;
    std::int32_t CreatedDate = 0;
    float CreatedTime = 0;
    std::int32_t AirStartDate = 0;
    float AirStartTime = 0;
    std::int32_t AirEndDate = 0;
    float AirEndTime = 0;
    std::int16_t PictureCount = 0;
    std::string Category;
    std::string CodingHistory;
    std::string Client;
    std::string OutCue;
    std::int16_t Version = 0;
    std::string SchedulerReference;
    std::string Originator;
    std::string OriginatorReference;
    std::int32_t OriginationDate = 0;
    float OriginationTime = 0;
    std::string ProducerAppName;
    std::string ProducerAppVersion;
    float AudioEnd = 0;
    float TotalLength = 0;
    float HookStart = 0;
    float HookEnd = 0;
    float LoopStart = -1;
    float LoopEnd = -1;
    std::int32_t LoopNumberLoops = 0;
    VBool LoopPlayToEnd = vbFalse;
    std::int16_t IntroStartHW = 0;
    std::int16_t IntroEndHW = 0;
    std::int16_t ExtroHW = 0;
    std::int16_t HookStartHW = 0;
    std::int16_t HookEndHW = 0;
    std::int32_t BackColour = static_cast<std::int32_t>(0x8000000Fu);
    std::int32_t TextColour = static_cast<std::int32_t>(0x80000012u);
    // Declared here, but its interface slot follows SaveToWAVFile.
    std::int16_t ChangeCount = 0;

    // ---- Indexed and derived properties -----------------------------------------------
    std::string ArtistName(std::int16_t index) const;
    void SetArtistName(std::int16_t index, std::string value);
    std::string Description(std::int16_t index) const;
    void SetDescription(std::int16_t index, std::string value);

    float AudioLength() const { return AudioEnd - AudioStart(); }
    float IntroLength() const { return IntroEnd() - IntroStart(); }
    float HookLength() const { return HookEnd - HookStart; }

    float AudioStart() const { return audioStart_[0]; }
    void SetAudioStart(float v) { audioStart_[0] = v; }
    float AudioStartEx(std::int16_t index) const { return Get(audioStart_, index); }
    void SetAudioStartEx(std::int16_t index, float v) { Set(audioStart_, index, v); }
    float IntroStart() const { return intro_[0]; }
    void SetIntroStart(float v) { intro_[0] = v; }
    float IntroEnd() const { return intro_[2]; }
    void SetIntroEnd(float v) { intro_[2] = v; }
    float IntroEx(std::int16_t index) const { return Get(intro_, index); }
    void SetIntroEx(std::int16_t index, float v) { Set(intro_, index, v); }
    float Extro() const { return extro_[0]; }
    void SetExtro(float v) { extro_[0] = v; }
    float ExtroEx(std::int16_t index) const { return Get(extro_, index); }
    void SetExtroEx(std::int16_t index, float v) { Set(extro_, index, v); }
    float Outro() const { return outro_[0]; }
    void SetOutro(float v) { outro_[0] = v; }
    float OutroEx(std::int16_t index) const { return Get(outro_, index); }
    void SetOutroEx(std::int16_t index, float v) { Set(outro_, index, v); }

    // Title, artist lines and description lines joined by single blanks.
    std::string FullDescription() const;

    double LastPlay(std::int16_t index) const { return Get(lastPlay_, index); }
    void SetLastPlay(std::int16_t index, double v) { Set(lastPlay_, index, v); }
    std::int16_t LastPlayLocation(std::int16_t index) const { return Get(lastPlayLocation_, index); }
    void SetLastPlayLocation(std::int16_t index, std::int16_t v) { Set(lastPlayLocation_, index, v); }

    SDateRecord AirStartSDate() const { return {AirStartDate, AirStartTime}; }
    void SetAirStartSDate(const SDateRecord& r) { AirStartDate = r.Date; AirStartTime = r.Time; }
    SDateRecord AirEndSDate() const { return {AirEndDate, AirEndTime}; }
    void SetAirEndSDate(const SDateRecord& r) { AirEndDate = r.Date; AirEndTime = r.Time; }
    SDateRecord OriginationSDate() const { return {OriginationDate, OriginationTime}; }
    void SetOriginationSDate(const SDateRecord& r) { OriginationDate = r.Date; OriginationTime = r.Time; }

    WaveFormatRecord WaveFormat() const { return format_; }
    std::int16_t AudioChannels() const { return static_cast<std::int16_t>(format_.nChannels); }
    void SetAudioChannels(std::int16_t v) { format_.nChannels = static_cast<std::uint16_t>(v); }
    std::int32_t AudioKHZ() const { return static_cast<std::int32_t>(format_.nSamplesPerSec); }
    void SetAudioKHZ(std::int32_t v) { format_.nSamplesPerSec = static_cast<std::uint32_t>(v); }
    std::int16_t AudioBitRate() const { return static_cast<std::int16_t>(format_.wBitsPerSample); }
    void SetAudioBitRate(std::int16_t v) { format_.wBitsPerSample = static_cast<std::uint16_t>(v); }
    std::int16_t AudioFormat() const { return static_cast<std::int16_t>(format_.wFormatTag); }
    void SetAudioFormat(std::int16_t v) { format_.wFormatTag = static_cast<std::uint16_t>(v); }

    // "Ends", "Fades", "Sustain", "Slow fade" (short: "E", "F", "S", "SF"), else "".
    std::string EndTypeDescription(bool ShortVersion) const;

    // Raises Version by 1 while it is 32000 or less; False (and no change) above that.
    bool IncrementVersion();

    // Field-by-field comparison; the last plays count only when TestLastPlays is set.
    bool IsSame(const cHardDiskItem& cHDItem, bool TestLastPlays) const;
    // The same for any object that answers the item's members: they are read by name, and a
    // read that fails raises its error (438 for a member the object lacks).
    bool IsSame(platform::component::Object& cHDItem, bool TestLastPlays) const;

    // Read and write the broadcast information of a WAV file (cart, bext, cue chunks).
    bool LoadFromWAVFile(const std::string& Filename, std::int32_t Flags);
    bool SaveToWAVFile(const std::string& Filename, std::int32_t Flags);
    // The same, told whether the file's audio was written anew since its chunks were: the
    // bext loudness values, measured on the old audio, are then marked as not known.
    bool SaveToWAVFile(const std::string& Filename, std::int32_t Flags, bool AudioRewritten);

    // 31 is followed by 33; at 32767 raises Overflow and leaves the count.
    void IncrementChangeCount();

    // The record as one line of name=value items, and back (see cHardDiskItem_Text.cpp).
    std::string Serialisation() const;
    void SetSerialisation(const std::string& text);

    // The whole audio format at once, as the WAV reader fills it.
    void SetWaveFormat(const WaveFormatRecord& f) { format_ = f; }

private:
    template <typename T, std::size_t N>
    static T Get(const std::array<T, N>& a, std::int16_t index) {
        return (index >= 1 && static_cast<std::size_t>(index) <= N) ? a[static_cast<std::size_t>(index) - 1] : T{};
    }
    template <typename T, std::size_t N, typename V>
    static void Set(std::array<T, N>& a, std::int16_t index, V&& v) {
        if (index >= 1 && static_cast<std::size_t>(index) <= N) a[static_cast<std::size_t>(index) - 1] = std::forward<V>(v);
    }

    std::array<std::string, 3> artist_{};
    std::array<std::string, 4> description_{};
    std::array<double, 5> lastPlay_{};
    std::array<std::int16_t, 5> lastPlayLocation_{};
    std::array<float, 3> audioStart_{};
    std::array<float, 3> intro_{};
    std::array<float, 3> extro_{};
    std::array<float, 3> outro_{};
    WaveFormatRecord format_{};
};

using HardDiskItemRef = platform::component::Ref<cHardDiskItem>;

} // namespace rozuzezer

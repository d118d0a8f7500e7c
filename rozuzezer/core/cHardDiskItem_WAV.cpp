// Reading and writing an item's broadcast information in a WAV file: the cart chunk with
// its tag text, post timers and producer dialects, the bext chunk and the cue points.
#include "rozuzezer/core/cHardDiskItem.h"

#include "platform/base/Codepage.h"
#include "platform/base/DateTime.h"
#include "platform/base/Error.h"
#include "platform/base/Numeric.h"
#include "rozuzezer/core/MultimediaAPI.h"
#include "rozuzezer/core/WavRiff.h"
#include "shared/helpers/SystemHelper.h"
#include "shared/helpers/TimeFormat.h"
#include "shared/helpers/Utility.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>


namespace rozuzezer {

namespace {

// The library's release as the producer version names it.
constexpr int kVersionMajor = BVR_VERSION_MAJOR;
constexpr int kVersionMinor = BVR_VERSION_MINOR;
constexpr int kVersionRevision = BVR_VERSION_REVISION;

constexpr std::int32_t kDefaultBack = static_cast<std::int32_t>(0x8000000Fu);
constexpr std::int32_t kDefaultText = static_cast<std::int32_t>(0x80000012u);
constexpr std::uint32_t kUnusedTimer = 0xFFFFFFFFu;

bool Has(std::int32_t flags, std::int32_t dialect) { return (flags & dialect) == dialect; }

std::string Trim(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && s[b] == ' ') ++b;
    while (e > b && s[e - 1] == ' ') --e;
    return std::string(s.substr(b, e - b));
}

std::string Upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

std::size_t FindNoCase(std::string_view text, std::string_view what, std::size_t from = 0) {
    if (what.empty() || text.size() < what.size()) return std::string_view::npos;
    for (std::size_t i = from; i + what.size() <= text.size(); ++i) {
        std::size_t k = 0;
        while (k < what.size()) {
            char a = text[i + k], b = what[k];
            if (a >= 'a' && a <= 'z') a = static_cast<char>(a - 'a' + 'A');
            if (b >= 'a' && b <= 'z') b = static_cast<char>(b - 'a' + 'A');
            if (a != b) break;
            ++k;
        }
        if (k == what.size()) return i;
    }
    return std::string_view::npos;
}

// Val that gives 0 instead of raising on a number beyond double range.
double SafeVal(std::string_view s) {
    try {
        return platform::Val(s);
    } catch (const platform::RuntimeError&) {
        return 0;
    }
}

std::string ColourText(std::int32_t v) { return "&H" + helpers::cUtility::EightHex(v) + "&"; }

// Tag values of one tag text: the text between the first "<NAME>" (letter case ignored) and
// the "</NAME>" behind it, "" when either is missing, as the utility object's tag search
// gives them; the text is folded once for all the tags.
class TagText {
public:
    explicit TagText(std::string_view text) : text_(text), upper_(Upper(std::string(text))) {}
    // Where a tag stands: its "<NAME>" at `open`, its value from `from` to `to`, and its
    // "</NAME>" ending before `end`.
    struct Span {
        std::size_t open, from, to, end;
    };
    std::optional<Span> Find(std::string_view name) const {
        const std::string open = "<" + std::string(name) + ">", close = "</" + std::string(name) + ">";
        const std::size_t a = upper_.find(open);
        if (a == std::string::npos) return std::nullopt;
        const std::size_t from = a + open.size();
        const std::size_t b = upper_.find(close, from);
        if (b == std::string::npos) return std::nullopt;
        return Span{a, from, b, b + close.size()};
    }
    std::string Value(std::string_view name) const {
        const std::optional<Span> s = Find(name);
        return s ? std::string(text_.substr(s->from, s->to - s->from)) : std::string();
    }
    bool Contains(std::string_view what) const { return upper_.find(what) != std::string::npos; }

private:
    std::string_view text_;
    std::string upper_;
};

// Every tag the reader takes a value from. The writer writes them from the item; all others
// are another producer's and stay.
constexpr std::string_view kReadTags[] = {"STOREREF",    "COPYRIGHTCODE", "COMPOSER",      "MUSICTITLE", "PERFORMER",
                                          "PUBLISHER",   "PRODUCTTITLE",  "RECORDLABEL",   "RECORDNUMBER", "PRS",
                                          "MUSICDURATION", "TOTALDURATION", "DLS",         "TEXT",       "RIGHTS",
                                          "NOTES",       "BACKCOLOUR",    "TEXTCOLOUR",    "ENDING"};

// What another producer put in the tag text that the reader does not read: the text up to
// its first NUL (the rest is the padding of a chunk's room) without the tags the reader
// knows; "" when nothing but blanks is left. One pass, however many tags: a known tag goes
// when its closing tag is reached, from the first of its opening tags still standing, and
// what a removal joins is read on as if it had stood so, so none can be left or formed.
std::string ForeignTags(std::string_view standing) {
    const std::string_view text = standing.substr(0, std::min(standing.find('\0'), standing.size()));
    constexpr std::size_t kNames = std::size(kReadTags);
    constexpr std::size_t kLongest = 13; // "COPYRIGHTCODE", "MUSICDURATION", "TOTALDURATION"
    std::string out;
    out.reserve(text.size());
    // The opening tags of known names standing in `out`, in order, and of each name how many
    // stand and where the first of them does.
    std::vector<std::pair<std::size_t, std::size_t>> opens;
    std::size_t count[kNames] = {}, first[kNames] = {};
    for (std::size_t at = 0; at < text.size();) {
        // On to the next '>', where alone a tag can end.
        const std::size_t gt = text.find('>', at);
        const std::size_t next = gt == std::string_view::npos ? text.size() : gt + 1;
        out.append(text, at, next - at);
        at = next;
        if (gt == std::string_view::npos) break;
        // The tag that this '>' ends, if it is one of the known: "<NAME>" or "</NAME>".
        std::size_t lt = std::string::npos;
        for (std::size_t i = out.size() - 1, stop = out.size() - std::min(out.size(), kLongest + 3); i-- > stop;) {
            if (out[i] == '<') {
                lt = i;
                break;
            }
        }
        if (lt == std::string::npos) continue;
        const bool closing = out[lt + 1] == '/';
        const std::size_t from = lt + 1 + closing, n = out.size() - 1 - from;
        if (n == 0 || n > kLongest) continue;
        char name[kLongest];
        for (std::size_t i = 0; i < n; ++i) {
            const char c = out[from + i];
            name[i] = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        }
        const auto* known = std::find_if(std::begin(kReadTags), std::end(kReadTags), [&](std::string_view k) {
            return k.size() == n && std::memcmp(k.data(), name, n) == 0;
        });
        if (known == std::end(kReadTags)) continue;
        const auto k = static_cast<std::size_t>(known - std::begin(kReadTags));
        if (!closing) {
            opens.emplace_back(lt, k);
            if (count[k]++ == 0) first[k] = lt;
        } else if (count[k] > 0) {
            const std::size_t cut = first[k];
            out.resize(cut);
            for (; !opens.empty() && opens.back().first >= cut; opens.pop_back()) --count[opens.back().second];
        }
    }
    const bool blank = std::all_of(out.begin(), out.end(), [](char c) { return static_cast<unsigned char>(c) <= ' '; });
    return blank ? std::string() : out;
}

// Time text (form 1 duration, form 2 time of day) to seconds; unreadable text gives 0.
double TimeTextToSeconds(std::string_view text, std::int32_t form) {
    try {
        return helpers::cUtility::TimeTextToSeconds(text, form);
    } catch (const platform::RuntimeError&) {
        return 0;
    }
}

std::string TimeText(double seconds, std::int32_t form) {
    return helpers::cTimeFormat::Instance().SecondsToText(seconds, form);
}

// A colour number: "&H" hexadecimal or decimal, a trailing "&" marking 32 bits. False for
// a value no 32-bit colour can hold.
bool ReadColour(std::string value, std::int32_t& out) {
    if (value.empty() || value.back() != '&') value += '&';
    const double d = SafeVal(value);
    if (!(d >= INT32_MIN && d <= 4294967295.0)) return false;
    const double r = platform::RoundHalfEven(d);
    out = r > INT32_MAX ? static_cast<std::int32_t>(static_cast<std::uint32_t>(r)) : static_cast<std::int32_t>(r);
    return true;
}

std::int32_t EndingFromWord(const std::string& word) {
    const std::string w = Upper(word);
    if (w == "S" || w == "SUSTAIN") return cheSustain;
    if (w == "SF" || w == "SLOWFADE") return cheSlowFade;
    if (w == "E" || w == "ENDS") return cheEnd;
    if (w == "F" || w == "FADES") return cheFades;
    return cheNonSpecific;
}

// "yyyy-mm-dd" to a day number; a month or day out of range rolls over. False when the
// text gives no date the calendar can hold.
bool ReadDate(const std::string& text, std::int32_t& day) {
    auto part = [&](std::size_t from, std::size_t n) {
        return from < text.size() ? SafeVal(std::string_view(text).substr(from, n)) : 0.0;
    };
    const double y = part(0, 4), m = part(5, 2), d = part(8, 2);
    // "1e99" reads as a number too, but as no year.
    for (const double v : {y, m, d})
        if (!(std::fabs(v) < 1e6)) return false;
    try {
        day = platform::DayNumber(platform::DateSerial(static_cast<int>(y), static_cast<int>(m), static_cast<int>(d)));
        return true;
    } catch (const platform::RuntimeError&) {
        return false;
    }
}

// "yyyy-mm-dd"; "" for a day number outside the calendar.
std::string DateText(std::int32_t day) {
    try {
        return platform::FormatDate(day, "yyyy-mm-dd");
    } catch (const platform::RuntimeError&) {
        return {};
    }
}

// Windows-1252 to UTF-8; plain ASCII, the common case, is the same in both.
std::string ToUtf8(std::string s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80) return platform::AnsiToUtf8(s);
    return s;
}

template <std::size_t N>
std::string FieldUtf8(const TextField<N>& f) {
    return ToUtf8(Trim(FieldText(f)));
}
template <std::size_t N>
void SetFieldUtf8(TextField<N>& f, const std::string& utf8) {
    SetField(f, platform::Utf8ToAnsi(utf8));
}
std::int32_t ClampLength(double size) {
    if (!(size > 0)) return 0;
    const double r = platform::RoundHalfEven(size);
    return r > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(r);
}

// A sample count from the start of the audio; a time before the start (the -1 of a loop
// start never set) is the start, not a count of days that would read back.
std::uint32_t TimerValue(float seconds, std::uint32_t rate) {
    const std::int32_t v = platform::ToInt32(platform::RoundHalfEven(static_cast<double>(seconds) * rate));
    return v < 0 ? 0u : static_cast<std::uint32_t>(v);
}

// What a post timer's usage sets in an item, as the reader reads it; None for the timers it
// ignores (other producers' usages), which a save keeps as they are.
enum class TimerField { None, Intro, Extro, Outro, HookStart, HookEnd, LoopStart, LoopEnd };
struct TimerUse {
    TimerField field = TimerField::None;
    std::int16_t index = 1;
};

// Whether a ProducerAppID is ours, so that its "MRK" timers are our hook and loop.
bool OurProducer(std::string_view producerAppID) { return FindNoCase(producerAppID, "Brevant") != std::string_view::npos; }

// A usage as the reader sees it: its first three characters upper-cased, the fourth, its
// suffix, lower-cased.
struct Usage {
    std::string rule;
    char suffix;
    explicit Usage(const TextField<4>& usage)
        : rule(Upper(std::string(usage.data(), 3))),
          suffix(usage[3] >= 'A' && usage[3] <= 'Z' ? static_cast<char>(usage[3] - 'A' + 'a') : usage[3]) {}
};

TimerUse UseOf(const TextField<4>& usage, bool rarovid, bool ourProducer) {
    const auto [rule, suffix] = Usage(usage);
    // The digit our writer puts behind "SEG" and "OUT" names the point; other producers'
    // "SEG" and "OUT" are the first, whatever follows.
    const std::int16_t index = ourProducer ? (suffix == '2' ? 2 : suffix == '3' ? 3 : 1) : 1;
    if (rule == "SEG") return rarovid ? TimerUse{} : TimerUse{TimerField::Extro, index};
    if (rule == "SEC") {
        if (!rarovid) return {TimerField::Extro, 1};
        const double n = SafeVal(std::string(1, suffix));
        return n >= 1 && n <= 3 ? TimerUse{TimerField::Extro, static_cast<std::int16_t>(n)} : TimerUse{};
    }
    if (rule == "OUT") return {TimerField::Outro, index};
    if (rule == "INT") return {TimerField::Intro, static_cast<std::int16_t>(suffix == 's' || suffix == '1' ? 1 : suffix == '2' ? 2 : 3)};
    if (rule == "MRK" && ourProducer) {
        if (suffix == '1') return {TimerField::HookStart, 1};
        if (suffix == '2') return {TimerField::HookEnd, 1};
        if (suffix == '3') return {TimerField::LoopStart, 1};
        if (suffix == '4') return {TimerField::LoopEnd, 1};
    }
    return {};
}

// Whether a timer's usage is one our writer writes, in either dialect ("MRK" ones only in a
// chunk of our producer, as the reader takes them): such a timer left from a save in the
// other dialect is ours, and goes.
bool OurTimerForm(const TextField<4>& usage, bool ourProducer) {
    const auto [rule, suffix] = Usage(usage);
    const bool digit = suffix >= '1' && suffix <= '3';
    if (rule == "SEG" || rule == "SEC") return digit;
    if (rule == "INT") return digit || suffix == 's' || suffix == 'e';
    if (rule == "OUT") return digit || suffix == ' ';
    if (rule == "MRK") return ourProducer && suffix >= '1' && suffix <= '4';
    return false;
}

// The names of the UserDef entries of our playout dialect.
constexpr std::string_view kOurUserDef[] = {"BackColor", "ForeColor", "EndingType"};

// The ten bytes that EBU Tech 3285 version 2 gives the loudness values (integrated
// loudness, loudness range, true peak, momentary and short-term maximum), at the start of
// the bext chunk's reserved bytes; 0x7FFF in each says "not known".
constexpr std::size_t kLoudnessBytes = 10;

// A slot that holds a timer: a usage and a value other than "unused". Blank or zero usages
// are empty slots, whatever their value.
bool SlotInUse(const PostTimerRecord& t) {
    if (t.Value == kUnusedTimer) return false;
    for (const char c : t.Usage)
        if (c != ' ' && c != '\0') return true;
    return false;
}

// The fixed part of the file's chunk as it stands, zero bytes where there is none: a save
// keeps what it has no field for (another tool's classification, time reference, UMID,
// loudness) instead of wiping it.
template <typename Rec>
Rec StandingFixedPart(wav::Reader& file, platform::mmio::FOURCC id, void (*decode)(const unsigned char*, Rec&),
                      std::string* tail = nullptr) {
    unsigned char image[Rec::kSize] = {};
    std::string t;
    Rec r;
    wav::ReadFixedAndTail(file, id, image, sizeof image, tail ? *tail : t, tail ? wav::kMaxItemTagText : 0);
    decode(image, r);
    return r;
}

// The length of the audio from the file's own format, and the item's format record with
// the fields the file's fmt chunk holds.
void ReadLengthAndFormat(wav::Reader& file, cHardDiskItem& item) {
    WaveFormatRecord f{};
    std::uint64_t dataSize = 0;
    item.TotalLength = 0;
    if (wav::ReadFormat(file, f, dataSize) == 0 && f.nAvgBytesPerSec > 0)
        item.TotalLength = static_cast<float>(static_cast<double>(dataSize) / f.nAvgBytesPerSec);
    WaveFormatRecord g = item.WaveFormat();
    if (wav::ReadFormat(file, g, dataSize) == 0) item.SetWaveFormat(g);
}

} // namespace

bool cHardDiskItem::LoadFromWAVFile(const std::string& Filename, std::int32_t Flags) {
    const std::string producerAtEntry = ProducerAppName;
    const double size = FileLength(Filename);
    if (!(size > 0)) return false;
    wav::Reader file(Filename);

    AudioFileName = Filename;
    // Measured again: opening takes back a save that was cut short, which may change the length.
    AudioFileLength = ClampLength(FileLength(Filename));
    ReadLengthAndFormat(file, *this);

    SetAudioStart(0);
    AudioEnd = TotalLength;
    SetIntroStart(0);
    SetIntroEnd(0);
    LoopStart = 0;
    LoopEnd = 0;
    LoopNumberLoops = 0;
    HookStart = 0;
    HookEnd = 0;
    SetExtroEx(1, AudioEnd);
    SetOutroEx(1, AudioEnd);
    const WaveFormatRecord fmt = WaveFormat();

    CartChunkRecord cart;
    std::string tagAnsi;
    bool haveCart = false;
    if ((Flags & llfCartChunk) || Flags == 0) haveCart = wav::ReadCart(file, cart, tagAnsi, wav::kMaxItemTagText);
    BextChunkRecord bext;
    bool haveBext = false;
    if ((Flags & llfBext) || Flags == 0) {
        std::string history;
        haveBext = wav::ReadBext(file, bext, history);
        // The text ends at its first NUL: writers pad it to an even length, or fill a
        // reserved size, with NULs.
        if (const std::size_t nul = history.find('\0'); nul != std::string::npos) history.resize(nul);
        CodingHistory = ToUtf8(std::move(history));
    }

    if (haveCart) {
        const std::string tagsUtf8 = ToUtf8(std::move(tagAnsi));
        const TagText tags(tagsUtf8);
        if (Flags == 0) {
            if (producerAtEntry == "Brevant") Flags |= llfOrvanta;
            else if (tags.Contains("<PRS>")) Flags |= llfRarovidAderu;
        }
        const bool orvanta = Has(Flags, llfOrvanta);
        const bool rarovid = Has(Flags, llfRarovidAderu);

        ItemTitle = FieldUtf8(cart.Title);
        SetArtistName(1, FieldUtf8(cart.Artist));
        SchedulerReference = FieldUtf8(cart.CutID);
        Category = FieldUtf8(cart.Category);
        Client = FieldUtf8(cart.ClientID);
        URL = FieldUtf8(cart.URL);
        ArtistURL = URL;
        ProducerAppName = FieldUtf8(cart.ProducerAppID);
        ProducerAppVersion = FieldUtf8(cart.ProducerAppVersion);

        std::int32_t day = 0;
        if (const auto t = FieldUtf8(cart.StartDate); !t.empty() && ReadDate(t, day)) AirStartDate = day;
        if (const auto t = FieldUtf8(cart.StartTime); !t.empty()) AirStartTime = static_cast<float>(TimeTextToSeconds(t, 2));
        if (const auto t = FieldUtf8(cart.EndDate); !t.empty() && ReadDate(t, day)) AirEndDate = day;
        if (const auto t = FieldUtf8(cart.EndTime); !t.empty()) AirEndTime = static_cast<float>(TimeTextToSeconds(t, 2));

        OnlineStoreReference = tags.Value("STOREREF");
        CopyrightCode = tags.Value("COPYRIGHTCODE");
        CopyrightComposer = tags.Value("COMPOSER");
        CopyrightMusicTitle = tags.Value("MUSICTITLE");
        CopyrightPerformer = tags.Value("PERFORMER");
        CopyrightPublisher = tags.Value("PUBLISHER");
        CopyrightProductTitle = tags.Value("PRODUCTTITLE");
        CopyrightRecordLabel = tags.Value("RECORDLABEL");
        CopyrightRecordNumber = tags.Value("RECORDNUMBER");
        if (CopyrightRecordNumber.empty()) CopyrightRecordNumber = tags.Value("PRS");
        if (const auto v = tags.Value("MUSICDURATION"); !v.empty())
            CopyrightMusicDuration = static_cast<float>(TimeTextToSeconds(v, 1));
        if (const auto v = tags.Value("TOTALDURATION"); !v.empty())
            CopyrightTotalDuration = static_cast<float>(TimeTextToSeconds(v, 1));
        DABNotes = tags.Value("DLS");
        WebNotes = tags.Value("TEXT");
        RightsManagementReference = tags.Value("RIGHTS");
        Notes = tags.Value("NOTES");
        std::int32_t colour = 0;
        if (const auto v = tags.Value("BACKCOLOUR"); !v.empty() && ReadColour(v, colour)) BackColour = colour;
        if (const auto v = tags.Value("TEXTCOLOUR"); !v.empty() && ReadColour(v, colour)) TextColour = colour;
        EndType = EndingFromWord(tags.Value("ENDING"));

        if (Flags & llfCopyrightFromTitle) {
            const std::string title = FieldUtf8(cart.Title), artist = FieldUtf8(cart.Artist);
            if (CopyrightProductTitle.empty()) CopyrightProductTitle = title;
            if (CopyrightMusicTitle.empty()) CopyrightMusicTitle = title;
            if (CopyrightComposer.empty()) CopyrightComposer = artist;
            if (CopyrightPerformer.empty()) CopyrightPerformer = artist;
        }

        const std::string outCue = FieldText(cart.OutCue);
        if (rarovid) {
            OutCue = ToUtf8(Trim(outCue.size() > 3 ? std::string_view(outCue).substr(3) : std::string_view()));
            const std::string code = Upper(Trim(std::string_view(outCue).substr(0, std::min<std::size_t>(2, outCue.size()))));
            if (code == "E") EndType = cheEnd;
            else if (code == "F") EndType = cheFades;
            else if (code == "SF") EndType = cheSlowFade;
        } else {
            OutCue = ToUtf8(Trim(outCue));
        }

        if (orvanta) {
            const std::string userDef = FieldUtf8(cart.UserDef);
            auto lookup = [&](const char* name) { return helpers::ItemList::Lookup(userDef, name, "=", false, " "); };
            if (const auto v = lookup("BackColor"); !v.empty() && ReadColour(v, colour)) BackColour = colour;
            if (const auto v = lookup("ForeColor"); !v.empty() && ReadColour(v, colour)) TextColour = colour;
            const std::string e = Upper(lookup("EndingType"));
            EndType = e == "ENDS" ? cheEnd : e == "FADES" ? cheFades : e == "SUSTAIN" ? cheSustain : e == "SLOWFADE" ? cheSlowFade : cheNonSpecific;
        }

        if (fmt.nSamplesPerSec > 0) {
            const bool ours = OurProducer(FieldText(cart.ProducerAppID));
            for (const auto& timer : cart.PostTimer) {
                if (timer.Value == kUnusedTimer) continue;
                const TimerUse use = UseOf(timer.Usage, rarovid, ours);
                const float t = static_cast<float>(static_cast<double>(timer.Value) / fmt.nSamplesPerSec);
                switch (use.field) {
                case TimerField::Intro: SetIntroEx(use.index, t); break;
                case TimerField::Extro: SetExtroEx(use.index, t); break;
                case TimerField::Outro: SetOutroEx(use.index, t); break;
                case TimerField::HookStart: HookStart = t; break;
                case TimerField::HookEnd: HookEnd = t; break;
                case TimerField::LoopStart: LoopStart = t; break;
                case TimerField::LoopEnd: LoopEnd = t; break;
                case TimerField::None: break;
                }
            }
        }
    }

    if (haveBext) {
        SetDescription(1, FieldUtf8(bext.Description));
        Originator = FieldUtf8(bext.Originator);
        OriginatorReference = FieldUtf8(bext.OriginatorReference);
        std::int32_t day = 0;
        if (const auto t = FieldUtf8(bext.OriginationDate); !t.empty() && ReadDate(t, day)) OriginationDate = day;
        if (const auto t = FieldUtf8(bext.OriginationTime); !t.empty())
            OriginationTime = static_cast<float>(TimeTextToSeconds(t, 2));
        Version = static_cast<std::int16_t>(bext.Version);
    }

    if (Flags & 0x2003) {
        std::vector<CuePointRecord> points;
        const std::int32_t n = wav::ReadCue(file, points);
        for (std::int32_t i = 0; i < n && static_cast<std::size_t>(i) < points.size(); ++i) {
            const CuePointRecord& p = points[static_cast<std::size_t>(i)];
            if (p.Chunk != wav::kData || p.ChunkStart != 0 || p.Name < 1 || p.Name > 3) continue;
            // A point whose arithmetic cannot be done is skipped.
            const std::int64_t product = static_cast<std::int64_t>(static_cast<std::int32_t>(p.BlockStart)) * fmt.nBlockAlign;
            if (product < INT32_MIN || product > INT32_MAX || fmt.nAvgBytesPerSec == 0 || fmt.nSamplesPerSec == 0) continue;
            const double t = static_cast<double>(product) / fmt.nAvgBytesPerSec +
                             static_cast<double>(static_cast<std::int32_t>(p.SampleOffset)) / fmt.nSamplesPerSec;
            SetAudioStartEx(static_cast<std::int16_t>(p.Name), static_cast<float>(t));
        }
    }
    return true;
}

bool cHardDiskItem::SaveToWAVFile(const std::string& Filename, std::int32_t Flags) {
    return SaveToWAVFile(Filename, Flags, false);
}

bool cHardDiskItem::SaveToWAVFile(const std::string& Filename, std::int32_t Flags, bool AudioRewritten) {
    if (!(FileLength(Filename) > 0)) {
        wav::SetLastWriteError("The file can no longer be found.");
        return false;
    }

    CartChunkRecord standingCart;
    std::string standingTags;
    BextChunkRecord standingBext;
    {
        // One walk of the file for all that the save reads from it.
        wav::Reader file(Filename);
        ReadLengthAndFormat(file, *this);
        standingCart = StandingFixedPart<CartChunkRecord>(file, wav::kCart, &DecodeCart,
                                                          (Flags & llfCartChunk) ? &standingTags : nullptr);
        standingBext = StandingFixedPart<BextChunkRecord>(file, wav::kBext, &DecodeBext);
    }
    // Once the open above has taken back a save that was cut short.
    AudioFileLength = ClampLength(FileLength(AudioFileName));
    const WaveFormatRecord fmt = WaveFormat();

    if (OriginationDate == 0) {
        const double now = platform::Now();
        OriginationDate = platform::DayNumber(now);
        OriginationTime = static_cast<float>(platform::SecondsOfDay(now));
    }
    if (Originator.empty()) Originator = helpers::SystemHelper().UserName() + " on " + helpers::SystemHelper().ComputerName();

    const bool orvanta = Has(Flags, llfOrvanta);
    const bool rarovid = Has(Flags, llfRarovidAderu);
    std::optional<CartChunkRecord> cart;
    std::string tagAnsi;
    std::optional<BextChunkRecord> bext;

    if (Flags & llfCartChunk) {
        CartChunkRecord r; // every byte zero
        r.Classification = standingCart.Classification;
        r.Reserved = standingCart.Reserved;
        SetField(r.Version, "0101");
        const std::string title = Trim(ItemTitle);
        SetFieldUtf8(r.Title, title.empty() ? Trim(Description(1)) : title);
        const std::string artist = Trim(ArtistName(1));
        SetFieldUtf8(r.Artist, artist.empty() ? Trim(Description(2)) : artist);
        SetFieldUtf8(r.Category, Trim(Category));
        SetFieldUtf8(r.CutID, Trim(SchedulerReference));
        SetFieldUtf8(r.ClientID, Trim(Client));
        const std::string url = Trim(URL);
        SetFieldUtf8(r.URL, url.empty() ? Trim(ArtistURL) : url);
        auto becomeOurs = [this] {
            ProducerAppName = "Brevant CartChunk Interface";
            ProducerAppVersion = "v" + std::to_string(kVersionMajor) + "." + std::to_string(kVersionMinor) + "." +
                                 std::to_string(kVersionRevision);
        };
        if (ProducerAppName.empty()) becomeOurs();
        SetFieldUtf8(r.ProducerAppID, Trim(ProducerAppName));
        SetFieldUtf8(r.ProducerAppVersion, Trim(ProducerAppVersion));
        // What another producer stored where we have no value stays: its level reference
        // outside the broadcaster's dialect (its UserDef: below).
        if (!rarovid) r.LevelReference = standingCart.LevelReference;
        if (AirStartDate > 0) SetField(r.StartDate, DateText(AirStartDate));
        if (AirStartTime > 0) SetField(r.StartTime, TimeText(AirStartTime, 2));
        if (AirEndDate > 0) SetField(r.EndDate, DateText(AirEndDate));
        if (AirEndTime > 0) SetField(r.EndTime, TimeText(AirEndTime, 2));

        std::string tags;
        auto tag = [&](const char* name, const std::string& value) {
            if (!value.empty()) tags += std::string("<") + name + ">" + value + "</" + name + ">";
        };
        tag("STOREREF", OnlineStoreReference);
        tag("COPYRIGHTCODE", CopyrightCode);
        tag("COMPOSER", CopyrightComposer);
        tag("MUSICTITLE", CopyrightMusicTitle);
        tag("PUBLISHER", CopyrightPublisher);
        tag("PERFORMER", CopyrightPerformer);
        tag("PRODUCTTITLE", CopyrightProductTitle);
        tag("RECORDLABEL", CopyrightRecordLabel);
        tag(rarovid ? "PRS" : "RECORDNUMBER", CopyrightRecordNumber);
        if (CopyrightMusicDuration > 0) tag("MUSICDURATION", TimeText(CopyrightMusicDuration, 1));
        if (CopyrightTotalDuration > 0) tag("TOTALDURATION", TimeText(CopyrightTotalDuration, 1));
        tag("DLS", DABNotes);
        tag("TEXT", WebNotes);
        tag("RIGHTS", RightsManagementReference);
        tag("NOTES", Notes);

        const char* endingTag = nullptr;
        const char* endingWord = nullptr;
        const char* outCuePrefix = "";
        switch (EndType) {
        case cheEnd: endingTag = "E"; endingWord = "Ends"; outCuePrefix = "E"; break;
        case cheFades: endingTag = "F"; endingWord = "Fades"; outCuePrefix = "F"; break;
        case cheSustain: endingTag = "S"; endingWord = "Sustain"; break;
        case cheSlowFade: endingTag = "SF"; endingWord = "SlowFade"; outCuePrefix = "SF"; break;
        default: break;
        }
        if (!orvanta) {
            if (BackColour != kDefaultBack) tag("BACKCOLOUR", ColourText(BackColour));
            if (TextColour != kDefaultText) tag("TEXTCOLOUR", ColourText(TextColour));
            if (endingTag) tag("ENDING", endingTag);
            // Outside the playout dialect UserDef holds none of ours: entries of ours left by
            // an earlier save in that dialect go, so it never reads back stale colours or
            // endings; another producer's entries stay, and a UserDef without ours stays byte
            // for byte.
            const std::string standingUserDef = FieldText(standingCart.UserDef);
            const std::string theirUserDef = helpers::ItemList::Remove(standingUserDef, kOurUserDef, "=", " ");
            if (theirUserDef == standingUserDef) r.UserDef = standingCart.UserDef;
            else SetField(r.UserDef, Trim(theirUserDef));
        } else {
            std::string userDef;
            if (BackColour != kDefaultBack)
                userDef = helpers::ItemList::Append(userDef, "BackColor", ColourText(BackColour), "=", false, " ");
            if (TextColour != kDefaultText)
                userDef = helpers::ItemList::Append(userDef, "ForeColor", ColourText(TextColour), "=", false, " ");
            if (endingWord) userDef = helpers::ItemList::Append(userDef, "EndingType", endingWord, "=", false, " ");
            SetFieldUtf8(r.UserDef, userDef);
        }
        if (rarovid) {
            std::string prefix = outCuePrefix;
            prefix.resize(3, ' ');
            SetFieldUtf8(r.OutCue, prefix + Trim(OutCue));
        } else {
            SetFieldUtf8(r.OutCue, Trim(OutCue));
        }

        std::size_t slot = 0;
        if (fmt.nSamplesPerSec >= 1) {
            auto timer = [&](const char* usage, float seconds) {
                if (slot >= r.PostTimer.size()) return;
                SetField(r.PostTimer[slot].Usage, usage);
                r.PostTimer[slot].Value = TimerValue(seconds, fmt.nSamplesPerSec);
                ++slot;
            };
            if (rarovid) {
                const char* sec[3] = {"SEC1", "SEC2", "SEC3"};
                for (std::int16_t i = 1; i <= 3; ++i)
                    if (ExtroEx(i) < AudioEnd) timer(sec[i - 1], ExtroEx(i));
                if (IntroEx(1) > 0) timer("INTs", IntroEx(1));
                if (IntroEx(3) > 0) timer("INTe", IntroEx(3));
                if (OutroEx(1) < AudioEnd) timer("OUT ", OutroEx(1));
                r.LevelReference = 10362;
            } else {
                const std::string digits = "123";
                for (std::int16_t i = 1; i <= 3; ++i)
                    if (IntroEx(i) > 0) timer(("INT" + digits.substr(static_cast<std::size_t>(i - 1), 1)).c_str(), IntroEx(i));
                for (std::int16_t i = 1; i <= 3; ++i)
                    if (ExtroEx(i) > 0 && ExtroEx(i) < AudioEnd)
                        timer(("SEG" + digits.substr(static_cast<std::size_t>(i - 1), 1)).c_str(), ExtroEx(i));
                for (std::int16_t i = 1; i <= 3; ++i)
                    if (OutroEx(i) > 0 && OutroEx(i) < AudioEnd)
                        timer(("OUT" + digits.substr(static_cast<std::size_t>(i - 1), 1)).c_str(), OutroEx(i));
                bool markers = false;
                if (HookEnd > 0 && slot + 2 <= r.PostTimer.size()) {
                    timer("MRK1", HookStart);
                    timer("MRK2", HookEnd);
                    markers = true;
                }
                if (LoopEnd > 0 && slot + 2 <= r.PostTimer.size()) {
                    timer("MRK3", LoopStart);
                    timer("MRK4", LoopEnd);
                    markers = true;
                }
                // The reader takes "MRK" timers only from our own producer: a chunk that
                // carries our hook or loop names us, or the markers would not read back.
                if (markers && !OurProducer(ProducerAppName)) {
                    becomeOurs();
                    SetFieldUtf8(r.ProducerAppID, ProducerAppName);
                    SetFieldUtf8(r.ProducerAppVersion, ProducerAppVersion);
                }
            }
        }
        // Timers of other producers that the reader ignores keep their usage and value, in
        // their order, in the slots behind ours. Those it reads into an item (with the
        // producer and dialect this chunk is written with) were written above from the item;
        // those in our forms that this dialect does not read are ours from the other one.
        const bool ourProducer = OurProducer(FieldText(r.ProducerAppID));
        const bool wasOurs = OurProducer(FieldText(standingCart.ProducerAppID));
        for (const PostTimerRecord& t : standingCart.PostTimer) {
            if (slot >= r.PostTimer.size()) break;
            if (!SlotInUse(t)) continue;
            if (fmt.nSamplesPerSec > 0 && (UseOf(t.Usage, rarovid, ourProducer).field != TimerField::None ||
                                           OurTimerForm(t.Usage, wasOurs)))
                continue;
            r.PostTimer[slot++] = t;
        }
        if (fmt.nSamplesPerSec >= 1 && !rarovid) {
            for (; slot < r.PostTimer.size(); ++slot) {
                SetField(r.PostTimer[slot].Usage, "");
                r.PostTimer[slot].Value = kUnusedTimer;
            }
        }
        // Tags of other producers follow ours, as they stood.
        tagAnsi = platform::Utf8ToAnsi(tags) + ForeignTags(standingTags);
        // A tag text longer than the reader takes would lose its later tags: refused.
        if (tagAnsi.size() > wav::kMaxItemTagText) {
            wav::SetLastWriteError("The tag text would be longer than the " + std::to_string(wav::kMaxItemTagText) +
                                   " bytes a cart chunk is read with. The file has not been changed.");
            return false;
        }
        cart = r;
    }

    if (Flags & llfBext) {
        BextChunkRecord r; // every byte zero
        r.TimeReferenceLow = standingBext.TimeReferenceLow;
        r.TimeReferenceHigh = standingBext.TimeReferenceHigh;
        r.UMID = standingBext.UMID;
        r.Reserved = standingBext.Reserved;
        // Loudness measured on the audio before it was written anew no longer describes it.
        const auto loudness = r.Reserved.begin();
        if (AudioRewritten && std::any_of(loudness, loudness + kLoudnessBytes, [](char c) { return c != '\0'; }))
            for (std::size_t i = 0; i < kLoudnessBytes; i += 2) {
                loudness[i] = '\xFF';
                loudness[i + 1] = '\x7F';
            }
        std::string description = Trim(Description(1));
        if (orvanta && description.empty()) description = Trim(ItemTitle);
        SetFieldUtf8(r.Description, description);
        SetFieldUtf8(r.Originator, Trim(Originator));
        SetFieldUtf8(r.OriginatorReference, Trim(OriginatorReference));
        SetField(r.OriginationDate, DateText(OriginationDate));
        SetField(r.OriginationTime, TimeText(OriginationTime, 2));
        r.Version = static_cast<std::uint16_t>(Version);
        bext = r;
    }
    // Both chunks in one go: a save that fails leaves the file as it was.
    return WriteCartAndBextChunks(Filename, cart ? &*cart : nullptr, tagAnsi, bext ? &*bext : nullptr);
}

} // namespace rozuzezer

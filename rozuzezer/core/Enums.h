// The library's public enumerations, members in declaration order. They travel as 32-bit
// whole numbers.
#pragma once

#include <cstdint>

namespace rozuzezer {

enum enPlayerDisplayAlignment : std::int32_t { pdaBottom = 0, pdaTop = 1 };

enum enSettingOrPreference : std::int32_t {
    sopDisabled = 0,
    sopEnabled = 1,
    sopFollowPreference = 255
};

enum enCheckSettings : std::int32_t { cstFailed = 1, cstOK = 2, cstDiscovered = 3 };

enum enRecentPlayType : std::int32_t {
    rptIgnore = 0,
    rptFixedPeriod = 1,
    rptDurationMultiple = 2
};

enum enHDEND : std::int32_t {
    cheNonSpecific = 0,
    cheEnd = 1,
    cheFades = 2,
    cheSustain = 4,
    cheSlowFade = 8
};

enum enHDItemType : std::int32_t {
    hitSong = 1,
    hitLink = 0x101,
    hitAdvert = 0x201,
    hitNonSpecific = 0xFFF
};

enum enLFFlags : std::int32_t {
    llfAutoDetect = 0,
    llfBext = 1,
    llfCartChunk = 2,
    llfCopyrightFromTitle = 4,
    llfOrvanta = 0x1003,
    llfRarovidAderu = 0x2003
};

enum enHDInfoType : std::int32_t {
    hditPrePopup = 0,
    hditNotes = 0x301,
    hditWEB = 0x311,
    hditRDS = 0x304,
    hditDAB = 0x308,
    hditURL = 0x31F
};

enum enHDTimeType : std::int32_t {
    hdttPrePopup = 0,
    hdttIntroStart = 0x101,
    hdttIntroEnd = 0x10F,
    hdttHookStart = 0x121,
    hdttHookEnd = 0x12F,
    hdttExtro = 0x111,
    hdttLength = 0x1FF
};

enum enEditInfo : std::int32_t {
    ehdDescriptions = 1,
    ehdIntroStart = 0x101,
    ehdIntroEnd = 0x10F,
    ehdExtro = 0x111,
    ehdHookStart = 0x121,
    ehdHookEnd = 0x12F,
    ehdLoopStart = 0x131,
    ehdLoopEnd = 0x13F,
    ehdLength = 0x1FF,
    ehdAudio = 0x201,
    ehdNotes = 0x301,
    ehdRDS = 0x304,
    ehdDAB = 0x308,
    ehdWeb = 0x311,
    ehdURL = 0x31F,
    ehdCopyright = 0x351
};

enum enPlayAudio : std::int32_t {
    epaPlayAll = 1,
    epaPlayHook = 0x121,
    epaPlayLoop = 0x131
};

} // namespace rozuzezer

// The system helper and the multimedia helper: one of each per process, created on first
// use and shared.
#pragma once

#include <cstdint>
#include <string>

namespace helpers {

class cSystemHelper {
public:
    static cSystemHelper& Instance();

    // The login name of the current user ($USER / $LOGNAME, else the password database).
    std::string UserName() const;

    // The computer's host name (without a domain).
    std::string ComputerName() const;

    // The letters (upper case, in letter order) of the drives of one type in the drive map:
    // 3 fixed, 4 network, 5 CD-ROM (platform::fs::DriveType numbers). "" when none.
    std::string DriveLetters(std::int32_t driveType) const;

private:
    cSystemHelper() = default;
};

inline cSystemHelper& SystemHelper() { return cSystemHelper::Instance(); }

class cMultimediaHelper {
public:
    static cMultimediaHelper& Instance();

    // The manufacturer identifier of the maker's own sound hardware, compared with the
    // manufacturer identifiers of input devices. The platform's identifiers are 16-bit, so
    // the default, 0x00010000, matches no device; a host (or a test) that knows its
    // hardware sets another.
    std::int32_t ManufacturerID() const { return manufacturerId_; }
    void SetManufacturerID(std::int32_t id) { manufacturerId_ = id; }

    static constexpr std::int32_t kNoManufacturer = 0x00010000;

private:
    cMultimediaHelper() = default;
    std::int32_t manufacturerId_ = kNoManufacturer;
};

inline cMultimediaHelper& MultimediaHelper() { return cMultimediaHelper::Instance(); }

} // namespace helpers

// The air window's date boxes read whatever the user types or pastes, in the user's locale:
// any text either is no date or is a date of the range that writes back and reads back to the
// same day in that locale, and the serial form the document side reads agrees with it in the
// process's own locale. The first byte chooses the locale, the rest is the text.
#include "editor/details/AirDate.h"

#include <QLocale>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    static const std::array<QLocale, 9> locales = {
        QLocale(),          QLocale::c(),       QLocale("en_US"), QLocale("de_DE"), QLocale("fr_FR"),
        QLocale("ru_RU"), QLocale("ar_EG"), QLocale("vi_VN"), QLocale("ja_JP")};
    const QLocale& locale = locales[data[0] % locales.size()];
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::int32_t day = -7;
    const bool read = lumoedit::ReadAirDate(text, day, locale);
    if (!read) {
        if (day != -7) std::abort();
    } else {
        if (day < lumoedit::kFirstAirDay || day > lumoedit::kLastAirDay) std::abort();
        std::int32_t again = 0;
        if (!lumoedit::ReadAirDate(lumoedit::AirDateText(day, locale), again, locale) || again != day) std::abort();
        if (lumoedit::AirWeekdayText(day, locale).empty()) std::abort();
    }
    std::int32_t own = -7;
    double serial = -7;
    const bool ownRead = lumoedit::ReadAirDate(text, own);
    if (lumoedit::ParseAirDate(text, serial) != ownRead) std::abort();
    if (ownRead ? serial != own : serial != -7) std::abort();
    return 0;
}

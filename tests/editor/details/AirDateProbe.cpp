// Prints the air window's text of 31 December 2030 in the locale of its environment, then
// what its first argument reads as there: the day number, or "no date". The air-date test
// starts it under several environments, since a process reads its locale once.
#include "editor/details/AirDate.h"

#include "platform/base/DateTime.h"

#include <cstdint>
#include <cstdio>

int main(int argc, char** argv) {
    const auto day = static_cast<std::int32_t>(platform::DateSerial(2030, 12, 31));
    std::printf("%s\n", lumoedit::AirDateText(day).c_str());
    std::int32_t read = 0;
    if (argc > 1 && lumoedit::ReadAirDate(argv[1], read)) std::printf("%d\n", static_cast<int>(read));
    else std::printf("no date\n");
    return 0;
}

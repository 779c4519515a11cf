#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

#include "compiler/compiler.h"
#include "model/czas.h"

namespace kalmero::test {

constexpr std::int64_t kHour = 3'600'000;
constexpr std::int64_t kMinute = 60'000;
constexpr std::int64_t kSecond = 1000;

// ms of a "HH:MM:SS.mmm" text.
inline std::int64_t at(const std::string& text) { return CzasStartInt("Emi=" + text); }

// A playlist item as the MIX reader makes it: Emi line and counts agreeing.
inline TPozycja item(const std::string& name, std::int64_t start, std::int64_t grania,
                     const std::string& typ = "Typ=SND") {
    TPozycja r;
    r.set(Field::Emi, "Emi=" + CzasStartString(start));
    r.set(Field::Typ, typ);
    r.set(Field::Tyt, "Tyt=" + name);
    r.set(Field::Wyk, "Wyk=Artist");
    r.set(Field::Trw, "Trw=" + CzasTrwString(grania));
    r.set(Field::NwK, "NwK=" + CzasTrwString(grania));
    r.set(Field::Mix, "Mix=00:00.000");
    r.CzasStart = start;
    r.CzasNwK = grania;
    r.CzasMix = 0;
    r.CzasGrania = grania;
    return r;
}

// An advert spot as the LST reader makes it.
inline TPozycja spot(const std::string& name, std::int64_t block, std::int64_t length) {
    TPozycja r = item(name, block, length, "Typ=REK");
    r.clear(Field::Wyk);
    return r;
}

// The matrix line with breaks at the given full hours (6 .. 22).
inline std::string hoursLine(std::initializer_list<int> hours) {
    std::string line(17, '0');
    for (const int h : hours) {
        line[static_cast<std::size_t>(h - 6)] = '1';
    }
    return line;
}

// Settings for a compile in the tests: Monday, no break sound.
inline CompileSettings settingsFor(BreakMode mode, std::int64_t seconds = 10, bool fade = false) {
    CompileSettings settings;
    settings.mode = mode;
    settings.fade = fade;
    settings.length = BreakLength::clamped(seconds);
    return settings;
}

}  // namespace kalmero::test

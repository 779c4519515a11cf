#pragma once

#include "model/settings.h"

namespace kalmero {

// The week's news breaks and the break sound, as the matrix editor reads and changes them.
// Each store holds its value and writes it at once; a write that fails throws FileError
// with the text the operator sees, the value held all the same.
class BreakSettings {
public:
    virtual ~BreakSettings() = default;

    // The break matrix as a week: a missing file is a week without breaks, short or missing
    // lines are filled up with "off". Throws FileError when the file is there but can't be
    // read.
    virtual BreakWeek readBreakWeek() = 0;
    // One hour of one weekday (`hourIndex` 0 is 06:00); the rest of the file stays as it is,
    // longer and extra lines too. A missing file is created from the week held.
    virtual void storeBreakHour(int day, int hourIndex, bool on) = 0;
    // The whole week, replacing the file with 7 lines of 17.
    virtual void storeBreakWeek(const BreakWeek& week) = 0;

    // The break sound as the configuration holds it now; a key it lacks keeps the value held.
    virtual BreakSound readBreakSound() = 0;
    virtual void storeBreakSound(const BreakSound& sound) = 0;
};

}  // namespace kalmero

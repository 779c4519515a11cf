#pragma once

#include <string>
#include <vector>

#include "cli/day_dates.h"

namespace kalmero {

// Where a day's result and its mark are: the result folder and name pattern of the settings.
class DayFiles {
public:
    DayFiles(std::string folder, std::string pattern)
        : m_folder(std::move(folder)), m_pattern(std::move(pattern)) {}

    // The day's result, as the batch command writes it.
    std::string result(const Day& day) const;
    // Beside the result, hidden from a playout system that lists the folder: the day was
    // written with spots not accounted for, or is on air without a result.
    // ".NAME.niepewny" for NAME.
    std::string mark(const Day& day) const;
    // The days within ten years either side of `today`, and `target`, whose mark is there;
    // only `target` when days of those years share a result's name (no whole date in it).
    std::vector<Day> markedDays(const Day& today, const Day& target) const;

private:
    std::string m_folder;
    std::string m_pattern;
};

// The mark's text: it tells a person who finds it what it means and what comes next, true
// for as long as it stays. `spots` the verdict's lines.
std::string markText(const Day& day, const std::string& written, const std::string& spots);
// The mark of a day on air left without a result by a run at `tried` that ended with `code`:
// once the day is over, nothing else would say it aired with nothing to play.
std::string missingResultText(const Day& day, const std::string& tried, int code);

// Whether `path` is there (any kind of file).
bool present(const std::string& path);

}  // namespace kalmero

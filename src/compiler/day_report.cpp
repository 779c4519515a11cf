#include "compiler/day_report.h"

#include <algorithm>
#include <cstdlib>

#include "compiler/findings.h"
#include "model/czas.h"

namespace kalmero {
namespace {

constexpr std::int64_t kFullHourContentMs = kHourMs;
constexpr std::int64_t kMaxHours = 240;  // ten days

// Hours of a time that may lie before midnight of the day (a senseless Emi reads as 0 or
// less): floor division, so -1 ms is in hour -1, not hour 0.
std::int64_t hourOf(std::int64_t ms) { return ms >= 0 ? ms / kHourMs : (ms + 1) / kHourMs - 1; }

std::string twoDigits(std::int64_t n) { return (n < 10 ? "0" : "") + std::to_string(n); }

// Polish counts in three forms: 1 pozycja, 2 pozycje, 5 pozycji; the verb before them is
// plural only with the second.
bool fewForm(std::size_t n) {
    const std::size_t tens = n % 100;
    const std::size_t units = n % 10;
    return units >= 2 && units <= 4 && (tens < 12 || tens > 14);
}

std::string hourLabel(int hour) {
    return twoDigits(hour % 24) + ":00" +
           (hour >= 24 ? " (+" + std::to_string(hour / 24) + " d)" : "");
}

}  // namespace

bool isNewsBreak(const TPozycja& r) {
    return r.line(Field::Typ) == "Typ=BRK" || r.value(Field::Wyk) == "BREAK";
}

std::int64_t itemEnd(const Lista& result, std::size_t i) {
    const TPozycja& r = result[i];
    std::int64_t end = r.CzasStart + std::max<std::int64_t>(r.CzasGrania, 0);
    if (i + 1 < result.size()) {
        const TPozycja& next = result[i + 1];
        end = std::max(end, std::min(r.CzasStart + r.CzasNwK, next.CzasStart));
        if (isNewsBreak(next) && next.CzasStart >= r.CzasStart) {
            end = std::min(end, next.CzasStart);
        }
    }
    return end;
}

std::optional<std::int64_t> AdvertBlock::drift() const {
    if (!aired) {
        return std::nullopt;
    }
    return *aired - booked;
}

std::vector<AdvertBlock> advertBlocks(const Lista& spots, const Lista& result,
                                      const std::vector<std::size_t>& origin) {
    std::vector<std::vector<std::size_t>> bySpot(spots.size());
    const std::size_t known = std::min(origin.size(), result.size());
    for (std::size_t r = 0; r < known; ++r) {
        if (origin[r] < spots.size()) {
            bySpot[origin[r]].push_back(r);
        }
    }

    std::vector<AdvertBlock> blocks;
    for (std::size_t i = 0; i < spots.size(); ++i) {
        if (blocks.empty() || i == 0 || spots[i].CzasStart != spots[i - 1].CzasStart) {
            AdvertBlock& block = blocks.emplace_back();
            block.booked = spots[i].CzasStart;
            block.firstSpot = i;
        }
        AdvertBlock& block = blocks.back();
        ++block.spotCount;
        block.titles.emplace_back(spots[i].value(Field::Tyt));
        for (const std::size_t r : bySpot[i]) {
            const std::int64_t start = result[r].CzasStart;
            block.aired = block.aired ? std::min(*block.aired, start) : start;
        }
        block.placements.push_back(std::move(bySpot[i]));
    }
    return blocks;
}

bool DayChecks::clean() const {
    return pastMidnightMs == 0 && afterMidnight.empty() && overfullHours.empty() &&
           shortHours.empty() && farBreaks.empty() && driftedBlocks.empty() &&
           unairedBlocks.empty();
}

DayChecks checkDay(const Lista& result, const std::vector<AdvertBlock>& blocks, int breakMode,
                   const DayCheckLimits& limits) {
    DayChecks checks;
    checks.limits = limits;
    checks.breakOffsetsChecked = breakMode == 0;

    for (std::size_t b = 0; b < blocks.size(); ++b) {
        const std::optional<std::int64_t> drift = blocks[b].drift();
        if (!drift) {
            checks.unairedBlocks.push_back({b, blocks[b].booked});
        } else if (limits.driftTooFar(*drift)) {
            checks.driftedBlocks.push_back({b, blocks[b].booked, *blocks[b].aired, *drift});
        }
    }
    if (result.empty()) {
        return checks;
    }

    checks.dayStart = result.front().CzasStart;
    checks.dayEnd = itemEnd(result, 0);
    std::vector<std::int64_t> content;
    int firstHour = -1;
    for (std::size_t i = 0; i < result.size(); ++i) {
        const TPozycja& r = result[i];
        const std::int64_t end = itemEnd(result, i);
        checks.dayStart = std::min(checks.dayStart, r.CzasStart);
        checks.dayEnd = std::max(checks.dayEnd, end);
        if (r.CzasStart >= kDayMs) {
            checks.afterMidnight.push_back({i, r.CzasStart});
        }
        // Before midnight of the day (an unreadable time) there is no clock hour to count in;
        // far beyond the next days a senseless time is not followed.
        const std::int64_t from = std::max<std::int64_t>(r.CzasStart, 0);
        const std::int64_t to = std::min(end, kMaxHours * kHourMs);
        for (std::int64_t at = from; at < to; at = (at / kHourMs + 1) * kHourMs) {
            const auto h = static_cast<std::size_t>(at / kHourMs);
            if (content.size() <= h) {
                content.resize(h + 1, 0);
            }
            content[h] += std::min(to, static_cast<std::int64_t>(h + 1) * kHourMs) - at;
            firstHour =
                firstHour < 0 ? static_cast<int>(h) : std::min(firstHour, static_cast<int>(h));
        }
        if (checks.breakOffsetsChecked && isNewsBreak(r)) {
            const std::int64_t nearest = hourOf(r.CzasStart + kHourMs / 2) * kHourMs;
            const std::int64_t offset = r.CzasStart - nearest;
            if (std::llabs(offset) > limits.breakOffsetMs) {
                checks.farBreaks.push_back({i, r.CzasStart, offset});
            }
        }
    }
    checks.pastMidnightMs = std::max<std::int64_t>(checks.dayEnd - kDayMs, 0);

    const int lastHour = static_cast<int>(content.size()) - 1;
    for (int h = 0; h <= lastHour; ++h) {
        const HourContent hour{h, content[static_cast<std::size_t>(h)]};
        checks.hours.push_back(hour);
        if (hour.contentMs > kFullHourContentMs) {
            checks.overfullHours.push_back(hour);
        } else if (firstHour >= 0 && h > firstHour && h < lastHour &&
                   hour.contentMs < limits.shortHourMs) {
            checks.shortHours.push_back(hour);
        }
    }
    return checks;
}

std::string driftText(std::int64_t ms) {
    const char sign = ms < 0 ? '-' : '+';
    const std::int64_t seconds = (std::llabs(ms) + 500) / 1000;
    const std::int64_t hours = seconds / 3600;
    const std::int64_t minutes = seconds / 60 % 60;
    std::string text(1, sign);
    text += hours > 0 ? std::to_string(hours) + ":" + twoDigits(minutes) : std::to_string(minutes);
    return text + ":" + twoDigits(seconds % 60);
}

std::string minutesText(std::int64_t ms) {
    const std::int64_t seconds = (ms + 500) / 1000;
    return std::to_string(seconds / 60) + ":" + twoDigits(seconds % 60);
}

std::string countedText(std::size_t n, const char* one, const char* few, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : fewForm(n) ? few : many);
}

namespace {

// "HH:MM:SS.mmm" with the hours unbounded, as the result list shows it; without the
// milliseconds when asked.
std::string startText(std::int64_t ms, bool milliseconds) {
    std::string text = CzasStartString(ms);
    if (!milliseconds && ms >= 0) {
        text.resize(text.size() - 4);
    }
    return text;
}

}  // namespace

std::string clockText(std::int64_t ms, bool milliseconds) {
    std::string text = startText(ms, milliseconds);
    if (ms < kDayMs) {
        return text;
    }
    const std::int64_t days = ms / kDayMs;
    return text + " (" + startText(ms % kDayMs, milliseconds) +
           (days == 1 ? " następnego dnia)" : " za " + std::to_string(days) + " dni)");
}

std::string shortClockText(std::int64_t ms) {
    if (ms < 0) {
        return CzasStartString(ms);
    }
    const std::int64_t inHour = ms % 3'600'000;
    std::string text = CzasStartString(ms);
    const std::size_t cut = inHour % 1000 != 0 ? 0 : inHour % 60'000 != 0 ? 4 : 7;
    return text.substr(0, text.size() - cut);
}

std::vector<Finding> checkFindings(const DayChecks& checks) {
    std::vector<Finding> found;
    for (const TimedIndex& block : checks.unairedBlocks) {
        found.push_back(
            {FindingKind::UnairedBlock, "Blok " + shortClockText(block.time) + " nienadany"});
    }
    if (checks.pastMidnightMs > 0) {
        found.push_back({FindingKind::PastMidnight,
                         "Lista kończy się po północy (" + driftText(checks.pastMidnightMs) + ")"});
    }
    for (const BlockDrift& block : checks.driftedBlocks) {
        found.push_back(
            {FindingKind::BlockDrift, "Blok " + shortClockText(block.booked) + " nadany " +
                                          driftText(block.driftMs).substr(1) +
                                          (block.driftMs > 0 ? " później" : " wcześniej")});
    }
    for (const HourContent& hour : checks.overfullHours) {
        found.push_back({FindingKind::OverfullHour, "Godzina " + hourLabel(hour.hour) + " trwa " +
                                                        minutesText(hour.contentMs) +
                                                        " (pozycje nakładają się)"});
    }
    for (const HourContent& hour : checks.shortHours) {
        found.push_back({FindingKind::ShortHour, "Godzina " + hourLabel(hour.hour) +
                                                     " trwa tylko " + minutesText(hour.contentMs) +
                                                     " (przerwa w emisji)"});
    }
    for (const BreakOffset& news : checks.farBreaks) {
        found.push_back({FindingKind::FarBreak, "Break " + shortClockText(news.start) + " o " +
                                                    driftText(news.offsetMs) +
                                                    " od pełnej godziny"});
    }
    return orderedFindings(std::move(found));
}

std::vector<std::string> dayFindings(const DayChecks& checks) {
    return findingTexts(checkFindings(checks));
}

std::string dayChecksSummary(const DayChecks& checks) {
    const auto heading = [](const std::string& what, std::size_t n) {
        return what + ": " + (n == 0 ? std::string("brak") : std::to_string(n)) + "\n";
    };
    std::string text = "Kontrola dnia: od " + clockText(checks.dayStart) + " do " +
                       clockText(checks.dayEnd) + "\n";

    if (checks.pastMidnightMs > 0 || !checks.afterMidnight.empty()) {
        const std::size_t n = checks.afterMidnight.size();
        text += "Lista kończy się po północy (" + driftText(checks.pastMidnightMs) + "); " +
                (fewForm(n) ? "po północy zaczynają się " : "po północy zaczyna się ") +
                countedText(n, "pozycja", "pozycje", "pozycji") + "\n";
        for (const TimedIndex& r : checks.afterMidnight) {
            text += "  " + clockText(r.time) + "\n";
        }
    } else {
        text += "Lista mieści się w dobie\n";
    }

    text +=
        heading("Godziny dłuższe niż 60:00 (pozycje nakładają się)", checks.overfullHours.size());
    for (const HourContent& h : checks.overfullHours) {
        text += "  " + hourLabel(h.hour) + "  " + minutesText(h.contentMs) + "\n";
    }
    text += heading(
        "Godziny krótsze niż " + minutesText(checks.limits.shortHourMs) + " (przerwy w emisji)",
        checks.shortHours.size());
    for (const HourContent& h : checks.shortHours) {
        text += "  " + hourLabel(h.hour) + "  " + minutesText(h.contentMs) + "\n";
    }

    if (checks.breakOffsetsChecked) {
        text += heading(
            "Breaki dalej niż " + minutesText(checks.limits.breakOffsetMs) + " od pełnej godziny",
            checks.farBreaks.size());
        for (const BreakOffset& b : checks.farBreaks) {
            text += "  " + clockText(b.start) + "  " + driftText(b.offsetMs) + "\n";
        }
    }

    text += heading("Bloki reklam przesunięte o więcej niż " + minutesText(checks.limits.driftMs),
                    checks.driftedBlocks.size());
    for (const BlockDrift& d : checks.driftedBlocks) {
        text += "  zamówiony " + clockText(d.booked) + ", nadany " + clockText(d.aired) + "  " +
                driftText(d.driftMs) + "\n";
    }
    text += heading("Bloki reklam nienadane", checks.unairedBlocks.size());
    for (const TimedIndex& b : checks.unairedBlocks) {
        text += "  zamówiony " + clockText(b.time) + "\n";
    }
    return text;
}

std::vector<std::string> spotTimingCells(const std::vector<AdvertBlock>& blocks,
                                         const Lista& result) {
    std::vector<std::string> cells;
    for (const AdvertBlock& block : blocks) {
        for (const std::vector<std::size_t>& placed : block.placements) {
            std::string aired;
            for (const std::size_t r : placed) {
                aired += (aired.empty() ? "" : " ") + CzasStartString(result[r].CzasStart);
            }
            const std::string drift =
                placed.empty() ? ""
                               : std::to_string(result[placed.front()].CzasStart - block.booked);
            cells.push_back(CzasStartString(block.booked) + "," + aired + "," + drift);
        }
    }
    return cells;
}

}  // namespace kalmero

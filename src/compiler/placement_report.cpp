#include "compiler/placement_report.h"

#include <algorithm>
#include <string_view>
#include <utility>

namespace kalmero {

namespace {

std::string field(const TPozycja& r, Field f) { return std::string(r.value(f)); }

std::string spotLine(const TPozycja& spot) {
    return "  " + field(spot, Field::Emi) + "  " + field(spot, Field::Tyt);
}

std::string csvCell(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        return text;
    }
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') {
            quoted += '"';
        }
        quoted += c;
    }
    return quoted + "\"";
}

// A title or path that a spreadsheet would take for a formula is opened with a quote mark;
// a leading TAB or CR too, which some spreadsheets skip before reading the formula.
std::string textCell(const std::string& text) {
    constexpr std::string_view kFormulaStarts("=+-@\t\r", 6);
    const bool formula = !text.empty() && kFormulaStarts.find(text[0]) != std::string_view::npos;
    return csvCell(formula ? "'" + text : text);
}

constexpr std::string_view kUnderDJ = "never placed: its block time lies under a DJ_ record";
constexpr std::string_view kNoWindow = "never placed: its block time lies in no item's window";
const std::string kNothing;
constexpr std::string_view kLengthZero = "length 0: its audio is missing or unreadable";

}  // namespace

PlacementReport::PlacementReport(const Lista& spots, const std::vector<int>& placed,
                                 const Lista& result, std::vector<std::string> problems,
                                 std::int64_t longSpotMs, std::vector<std::string> tried)
    : m_spots(spots),
      m_placed(placed),
      m_problems(std::move(problems)),
      m_longSpotMs(longSpotMs),
      m_tried(std::move(tried)) {
    for (const TPozycja& r : result) {
        if (r.line(Field::Typ) == "Typ=DJ_") {
            m_djSpans.emplace_back(r.CzasStart, r.CzasStart + r.CzasGrania);
        }
    }
}

bool PlacementReport::underDJ(std::size_t i) const {
    const std::int64_t t = m_spots[i].CzasStart;
    return std::any_of(m_djSpans.begin(), m_djSpans.end(),
                       [t](const auto& span) { return span.first <= t && t <= span.second; });
}

int PlacementReport::timesPlaced(std::size_t i) const {
    return i < m_placed.size() ? m_placed[i] : 0;
}

Placement PlacementReport::placement(std::size_t i) const {
    const int times = timesPlaced(i);
    if (times <= 0) {
        return underDJ(i) ? Placement::UnderDJ : Placement::NoWindow;
    }
    return times > 1 ? Placement::Doubled : Placement::Once;
}

bool PlacementReport::silent(std::size_t i) const { return m_spots[i].CzasNwK <= 0; }

bool PlacementReport::suspicious(std::size_t i) const { return m_spots[i].CzasNwK > m_longSpotMs; }

bool PlacementReport::needsAttention(std::size_t i) const {
    return silent(i) || suspicious(i) || placement(i) != Placement::Once;
}

PlacementCounts PlacementReport::counts() const {
    PlacementCounts counts;
    for (std::size_t i = 0; i < m_spots.size(); ++i) {
        const int times = timesPlaced(i);
        counts.placements += static_cast<std::size_t>(std::max(times, 0));
        counts.never += times <= 0 ? 1 : 0;
        counts.distinct += times > 0 ? 1 : 0;
        counts.doubled += times > 1 ? 1 : 0;
        counts.silent += silent(i) ? 1 : 0;
        counts.suspicious += suspicious(i) ? 1 : 0;
    }
    return counts;
}

std::string PlacementReport::reason(std::size_t i) const {
    std::string text;
    switch (placement(i)) {
        case Placement::Once:
            break;
        case Placement::NoWindow:
            text = kNoWindow;
            break;
        case Placement::UnderDJ:
            text = kUnderDJ;
            break;
        case Placement::Doubled: {
            const std::string times = std::to_string(timesPlaced(i));
            text =
                "placed " + times + " times: its block time lies in " + times + " items' windows";
            break;
        }
    }
    // The measuring's own words say why a length is 0 more exactly than the general
    // "missing or unreadable", and saying both would name the cause twice.
    const std::string problem = i < m_problems.size() ? m_problems[i] : std::string();
    if (silent(i)) {
        text += text.empty() ? "" : "; ";
        text += problem.empty() ? std::string(kLengthZero) : "length 0: " + problem;
    }
    if (suspicious(i)) {
        text += text.empty() ? "" : "; ";
        text +=
            "suspicious length: longer than " + std::to_string(m_longSpotMs / 60'000) + " minutes";
    }
    if (!problem.empty() && !silent(i)) {
        text += text.empty() ? "" : "; ";
        text += problem;
    }
    return text;
}

std::string PlacementReport::summary(std::size_t itemsPlaced, std::size_t breaksPlaced) const {
    // Each kind names its first spots only: a hostile list can hold millions, and the full
    // list is the CSV report's job.
    struct Kind {
        std::string lines;
        std::size_t named = 0;
        std::size_t count = 0;
        void add(const std::string& line) {
            ++count;
            if (named < kSummaryLines) {
                lines += line;
                ++named;
            }
        }
        std::string text() const {
            return count > named ? lines + "  ... i jeszcze " + std::to_string(count - named) + "\n"
                                 : lines;
        }
    };
    Kind never;
    Kind doubled;
    Kind silentSpots;
    Kind longSpots;
    for (std::size_t i = 0; i < m_spots.size(); ++i) {
        const Placement where = placement(i);
        if (where == Placement::NoWindow || where == Placement::UnderDJ) {
            never.add(spotLine(m_spots[i]) +
                      (where == Placement::UnderDJ ? "  (pod rekordem DJ_)\n" : "\n"));
        } else if (where == Placement::Doubled) {
            doubled.add(spotLine(m_spots[i]) + "  (" + std::to_string(timesPlaced(i)) + " razy)\n");
        }
        if (silent(i)) {
            silentSpots.add(spotLine(m_spots[i]) + "  " + field(m_spots[i], Field::Adr) + "\n" +
                            sourceLine(i));
        }
        if (suspicious(i)) {
            longSpots.add(spotLine(m_spots[i]) + "  " + field(m_spots[i], Field::Trw) + "  " +
                          field(m_spots[i], Field::Adr) + "\n");
        }
    }
    const PlacementCounts counts = this->counts();
    auto countOrNone = [](std::size_t n) {
        return n == 0 ? std::string("brak") : std::to_string(n);
    };
    std::string text = "Wstawiono: pozycje " + std::to_string(itemsPlaced) + ", breaki " +
                       std::to_string(breaksPlaced) + ", spoty " +
                       std::to_string(counts.placements) + " (" + std::to_string(counts.distinct) +
                       " z " + std::to_string(m_spots.size()) + " spot\xF3w z listy)\n";
    text += "Spoty nigdy niewstawione: " + countOrNone(counts.never) + "\n" + never.text();
    text +=
        "Spoty wstawione wi\xEA"
        "cej ni\xBF raz: " +
        countOrNone(counts.doubled) + "\n" + doubled.text();
    text +=
        "Spoty o d\xB3ugo\x9C"
        "ci 0 (brak pliku albo plik nieczytelny): " +
        countOrNone(counts.silent) + "\n" + silentSpots.text();
    if (counts.suspicious > 0) {
        text += "Spoty d\xB3u\xBFsze ni\xBF " + std::to_string(m_longSpotMs / 60'000) +
                " minut (podejrzane): " + std::to_string(counts.suspicious) + "\n" +
                longSpots.text();
    }
    return text;
}

std::string PlacementReport::sourceLine(std::size_t i) const {
    const std::string& tried = i < m_tried.size() ? m_tried[i] : kNothing;
    const std::string& why = i < m_problems.size() ? m_problems[i] : kNothing;
    if (tried.empty() && why.empty()) {
        return {};
    }
    return "    " +
           (tried.empty() ? why : "sprawdzono " + tried + (why.empty() ? "" : ": " + why)) + "\n";
}

std::vector<std::string> PlacementReport::sourceCells() const {
    std::vector<std::string> cells;
    cells.reserve(m_spots.size());
    for (std::size_t i = 0; i < m_spots.size(); ++i) {
        if (!silent(i)) {
            cells.emplace_back(",,");
            continue;
        }
        cells.push_back(textCell(field(m_spots[i], Field::Adr)) + "," +
                        textCell(i < m_tried.size() ? m_tried[i] : kNothing) + "," +
                        csvCell(i < m_problems.size() ? m_problems[i] : kNothing));
    }
    return cells;
}

std::string PlacementReport::csvField(const std::string& text) { return csvCell(text); }

std::string PlacementReport::csv(std::string_view extraHeader,
                                 const std::vector<std::string>& extraCells) const {
    std::string text = "block time,title,path,length (ms),times placed,reason";
    if (!extraHeader.empty()) {
        text += ",";
        text += extraHeader;
    }
    text += "\r\n";
    for (std::size_t i = 0; i < m_spots.size(); ++i) {
        const TPozycja& spot = m_spots[i];
        const int times = timesPlaced(i);
        text += csvCell(field(spot, Field::Emi)) + "," + textCell(field(spot, Field::Tyt)) + "," +
                textCell(field(spot, Field::Adr)) + "," + std::to_string(spot.CzasNwK) + "," +
                std::to_string(times) + "," + csvCell(reason(i));
        if (!extraHeader.empty()) {
            text += "," + (i < extraCells.size() ? extraCells[i] : std::string());
        }
        text += "\r\n";
    }
    return text;
}

}  // namespace kalmero

#include "session/day_account.h"

#include <algorithm>
#include <utility>

#include "compiler/day_report.h"
#include "compiler/programme_check.h"

namespace kalmero {

namespace {

// The lines of one kind a finding names.
constexpr std::size_t kNamedLines = 3;

// An advert list's line for a person: its number and its text, a long one cut (UTF-8).
std::string lineNoteText(const LstLineNote& note, const Cp1250Decoder& decode) {
    constexpr std::size_t kShown = 40;
    const std::string_view text(note.text);
    return "linia " + std::to_string(note.line) + " „" + decode(text.substr(0, kShown)) +
           (text.size() > kShown ? "…" : "") + "”";
}

// Why spot `i` is not accounted for, in a few Polish words (UTF-8).
std::string spotVerdictText(const PlacementReport& report, std::size_t i,
                            const std::string& problem) {
    std::vector<std::string> parts;
    switch (report.placement(i)) {
        case Placement::Once:
            break;
        case Placement::NoWindow:
        case Placement::UnderDJ:
            parts.emplace_back("nie wstawiony");
            break;
        case Placement::Doubled:
            parts.push_back("wstawiony " + std::to_string(report.timesPlaced(i)) + " razy");
            break;
    }
    if (report.silent(i)) {
        parts.emplace_back("bez długości");
    }
    if (report.suspicious(i)) {
        parts.emplace_back("podejrzanie długi");
    }
    if (!problem.empty()) {
        parts.push_back(problem);
    }
    std::string text;
    for (const std::string& part : parts) {
        text += (text.empty() ? "" : ", ") + part;
    }
    return text;
}

// The label of a finding that names spots.
std::string_view spotsLabel(FindingKind kind) {
    switch (kind) {
        case FindingKind::SpotNotPlaced:
            return "Spoty niewstawione";
        case FindingKind::SpotWithoutLength:
            return "Spoty bez długości";
        case FindingKind::SpotPathTooLong:
            return "Spoty ze ścieżką dłuższą niż pole Adr";
        case FindingKind::SpotCut:
            return "Spoty ucięte";
        case FindingKind::SpotSilence:
            return "Spoty będące ciszą";
        case FindingKind::SpotDoubled:
            return "Spoty wstawione więcej niż raz";
        case FindingKind::SpotTooLong:
            return "Spoty podejrzanie długie";
        case FindingKind::LoudSpot:
            return "Spoty za głośne";
        default:
            return "Spoty";
    }
}

}  // namespace

DayAccount::DayAccount(const SessionTools& tools, const DayLoads& loads, const DayCompile& compiled,
                       const DayMeasuring& measuring, const DayCorrections& corrections,
                       const StationStore& store)
    : m_tools(tools),
      m_loads(loads),
      m_compiled(compiled),
      m_measuring(measuring),
      m_corrections(corrections),
      m_store(store) {}

PlacementReport DayAccount::placementReport() const {
    // The report is Windows-1250 text throughout, as its records are.
    std::vector<std::string> problems;
    std::vector<std::string> tried;
    problems.reserve(m_loads.spotMeasures().size());
    tried.reserve(m_loads.spotMeasures().size());
    for (const SpotMeasure& measure : m_loads.spotMeasures()) {
        problems.push_back(m_tools.encode(measure.problem));
        tried.push_back(measure.ms > 0 ? std::string() : m_tools.encode(measure.localPath));
    }
    return PlacementReport(m_loads.lists().ListaLST, m_compiled.record().placedCounts,
                           m_loads.lists().ListaWynikowa, std::move(problems),
                           m_store.settings().longSpotMs, std::move(tried));
}

std::string DayAccount::placementCsv() const {
    const PlacementReport report = placementReport();
    // Column groups after the report's own, each cell ready to follow a comma.
    std::vector<std::string> cells =
        spotTimingCells(m_compiled.record().blocks, m_loads.lists().ListaWynikowa);
    // Before a compile no spot has timing cells: empty ones keep the columns in line.
    cells.resize(
        report.size(),
        std::string(std::count(kSpotTimingHeader.begin(), kSpotTimingHeader.end(), ','), ','));
    const std::vector<std::string> sources = report.sourceCells();
    const std::vector<std::string> loudness =
        m_measuring.loudness().csvCells(m_loads.lists().ListaLST.size(), m_tools.encode);
    const std::vector<std::string> programme =
        programmeCells(m_measuring.programme(), m_compiled.record().blocks,
                       m_loads.lists().ListaLST.size(), m_tools.encode);
    for (std::size_t i = 0; i < cells.size(); ++i) {
        cells[i] += "," + sources[i] + "," + loudness[i] + "," + programme[i];
    }
    std::string header = std::string(kSpotTimingHeader) + "," +
                         std::string(PlacementReport::kSourceHeader) + "," +
                         std::string(kLoudnessHeader) + "," + std::string(kProgrammeHeader);
    // Only a day corrected on request has the columns: without it the report is as it was.
    if (m_store.settings().corrections.on) {
        const std::vector<std::string> corrected =
            correctionCells(m_corrections.corrections(), cells.size(), m_tools.encode);
        for (std::size_t i = 0; i < cells.size(); ++i) {
            cells[i] += "," + corrected[i];
        }
        header += "," + std::string(kCorrectionHeader);
    }
    return report.csv(header, cells);
}

std::vector<std::size_t> DayAccount::unaccountedSpots() const {
    const PlacementReport report = placementReport();
    std::vector<std::size_t> spots;
    for (std::size_t i = 0; i < report.size(); ++i) {
        // A spot of hours is a broken file's header, not a booking: no day can hold it.
        // A file cut short plays less than was delivered, however well it is placed. A spot
        // of silence would be dead air.
        const bool cut =
            i < m_loads.spotMeasures().size() && m_loads.spotMeasures()[i].kind == SpotProblem::Cut;
        if (report.needsAttention(i) || cut || m_measuring.loudness().verdict(i).silent) {
            spots.push_back(i);
        }
    }
    // A path the result keeps cut names a file that isn't there, whatever the whole measured.
    const std::size_t placed = spots.size();
    for (const LstLineNote& note : m_loads.lineNotes()) {
        if (note.kind == LstLineNote::Kind::PathTooLong && note.spot < report.size()) {
            spots.push_back(note.spot);
        }
    }
    if (spots.size() > placed) {
        std::inplace_merge(spots.begin(), spots.begin() + static_cast<std::ptrdiff_t>(placed),
                           spots.end());
        spots.erase(std::unique(spots.begin(), spots.end()), spots.end());
    }
    return spots;
}

DayVerdict DayAccount::verdict() const {
    DayVerdict verdict;
    verdict.spots = unaccountedSpots();
    for (const LstLineNote& note : m_loads.lineNotes()) {
        if (note.kind != LstLineNote::Kind::PathTooLong) {
            verdict.lines.push_back(note);
        }
    }
    verdict.linesUnnoted = m_loads.linesUnnoted();
    return verdict;
}

std::string DayAccount::verdictText(std::size_t named) const {
    const DayVerdict verdict = this->verdict();
    const PlacementReport report = placementReport();
    std::string text;
    if (!verdict.spots.empty() || verdict.lineCount() == 0) {
        text = std::to_string(verdict.spots.size()) + " z " +
               std::to_string(m_loads.lists().ListaLST.size()) +
               " zamówionych spotów nie weszło dokładnie raz ze zmierzoną długością w limicie "
               "albo jest samą ciszą";
    }
    if (verdict.lineCount() > 0) {
        text += (text.empty() ? "" : "; ") +
                std::string("linie listy LST pominięte albo bez czasu doby: ") +
                std::to_string(verdict.lineCount());
    }
    std::size_t shown = 0;
    for (const std::size_t i : verdict.spots) {
        if (shown++ == named) {
            break;
        }
        const TPozycja& spot = m_loads.lists().ListaLST[i];
        text +=
            "\n  " + shortClockText(spot.CzasStart) + " „" +
            m_tools.decode(spot.value(Field::Tyt)) + "”: " +
            spotVerdictText(report, i,
                            i < m_loads.spotMeasures().size() ? m_loads.spotMeasures()[i].problem
                                                              : std::string());
    }
    for (const LstLineNote& note : verdict.lines) {
        if (shown++ >= named) {
            break;
        }
        text += "\n  " + lineNoteText(note, m_tools.decode);
    }
    if (named > 0 && verdict.count() > named) {
        text += "\n  … i jeszcze " + std::to_string(verdict.count() - named);
    }
    return text;
}

std::string DayAccount::advertLinesSummary() const {
    const DayVerdict verdict = this->verdict();
    if (verdict.lines.empty()) {
        return {};
    }
    std::string text =
        "Linie listy LST pominięte albo bez czasu doby: " + std::to_string(verdict.lineCount()) +
        "\n";
    for (std::size_t i = 0; i < verdict.lines.size(); ++i) {
        if (i == PlacementReport::kSummaryLines) {
            text += "  ... i jeszcze " + std::to_string(verdict.lineCount() - i) + "\n";
            break;
        }
        text += "  " + lineNoteText(verdict.lines[i], m_tools.decode) + "\n";
    }
    return text;
}

std::vector<Finding> DayAccount::findings() const {
    std::vector<Finding> found = checkFindings(m_compiled.record().checks);
    addLineFindings(found);
    addSpotFindings(found);
    for (const BlockAgainstProgramme& block : m_measuring.programme()) {
        if (block.tooLoud) {
            found.push_back({FindingKind::BlockLouderThanProgramme, programmeFindingText(block)});
        }
    }
    return orderedFindings(std::move(found));
}

void DayAccount::addLineFindings(std::vector<Finding>& found) const {
    struct Lines {
        const char* label;
        std::size_t count = 0;
        std::string named;
    };
    Lines lines[] = {{"Pominięte linie listy LST: ", 0, {}},
                     {"Linie listy LST bez czasu doby: ", 0, {}}};
    for (const LstLineNote& note : m_loads.lineNotes()) {
        if (note.kind == LstLineNote::Kind::PathTooLong) {
            continue;
        }
        Lines& kind = lines[note.kind == LstLineNote::Kind::Skipped ? 0 : 1];
        if (++kind.count <= kNamedLines) {
            kind.named += (kind.count == 1 ? " — " : ", ") + lineNoteText(note, m_tools.decode);
        }
    }
    lines[0].count += m_loads.linesUnnoted();
    for (const Lines& kind : lines) {
        if (kind.count > 0) {
            found.push_back(
                {FindingKind::AdvertLine, kind.label + std::to_string(kind.count) + kind.named +
                                              (kind.count > kNamedLines ? " i inne" : "")});
        }
    }
}

void DayAccount::addSpotFindings(std::vector<Finding>& found) const {
    std::vector<std::size_t> cut;
    for (const LstLineNote& note : m_loads.lineNotes()) {
        if (note.kind == LstLineNote::Kind::PathTooLong) {
            cut.push_back(note.spot);
        }
    }
    const std::vector<SpotMeasure>& measures = m_loads.spotMeasures();
    const DayLoudness& loudness = m_measuring.loudness();
    const PlacementReport report = placementReport();
    std::vector<std::size_t> never;
    std::vector<std::size_t> silent;
    std::vector<std::size_t> doubled;
    std::vector<std::size_t> suspicious;
    std::vector<std::size_t> cutShort;
    std::vector<std::size_t> silence;
    for (std::size_t i = 0; i < report.size(); ++i) {
        if (i < measures.size() && measures[i].kind == SpotProblem::Cut) {
            cutShort.push_back(i);
        }
        if (loudness.verdict(i).silent) {
            silence.push_back(i);
        }
        const Placement where = report.placement(i);
        if (where == Placement::NoWindow || where == Placement::UnderDJ) {
            never.push_back(i);
        } else if (where == Placement::Doubled) {
            doubled.push_back(i);
        }
        if (report.silent(i)) {
            silent.push_back(i);
        }
        if (report.suspicious(i)) {
            suspicious.push_back(i);
        }
    }
    const std::vector<std::size_t> loud = loudness.loudSpots();
    const std::pair<FindingKind, const std::vector<std::size_t>*> groups[] = {
        {FindingKind::SpotNotPlaced, &never},    {FindingKind::SpotWithoutLength, &silent},
        {FindingKind::SpotPathTooLong, &cut},    {FindingKind::SpotCut, &cutShort},
        {FindingKind::SpotSilence, &silence},    {FindingKind::SpotDoubled, &doubled},
        {FindingKind::SpotTooLong, &suspicious}, {FindingKind::LoudSpot, &loud},
    };
    for (const auto& [kind, which] : groups) {
        if (!which->empty()) {
            found.push_back(spotsFinding(kind, spotsLabel(kind), m_loads.lists().ListaLST, *which,
                                         m_tools.decode));
        }
    }
}

}  // namespace kalmero

#include "compiler/findings.h"

#include <algorithm>
#include <set>
#include <utility>

namespace kalmero {

namespace {

// Spots named in one finding; the rest are the lists' job.
constexpr std::size_t kNamedSpots = 3;

}  // namespace

std::vector<Finding> orderedFindings(std::vector<Finding> found) {
    std::stable_sort(found.begin(), found.end(),
                     [](const Finding& a, const Finding& b) { return a.kind < b.kind; });
    return found;
}

std::vector<Finding> checkFindings(const DayChecks& checks) {
    const std::vector<std::string> texts = dayFindings(checks);
    // dayFindings says them kind by kind; its kinds are told here in the same order.
    std::vector<FindingKind> kinds(checks.unairedBlocks.size(), FindingKind::UnairedBlock);
    if (checks.pastMidnightMs > 0) {
        kinds.push_back(FindingKind::PastMidnight);
    }
    kinds.insert(kinds.end(), checks.driftedBlocks.size(), FindingKind::BlockDrift);
    kinds.insert(kinds.end(), checks.overfullHours.size(), FindingKind::OverfullHour);
    kinds.insert(kinds.end(), checks.shortHours.size(), FindingKind::ShortHour);
    kinds.insert(kinds.end(), checks.farBreaks.size(), FindingKind::FarBreak);
    std::vector<Finding> found;
    for (std::size_t i = 0; i < texts.size() && i < kinds.size(); ++i) {
        found.push_back({kinds[i], texts[i]});
    }
    return orderedFindings(std::move(found));
}

Finding spotsFinding(FindingKind kind, std::string_view label, const Lista& spots,
                     const std::vector<std::size_t>& which,
                     const std::function<std::string(std::string_view)>& decode) {
    std::set<std::string_view> files;
    std::string named;
    for (const std::size_t i : which) {
        files.insert(spots[i].value(Field::Adr));
    }
    std::size_t shown = 0;
    for (const std::size_t i : which) {
        if (shown == kNamedSpots) {
            named += " i inne";
            break;
        }
        named += (shown++ == 0 ? " — " : ", ") + shortClockText(spots[i].CzasStart) + " „" +
                 decode(spots[i].value(Field::Tyt)) + "”";
    }
    std::string text = std::string(label) + ": " + std::to_string(which.size());
    if (files.size() < which.size()) {
        text += " (" + countedText(files.size(), "plik", "pliki", "plików") + ")";
    }
    return {kind, text + named};
}

std::vector<std::string> findingTexts(const std::vector<Finding>& found) {
    std::vector<std::string> texts;
    texts.reserve(found.size());
    for (const Finding& finding : found) {
        texts.push_back(finding.text);
    }
    return texts;
}

}  // namespace kalmero

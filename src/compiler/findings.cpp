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

#include "model/spot_problem.h"

namespace kalmero {

namespace {

std::string ms(std::int64_t value) { return std::to_string(value) + " ms"; }

// A limit as the operator set it: whole seconds where it is one.
std::string limitText(std::int64_t limitMs) {
    return limitMs % 1'000 == 0 ? std::to_string(limitMs / 1'000) + " s" : ms(limitMs);
}

}  // namespace

bool leavesDayUnaccounted(SpotProblem kind) {
    switch (kind) {
        case SpotProblem::None:
        // The file airs whole; only its figures are in doubt, or ours failed.
        case SpotProblem::LengthDisagrees:
        case SpotProblem::CantMeter:
        case SpotProblem::FormatChanges:
        case SpotProblem::MeasuringFailed:
            return false;
        default:
            return true;
    }
}

bool isCut(SpotProblem kind) {
    return kind == SpotProblem::Cut || kind == SpotProblem::CutInsideFrame ||
           kind == SpotProblem::OggWithoutEnd;
}

bool isLocationProblem(SpotProblem kind) {
    return kind == SpotProblem::EmptyPath || kind == SpotProblem::NoMap ||
           kind == SpotProblem::NotFound || kind == SpotProblem::CaseVariants;
}

std::string spotIssueText(const SpotIssue& issue) {
    switch (issue.kind) {
        case SpotProblem::None:
            return {};
        case SpotProblem::EmptyPath:
            return "pusta ścieżka";
        case SpotProblem::NoMap:
            return "brak mapowania dla " + issue.detail;
        case SpotProblem::NotFound:
            return "brak pliku";
        case SpotProblem::CaseVariants:
            return "kilka nazw różni się tylko wielkością liter: " + issue.detail;
        case SpotProblem::CantOpen:
            return "nie można otworzyć pliku";
        case SpotProblem::NotAFile:
            return "to nie jest zwykły plik";
        case SpotProblem::EmptyFile:
            return "pusty plik";
        case SpotProblem::TooManyTags:
            return "zbyt wiele znaczników ID3";
        case SpotProblem::Unreadable:
            return "nie można odczytać pliku";
        case SpotProblem::LengthOpen:
            return "nagłówek nie podaje długości";
        case SpotProblem::ImpossibleLength:
            return "długość z nagłówka niemożliwa dla rozmiaru pliku";
        case SpotProblem::DecodeTimeout:
            return "dekodowanie przerwane po " + limitText(issue.expected);
        case SpotProblem::NoAudio:
            return "plik bez dźwięku";
        case SpotProblem::ZeroLength:
            return "0 ms";
        case SpotProblem::Cut:
            return "plik ucięty: nagłówek podaje " + ms(issue.expected) + ", w pliku " +
                   ms(issue.found);
        case SpotProblem::CutInsideFrame:
            return "plik ucięty w środku ramki dźwięku";
        case SpotProblem::OggWithoutEnd:
            return "plik ucięty: strumień Ogg bez ostatniej strony";
        case SpotProblem::CantDecode:
            return issue.expected > 0 ? "nie można zdekodować pliku do końca: zdekodowano " +
                                            ms(issue.found) + " z " + ms(issue.expected)
                                      : std::string("nie można zdekodować pliku");
        case SpotProblem::FormatChanges:
            return "format dźwięku zmienia się w pliku";
        case SpotProblem::CantMeter:
            return "nie można zmierzyć głośności tego formatu dźwięku";
        case SpotProblem::LengthDisagrees:
            return "nagłówek podaje " + ms(issue.expected) + ", zdekodowano " + ms(issue.found);
        case SpotProblem::PathTooLong:
            return "ścieżka ma " + std::to_string(issue.found) + " znaków, a pole Adr mieści " +
                   std::to_string(issue.expected) + "; wynik wskazuje plik, którego nie ma";
        case SpotProblem::MeasuringFailed:
            return "błąd pomiaru: " + issue.detail;
    }
    return {};
}

}  // namespace kalmero

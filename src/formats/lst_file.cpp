#include "formats/lst_file.h"

#include <algorithm>
#include <unordered_map>

#include "formats/text_lines.h"
#include "model/czas.h"
#include "model/file_name.h"
#include "model/spot_measure.h"

namespace kalmero {

namespace {

// The "Emi" line from a time line's first 8 characters, every blank among them read as "0".
std::string emissionLine(std::string_view timeLine) {
    std::string time(timeLine.substr(0, 8));
    std::replace(time.begin(), time.end(), ' ', '0');
    return "Emi=" + time + ".000";
}

// Fills a field as key + value with the value cut to the field's capacity first; set()
// cuts the whole line to the capacity again.
void setField(TPozycja& record, Field field, std::string_view value) {
    std::string line(key(field));
    line += '=';
    line += value.substr(0, std::min(value.size(), capacity(field)));
    record.set(field, line);
}

// Whether a time line's first 8 characters, blanks read as "0", are a time of the day.
bool isDayTime(std::string_view timeLine) {
    if (timeLine.size() < 8) {
        return false;
    }
    int pieces[3] = {};
    for (std::size_t p = 0; p < 3; ++p) {
        for (std::size_t c = p * 3; c < p * 3 + 2; ++c) {
            const char digit = timeLine[c] == ' ' ? '0' : timeLine[c];
            if (digit < '0' || digit > '9') {
                return false;
            }
            pieces[p] = pieces[p] * 10 + (digit - '0');
        }
    }
    return timeLine[2] == ':' && timeLine[5] == ':' && pieces[0] < 24 && pieces[1] < 60 &&
           pieces[2] < 60;
}

void fillSpot(TPozycja& spot, std::string_view timeLine, std::string_view pathLine,
              std::int64_t ms) {
    spot = TPozycja{};
    spot.set(Field::Emi, emissionLine(timeLine));
    spot.CzasStart = CzasStartInt(spot.line(Field::Emi));

    const std::string length = CzasTrwString(ms);
    spot.set(Field::Typ, "Typ=REK");
    setField(spot, Field::Trw, length);
    setField(spot, Field::Out, length);
    setField(spot, Field::Mix, "00:00.000");
    setField(spot, Field::NwK, length);
    setField(spot, Field::FOu, length);
    const std::string_view name = audioFileTitle(pathLine);
    setField(spot, Field::Ide, name);
    setField(spot, Field::Tyt, name);
    spot.set(Field::Wyk, "Wyk=reklama");
    setField(spot, Field::Adr, pathLine);

    spot.CzasNwK = ms;
    spot.CzasMix = 0;
    spot.CzasGrania = ms;
}

}  // namespace

void playOtherFile(TPozycja& spot, std::string_view pathLine, std::int64_t ms) {
    const std::string timeLine(spot.line(Field::Emi));
    const std::string title(spot.line(Field::Tyt));
    const std::string identifier(spot.line(Field::Ide));
    fillSpot(spot, timeLine.substr(timeLine.find('=') + 1), pathLine, ms);
    spot.set(Field::Tyt, title);
    spot.set(Field::Ide, identifier);
}

LstReadNotes OtworzPlikLST(std::string_view bytes, const SpotMeasurer& measure, Lista& spots,
                           std::vector<SpotMeasure>& measures, const LineSteps& steps) {
    LstReadNotes notes;
    spots.clear();
    measures.clear();
    const std::vector<std::string_view> lines = splitLines(bytes);
    if (steps) {
        steps(0, lines.size());
    }
    // A spot repeated through the day is the same file: measure each path once per load.
    std::unordered_map<std::string_view, SpotMeasure> measured;
    // And the same record but for its time: later spots of a path copy the first, sharing
    // its text, so a month of adverts costs little more than its distinct files.
    std::unordered_map<std::string_view, std::size_t> firstOfPath;
    std::size_t skipped = 0;
    const auto note = [&](LstLineNote::Kind kind, std::size_t n, std::string_view text) {
        if (kind == LstLineNote::Kind::Skipped && ++skipped > kLstSkippedNoted) {
            ++notes.skippedUnnoted;
            return;
        }
        notes.lines.push_back(
            {kind, n + 1, spots.size(), text.size(), std::string(text.substr(0, kLstNoteText))});
    };
    for (std::size_t n = 0; n < lines.size(); ++n) {
        const bool blank = isBlankText(lines[n], Blanks::UpToSpace);
        // Pairing is by line number alone. A time line with no line after it names no
        // spot and is dropped; the spots before it stay. A path line under a blank time
        // line goes with it: either way a booking may be lost, and is told.
        if (n % 2 == 0 && (blank || n + 1 == lines.size())) {
            if (!blank) {
                note(LstLineNote::Kind::Skipped, n, lines[n]);
            } else if (n + 1 < lines.size() && !isBlankText(lines[n + 1], Blanks::UpToSpace)) {
                note(LstLineNote::Kind::Skipped, n + 1, lines[n + 1]);
            }
        }
        if (n % 2 == 0 && n + 1 < lines.size() && !blank) {
            if (!isDayTime(lines[n])) {
                note(LstLineNote::Kind::BadTime, n, lines[n]);
            }
            // The written record ends its path line at a NUL; the length must be that file's.
            const std::string_view pathLine = cutAtNul(lines[n + 1]);
            if (pathLine.size() < lines[n + 1].size() && notes.pathsCutAtNul++ == 0) {
                notes.firstCutLine = n + 2;
                notes.firstCutSpot = spots.size() + 1;
            }
            if (pathLine.size() > kLstPathKept) {
                note(LstLineNote::Kind::PathTooLong, n + 1, pathLine);
            }
            if (const auto first = firstOfPath.find(pathLine); first != firstOfPath.end()) {
                TPozycja spot = spots[first->second];
                spot.set(Field::Emi, emissionLine(lines[n]));
                spot.CzasStart = CzasStartInt(spot.line(Field::Emi));
                spots.push_back(std::move(spot));
                SpotMeasure same = measures[first->second];
                measures.push_back(std::move(same));
            } else {
                const std::string_view path =
                    pathLine.substr(0, std::min(pathLine.size(), capacity(Field::Adr)));
                auto found = measured.find(path);
                if (found == measured.end()) {
                    found = measured.emplace(path, measure(path)).first;
                }
                fillSpot(spots.emplace_back(), lines[n], pathLine, found->second.ms);
                firstOfPath.emplace(pathLine, spots.size() - 1);
                measures.push_back(found->second);
            }
        }
        if (steps) {
            steps(n + 1, lines.size());
        }
    }
    return notes;
}

void OtworzPlikLST(std::string_view bytes, const SpotMeasurer& measure, Lista& spots,
                   std::vector<std::string>& problems, const LineSteps& steps) {
    std::vector<SpotMeasure> measures;
    OtworzPlikLST(bytes, measure, spots, measures, steps);
    problems.clear();
    problems.reserve(measures.size());
    for (SpotMeasure& measured : measures) {
        problems.push_back(std::move(measured.problem));
    }
}

Lista OtworzPlikLST(std::string_view bytes, const SpotMeasurer& measure) {
    Lista spots;
    std::vector<std::string> problems;
    OtworzPlikLST(bytes, measure, spots, problems);
    return spots;
}

}  // namespace kalmero

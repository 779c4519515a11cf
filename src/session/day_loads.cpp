#include "session/day_loads.h"

#include <cassert>
#include <filesystem>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "compiler/programme_check.h"
#include "formats/lst_file.h"
#include "formats/mix_file.h"
#include "platform/file_io.h"

namespace kalmero {

namespace {

std::vector<std::string> mixWarnings(const MixReadNotes& notes, std::size_t records) {
    std::vector<std::string> warnings;
    if (notes.ignoredAfterNul > 0) {
        warnings.push_back("Plik MIX zawiera bajt NUL w pozycji " + std::to_string(records + 1) +
                           "; pominięto " + std::to_string(notes.ignoredAfterNul) +
                           " bajtów od niego do końca pliku.");
    }
    if (notes.announced && *notes.announced > static_cast<std::int64_t>(records)) {
        warnings.push_back("Plik MIX zapowiada " + std::to_string(*notes.announced) +
                           " pozycji, a zawiera tylko " + std::to_string(records) + ".");
    }
    if (notes.unfinishedFrom > 0) {
        warnings.push_back("Plik MIX urywa się w pozycji " + std::to_string(records + 1) +
                           " (od linii " + std::to_string(notes.unfinishedFrom) +
                           ") przed \"KONIEC OPISU\"; pominięto ją.");
    }
    return warnings;
}

// Why a spot's path goes into the result cut (UTF-8).
std::string pathTooLongText(std::size_t length) {
    return "ścieżka ma " + std::to_string(length) + " znaków, a pole Adr mieści " +
           std::to_string(kLstPathKept) + "; wynik wskazuje plik, którego nie ma";
}

}  // namespace

DayLoads::DayLoads(Progress& progress, const SessionTools& tools)
    : m_progress(progress), m_tools(tools) {}

Outcome DayLoads::loadPlaylist(const std::string& path) {
    // Release the previous playlist before the new file is read, not after.
    ++m_changes;
    m_lists.ListaMIX = Lista{};
    m_programmePaths.clear();
    m_progress.listCleared(ListId::Playlist);
    // Mapped, and given back as the reader moves on: a month's playlist is never held
    // twice, as bytes and as records.
    MappedFile file(path);

    m_progress.status("Ładowanie pliku MIX...");
    const MixReadNotes notes = kalmero::otworzPlikMIX(
        file.bytes(), m_lists.ListaMIX,
        [this](std::size_t done, std::size_t total) { gauge(m_progress, done, total); },
        [&file](std::size_t offset, bool restart) {
            if (restart) {
                file.rewind();
            } else {
                file.release(offset);
            }
        });
    m_progress.rowsAppended(ListId::Playlist, m_lists.ListaMIX.size());
    // Its items' files are looked for only when there are spots to compare with them.
    m_playlistFolder = std::filesystem::path(path).parent_path().string();
    m_progress.status("Ładowanie pliku MIX - gotowe!");
    Outcome outcome;
    outcome.warnings = mixWarnings(notes, m_lists.ListaMIX.size());
    return outcome;
}

Outcome DayLoads::loadAdverts(const std::string& path, const SpotMeasurer& measure,
                              const PathMap& map) {
    ++m_changes;
    m_lists.ListaLST.clear();
    m_spotMeasures.clear();
    m_lstNotes.clear();
    m_lstSkippedUnnoted = 0;
    m_progress.listCleared(ListId::Adverts);
    const std::string bytes = readWholeFile(path);

    m_progress.status("Ładowanie pliku LST...");
    SpotMeasurer ownMeasure;
    if (!measure) {
        assert(m_tools.newMeasurer);
        // A path line with no drive and no share names a file beside the list, as the
        // traffic system wrote it; the current folder depends on how we were started.
        ownMeasure = m_tools.newMeasurer(map, std::filesystem::path(path).parent_path().string());
    }
    std::size_t shown = 0;
    LstReadNotes notes =
        kalmero::OtworzPlikLST(bytes, measure ? measure : ownMeasure, m_lists.ListaLST,
                               m_spotMeasures, [&](std::size_t done, std::size_t total) {
                                   if (done != 0 && m_lists.ListaLST.size() != shown) {
                                       shown = m_lists.ListaLST.size();
                                       m_progress.rowsAppended(ListId::Adverts, shown);
                                   }
                                   gauge(m_progress, done, total);
                               });
    m_lstNotes = std::move(notes.lines);
    m_lstSkippedUnnoted = notes.skippedUnnoted;
    for (const LstLineNote& note : m_lstNotes) {
        // The result names a file cut short, whatever the whole path measured: the
        // spot is told by its path, not by a file that may or may not be missing.
        if (note.kind == LstLineNote::Kind::PathTooLong) {
            m_spotMeasures[note.spot].problem = pathTooLongText(note.length);
        }
    }
    const std::size_t unmeasured = unmeasuredSpots().size();
    m_progress.status(unmeasured == 0 ? std::string("Ładowanie pliku LST zakończone!")
                                      : "Ładowanie pliku LST zakończone! Niezmierzone spoty: " +
                                            std::to_string(unmeasured));
    Outcome outcome;
    if (notes.pathsCutAtNul > 0) {
        outcome.warnings.push_back(
            "Plik LST zawiera bajt NUL w linii " + std::to_string(notes.firstCutLine) + " (spot " +
            std::to_string(notes.firstCutSpot) + ")" +
            (notes.pathsCutAtNul > 1
                 ? " i w " + std::to_string(notes.pathsCutAtNul - 1) + " dalszych liniach"
                 : std::string()) +
            "; ścieżkę wzięto tylko do niego.");
    }
    // A file cut short still plays, so no other line names it.
    constexpr std::size_t kCutSpotsNamed = 5;
    std::size_t cutSpots = 0;
    for (std::size_t i = 0; i < m_spotMeasures.size() && i < m_lists.ListaLST.size(); ++i) {
        const SpotMeasure& spot = m_spotMeasures[i];
        if (spot.kind == SpotProblem::Cut && ++cutSpots <= kCutSpotsNamed) {
            outcome.warnings.push_back(
                "Spot " + m_tools.decode(m_lists.ListaLST[i].value(Field::Emi)) + " " +
                (spot.localPath.empty() ? m_tools.decode(m_lists.ListaLST[i].value(Field::Adr))
                                        : spot.localPath) +
                ": " + spot.problem + ".");
        }
    }
    if (cutSpots > kCutSpotsNamed) {
        outcome.warnings.push_back("... i jeszcze " + std::to_string(cutSpots - kCutSpotsNamed) +
                                   " uciętych spotów.");
    }
    return outcome;
}

std::vector<std::size_t> DayLoads::unmeasuredSpots() const {
    std::vector<std::size_t> spots;
    for (std::size_t i = 0; i < m_lists.ListaLST.size(); ++i) {
        if (m_lists.ListaLST[i].CzasNwK <= 0) {
            spots.push_back(i);
        }
    }
    return spots;
}

void DayLoads::locateProgramme(const PathMap& map) {
    if (m_programmePaths.size() == m_lists.ListaMIX.size() || m_lists.ListaLST.empty()) {
        return;
    }
    m_programmePaths.assign(m_lists.ListaMIX.size(), std::string());
    const FileLocator locate =
        m_tools.newLocator ? m_tools.newLocator(map, m_playlistFolder) : FileLocator{};
    // A day airs its jingles again and again: each path line is looked for once.
    std::unordered_map<std::string_view, std::string> found;
    for (std::size_t i = 0; i < m_lists.ListaMIX.size(); ++i) {
        const TPozycja& item = m_lists.ListaMIX[i];
        const std::string_view line = item.value(Field::Adr);
        if (line.empty() || !isProgrammeItem(item)) {
            continue;
        }
        auto known = found.find(line);
        if (known == found.end()) {
            known = found.emplace(line, locate ? locate(line) : m_tools.decode(line)).first;
        }
        m_programmePaths[i] = known->second;
    }
}

void DayLoads::clear() {
    m_lists.ListaMIX.clear();
    m_lists.ListaLST.clear();
    m_lists.ListaWynikowa.clear();
    m_lists.ListaBreak.clear();
    m_spotMeasures.clear();
    m_programmePaths.clear();
}

}  // namespace kalmero

#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "formats/lst_file.h"
#include "model/lists.h"
#include "model/path_map.h"
#include "model/spot_measure.h"
#include "session/outcome.h"
#include "session/progress.h"
#include "session/session_tools.h"

namespace kalmero {

// The day's lists as loaded, with what loading them found: each spot's measuring, the advert
// list's noted lines and, once needed, each playlist item's programme file. `progress` and
// `tools` must outlive the loads.
class DayLoads {
public:
    DayLoads(Progress& progress, const SessionTools& tools);

    // Replaces ListaMIX with the playlist at `path` (a file-system path). Throws FileError
    // when it can't be read, the list left empty.
    Outcome loadPlaylist(const std::string& path);
    // Replaces ListaLST with the advert list at `path`, measuring each spot with `measure`,
    // or when none is given with the tools' measurer over `map` and the list's own folder.
    // Throws FileError when it can't be read, the list left empty.
    Outcome loadAdverts(const std::string& path, const SpotMeasurer& measure, const PathMap& map);
    // Finds the playlist's programme files through `map` (a relative path within its folder)
    // once per playlist, when there are spots to compare with them.
    void locateProgramme(const PathMap& map);
    // Empties the four lists and what was found with them, as closing the window does.
    void clear();
    // Counts the loads: what a compile reads changed.
    std::uint64_t changes() const { return m_changes; }

    const Lists& lists() const { return m_lists; }
    // For the compile, which replaces ListaBreak and ListaWynikowa.
    Lists& lists() { return m_lists; }
    // Per ListaLST record: what measuring it gave.
    const std::vector<SpotMeasure>& spotMeasures() const { return m_spotMeasures; }
    // For the corrections, which make spots play their lowered copies.
    std::vector<SpotMeasure>& spotMeasures() { return m_spotMeasures; }
    // What the last advert list's load noted of its lines, and the skipped ones only counted.
    const std::vector<LstLineNote>& lineNotes() const { return m_lstNotes; }
    std::size_t linesUnnoted() const { return m_lstSkippedUnnoted; }
    // Per ListaMIX record, its programme file found (UTF-8); "" when none. Empty until
    // locateProgramme.
    const std::vector<std::string>& programmePaths() const { return m_programmePaths; }
    // ListaLST indexes of the spots without a length.
    std::vector<std::size_t> unmeasuredSpots() const;

private:
    Progress& m_progress;
    const SessionTools& m_tools;
    Lists m_lists;
    std::vector<SpotMeasure> m_spotMeasures;
    std::vector<LstLineNote> m_lstNotes;
    std::size_t m_lstSkippedUnnoted = 0;
    std::vector<std::string> m_programmePaths;
    std::string m_playlistFolder;
    std::uint64_t m_changes = 0;
};

}  // namespace kalmero

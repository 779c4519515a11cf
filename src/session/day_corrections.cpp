#include "session/day_corrections.h"

#include <algorithm>

namespace kalmero {

DayCorrections::DayCorrections(Progress& progress, const SessionTools& tools, DayLoads& loads,
                               const DayCompile& compiled, const DayMeasuring& measuring,
                               const StationStore& store)
    : m_progress(progress),
      m_tools(tools),
      m_loads(loads),
      m_compiled(compiled),
      m_measuring(measuring),
      m_store(store) {}

Outcome DayCorrections::correct(bool& aired) {
    aired = false;
    return runCommand([&] {
        if (!m_tools.loudness.correct || !m_measuring.loudness().delivered() ||
            m_loads.lists().ListaWynikowa.empty()) {
            return Outcome{};
        }
        m_progress.status("Poprawianie głośności spotów...");
        const StationSettings& settings = m_store.settings();
        const DayToCorrect day{m_loads.lists().ListaLST,    m_loads.spotMeasures(),
                               m_measuring.loudness(),      m_measuring.programme(),
                               m_compiled.record().origins, settings.loudness,
                               settings.corrections};
        std::vector<SpotCorrection> found =
            correctDay(day, m_tools.loudness.correct, m_tools.decode);
        // Spots corrected before play their copies now and need nothing more: what was done
        // to them stays told.
        for (std::size_t i = 0; i < found.size() && i < m_corrections.size(); ++i) {
            if (found[i].gainDb <= 0 && m_corrections[i].used) {
                found[i] = m_corrections[i];
            }
        }
        aired = std::any_of(found.begin(), found.end(), [&](const SpotCorrection& c) {
            return c.used && c.gainDb > 0 && !c.copyLine.empty() &&
                   m_loads.lists().ListaLST.size() == found.size();
        });
        airCopies(found, m_loads.lists().ListaLST, m_loads.spotMeasures());
        m_corrections = std::move(found);
        m_progress.listCleared(ListId::Adverts);
        m_progress.rowsAppended(ListId::Adverts, m_loads.lists().ListaLST.size());
        m_progress.status("Poprawianie głośności spotów - gotowe!");
        return Outcome{};
    });
}

std::string DayCorrections::summary() const {
    return correctionSummary(m_corrections, m_loads.lists().ListaLST, m_tools.decode);
}

}  // namespace kalmero

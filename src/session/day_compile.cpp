#include "session/day_compile.h"

#include "compiler/compiler.h"
#include "formats/matryca.h"
#include "formats/text_lines.h"
#include "model/file_error.h"
#include "platform/file_io.h"
#include "session/disk_files.h"

namespace kalmero {

std::string missingWeekdayLine(const std::string& matrix, int weekday, std::size_t lines) {
    const std::string day = weekday >= 0 && weekday < 7 ? std::string(kWeekdayNames[weekday])
                                                        : "nr " + std::to_string(weekday);
    return "Matryca breaków \"" + matrix + "\" nie ma wiersza dla dnia: " + day +
           " (w pliku: " + countedText(lines, "wiersz", "wiersze", "wierszy") + ")";
}

DayCompile::DayCompile(Progress& progress, DayLoads& loads, const StationStore& store)
    : m_progress(progress), m_loads(loads), m_store(store) {}

Outcome DayCompile::compile(int weekday, const std::function<void()>& checked) {
    m_weekday = weekday;
    const StationSettings& held = m_store.settings();
    CompileSettings settings;
    settings.mode = held.mode;
    settings.fade = held.fade;
    settings.length = held.length;
    settings.weekday = weekday;
    settings.sound = held.breakSound;
    if (m_loads.lists().ListaMIX.empty()) {
        return Outcome::refused(Refusal::EmptyPlaylist);
    }
    if (settings.mode == BreakMode::NotSelected) {
        return Outcome::refused(Refusal::NoBreakMode);
    }
    if (settings.sound.on && breaksLine(settings.sound.path)) {
        return Outcome::refused(Refusal::LineBreakInSoundPath);
    }
    bool touched = false;
    Outcome outcome = runCommand([&] {
        compileNow(settings, touched);
        checked();
        m_progress.status("Kompilowanie list - gotowe!");
        m_progress.breathe();
        return Outcome{};
    });
    if (!outcome.done() && touched) {
        // Half a day must not be there to be saved.
        m_loads.lists().ListaWynikowa = Lista{};
        m_record = CompileRecord{};
        m_progress.listCleared(ListId::Result);
    }
    return outcome;
}

void DayCompile::compileNow(const CompileSettings& settings, bool& touched) {
    std::string line;
    if (settings.mode != BreakMode::None) {
        // Read before the result is touched, so that a matrix that fails leaves it.
        const std::vector<std::string> lines = readMatrixLines(m_store.files().matrix);
        const auto weekday = static_cast<std::size_t>(settings.weekday);
        if (settings.weekday < 0 || weekday >= lines.size()) {
            throw FileError(
                missingWeekdayLine(m_store.files().matrix, settings.weekday, lines.size()));
        }
        line = lines[weekday];
    }

    touched = true;
    Lists& lists = m_loads.lists();
    m_compiledInputs = inputs();
    m_progress.listCleared(ListId::Result);
    lists.ListaWynikowa.clear();
    m_record = CompileRecord{};
    gauge(m_progress, 0, lists.ListaMIX.size());
    m_progress.status("Kompilowanie list...");
    Compiler compiler(lists, settings);
    std::size_t shown = 0;
    compiler.NowyMozg(line, [&](std::size_t done) {
        if (lists.ListaWynikowa.size() != shown) {
            shown = lists.ListaWynikowa.size();
            m_progress.rowsAppended(ListId::Result, shown);
        }
        gaugeStep(m_progress, done);
    });
    if (lists.ListaWynikowa.size() != shown) {
        m_progress.rowsAppended(ListId::Result, lists.ListaWynikowa.size());
    }
    m_record.placedCounts = compiler.placedCounts();
    m_record.origins = compiler.origins();
    m_record.itemsPlaced = compiler.itemsPlaced();
    m_record.breaksPlaced = compiler.breaksPlaced();
    m_record.settings = settings;
    m_record.blocks = advertBlocks(lists.ListaLST, lists.ListaWynikowa, m_record.origins);
    DayCheckLimits limits;
    limits.driftMs = m_store.settings().driftLimitMs;
    m_record.checks =
        checkDay(lists.ListaWynikowa, m_record.blocks, breakModeIndex(settings.mode), limits);
}

bool DayCompile::resultCurrent() const {
    const StationSettings& held = m_store.settings();
    const CompileSettings& compiled = m_record.settings;
    const bool breaks = held.mode != BreakMode::None;
    // Only what the compile reads counts: the fade in the mode that fades, the rest where
    // breaks are placed.
    return m_compiledInputs == inputs() && compiled.mode == held.mode &&
           compiled.weekday == m_weekday &&
           (held.mode != BreakMode::OnTheHour || compiled.fade == held.fade) &&
           (!breaks || (compiled.length == held.length && compiled.sound.on == held.breakSound.on &&
                        compiled.sound.path == held.breakSound.path));
}

}  // namespace kalmero

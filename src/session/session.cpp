#include "session/session.h"

#include <new>
#include <utility>

#include "compiler/compiler.h"
#include "formats/lst_file.h"
#include "formats/matryca.h"
#include "formats/mix_file.h"
#include "formats/text_lines.h"
#include "model/file_error.h"
#include "platform/file_io.h"
#include "session/disk_files.h"

namespace kalmero {

namespace {

constexpr std::string_view kOutOfMemory =
    "Za mało pamięci, by dokończyć to polecenie; nic nie zostało zapisane.";

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
    return warnings;
}

}  // namespace

std::string_view refusalText(Refusal refusal) {
    switch (refusal) {
        case Refusal::EmptyPlaylist:
            return "Lista MIX jest pusta!";
        case Refusal::NoBreakMode:
            return "Wybierz sposób wstawiania breaków!";
        case Refusal::LineBreakInSoundPath:
            return "Ścieżka dźwięku breaka zawiera znak końca linii lub NUL i nie może trafić "
                   "do pliku MIX!";
        case Refusal::EmptyResultName:
            return "Nazwa pliku wynikowego jest pusta!";
        case Refusal::NothingToSave:
            return "Nie ma czego zapisywać!";
    }
    return {};
}

Outcome Outcome::refused(Refusal refusal) {
    Outcome outcome;
    outcome.kind = Kind::Refused;
    outcome.refusal = refusal;
    outcome.message = std::string(refusalText(refusal));
    return outcome;
}

Outcome Outcome::failed(std::string message) {
    Outcome outcome;
    outcome.kind = Kind::Failed;
    outcome.message = std::move(message);
    return outcome;
}

Session::Session(SessionFiles files, Progress& progress, FolderPath folderPath)
    : m_files(std::move(files)), m_progress(progress), m_folderPath(std::move(folderPath)) {
    if (!m_folderPath) {
        m_folderPath = [](std::string_view folder) { return std::string(folder); };
    }
}

Outcome Session::run(const std::function<Outcome()>& command) {
    try {
        return command();
    } catch (const FileError& error) {
        return Outcome::failed(error.what());
    } catch (const TimeOverflow& error) {
        return Outcome::failed(error.what());
    } catch (const std::bad_alloc&) {
        return Outcome::failed(std::string(kOutOfMemory));
    } catch (const std::length_error&) {
        return Outcome::failed(std::string(kOutOfMemory));
    }
}

StoredSettings Session::readSettings(const FolderCheck& folderExists) {
    StoredSettings stored = OdczytajKonfiguracje(m_files.ini, m_konfiguracja, folderExists);
    m_longSpotMs = stored.longSpotMs;
    return stored;
}

Outcome Session::otworzPlikMIX(const std::string& path) {
    return run([&] {
        // Release the previous playlist before the new file is read, not after.
        m_lists.ListaMIX = Lista{};
        m_progress.listCleared(ListId::Playlist);
        // Mapped, and given back as the reader moves on: a month's playlist is never held
        // twice, as bytes and as records.
        MappedFile file(path);

        m_progress.status("Ładowanie pliku MIX...");
        const MixReadNotes notes = kalmero::otworzPlikMIX(
            file.bytes(), m_lists.ListaMIX,
            [this](std::size_t done, std::size_t total) {
                if (done == 0) {
                    m_progress.gaugeMax(static_cast<std::int64_t>(total));
                    return;
                }
                m_progress.gaugeProgress(static_cast<std::int64_t>(done));
                m_progress.breathe();
            },
            [&file](std::size_t offset, bool restart) {
                if (restart) {
                    file.rewind();
                } else {
                    file.release(offset);
                }
            });
        m_progress.rowsAppended(ListId::Playlist, m_lists.ListaMIX.size());
        m_progress.status("Ładowanie pliku MIX - gotowe!");
        Outcome outcome;
        outcome.warnings = mixWarnings(notes, m_lists.ListaMIX.size());
        return outcome;
    });
}

Outcome Session::OtworzPlikLST(const std::string& path, const SpotMeasurer& measure) {
    return run([&] {
        m_lists.ListaLST.clear();
        m_spotProblems.clear();
        m_progress.listCleared(ListId::Adverts);
        const std::string bytes = readWholeFile(path);

        m_progress.status("Ładowanie pliku LST...");
        std::size_t shown = 0;
        kalmero::OtworzPlikLST(bytes, measure, m_lists.ListaLST, m_spotProblems,
                               [&](std::size_t done, std::size_t total) {
                                   if (done == 0) {
                                       m_progress.gaugeMax(static_cast<std::int64_t>(total));
                                       return;
                                   }
                                   if (m_lists.ListaLST.size() != shown) {
                                       shown = m_lists.ListaLST.size();
                                       m_progress.rowsAppended(ListId::Adverts, shown);
                                   }
                                   m_progress.gaugeProgress(static_cast<std::int64_t>(done));
                                   m_progress.breathe();
                               });
        m_progress.status("Ładowanie pliku LST zakończone!");
        return Outcome{};
    });
}

Outcome Session::compile(const CompileSettings& settings) {
    if (m_lists.ListaMIX.empty()) {
        return Outcome::refused(Refusal::EmptyPlaylist);
    }
    if (settings.mode == BreakMode::NotSelected) {
        return Outcome::refused(Refusal::NoBreakMode);
    }
    if (settings.sound.on && breaksLine(settings.sound.path)) {
        return Outcome::refused(Refusal::LineBreakInSoundPath);
    }
    bool touched = false;
    Outcome outcome = run([&] {
        std::string line;
        if (settings.mode != BreakMode::None) {
            // Read before the result is touched, so that a matrix that fails leaves it.
            const std::vector<std::string> lines = readMatrixLines(m_files.matrix);
            const auto weekday = static_cast<std::size_t>(settings.weekday);
            if (settings.weekday < 0 || weekday >= lines.size()) {
                throw FileError("Break matrix \"" + m_files.matrix + "\" has no line for weekday " +
                                std::to_string(settings.weekday) + " (it holds " +
                                std::to_string(lines.size()) + " lines)");
            }
            line = lines[weekday];
        }

        touched = true;
        m_progress.listCleared(ListId::Result);
        m_lists.ListaWynikowa.clear();
        m_lastCompile = CompileRecord{};
        m_progress.gaugeMax(static_cast<std::int64_t>(m_lists.ListaMIX.size()));
        m_progress.status("Kompilowanie list...");
        Compiler compiler(m_lists, settings);
        std::size_t shown = 0;
        compiler.NowyMozg(line, [&](std::size_t done) {
            if (m_lists.ListaWynikowa.size() != shown) {
                shown = m_lists.ListaWynikowa.size();
                m_progress.rowsAppended(ListId::Result, shown);
            }
            m_progress.gaugeProgress(static_cast<std::int64_t>(done));
            m_progress.breathe();
        });
        if (m_lists.ListaWynikowa.size() != shown) {
            m_progress.rowsAppended(ListId::Result, m_lists.ListaWynikowa.size());
        }
        m_lastCompile.placedCounts = compiler.placedCounts();
        m_lastCompile.origins = compiler.origins();
        m_lastCompile.itemsPlaced = compiler.itemsPlaced();
        m_lastCompile.breaksPlaced = compiler.breaksPlaced();
        m_lastCompile.settings = settings;
        m_progress.status("Kompilowanie list - gotowe!");
        m_progress.breathe();
        return Outcome{};
    });
    if (!outcome.done() && touched) {
        // Half a day must not be there to be saved.
        m_lists.ListaWynikowa = Lista{};
        m_lastCompile = CompileRecord{};
        m_progress.listCleared(ListId::Result);
    }
    return outcome;
}

Outcome Session::save(std::string_view name) {
    if (isBlankText(name, Blanks::CWhitespace)) {
        return Outcome::refused(Refusal::EmptyResultName);
    }
    return saveTo(resultPath(name));
}

std::string Session::resultPath(std::string_view name) const {
    // The output folder ends in "/" when chosen in the program; the name is used as typed.
    return m_folderPath(m_konfiguracja.FolderWynikowy) + std::string(name) + ".mix";
}

Outcome Session::saveTo(const std::string& path) {
    if (m_lists.ListaWynikowa.empty()) {
        return Outcome::refused(Refusal::NothingToSave);
    }
    Outcome outcome = run([&] {
        m_progress.status("Zapisywanie wynikowego pliku MIX...");
        const ReplaceOutcome replaced =
            zapiszNowyMix(path, m_lists.ListaWynikowa, [this](std::size_t done, std::size_t total) {
                if (done == 0) {
                    m_progress.gaugeMax(static_cast<std::int64_t>(total));
                    return;
                }
                m_progress.gaugeProgress(static_cast<std::int64_t>(done));
                m_progress.breathe();
            });
        m_progress.status("Zapisywanie wynikowego pliku MIX - gotowe!");
        Outcome done;
        if (std::string note = replacementNote(replaced); !note.empty()) {
            done.warnings.push_back(std::move(note));
        }
        return done;
    });
    if (!outcome.done()) {
        m_progress.gaugeProgress(0);
        m_progress.status("Zapisywanie wynikowego pliku MIX nie powiodło się.");
    }
    return outcome;
}

BreakSound Session::storedBreakSound() const {
    return {m_konfiguracja.CzyDzwiek, m_konfiguracja.FolderPlikBreak};
}

void Session::storeBreakMode(BreakMode mode) { kalmero::storeBreakMode(m_files.ini, mode); }

void Session::storeFade(bool fade) { kalmero::storeFade(m_files.ini, fade); }

void Session::storeBreakLength(BreakLength length) {
    kalmero::storeBreakLength(m_files.ini, length);
}

PlacementReport Session::placementReport() const {
    return PlacementReport(m_lists.ListaLST, m_lastCompile.placedCounts, m_lists.ListaWynikowa,
                           m_spotProblems, m_longSpotMs);
}

std::vector<AdvertBlock> Session::advertBlocks() const {
    return kalmero::advertBlocks(m_lists.ListaLST, m_lists.ListaWynikowa, m_lastCompile.origins);
}

DayChecks Session::dayChecks(const std::vector<AdvertBlock>& blocks,
                             const DayCheckLimits& limits) const {
    return checkDay(m_lists.ListaWynikowa, blocks, breakModeIndex(m_lastCompile.settings.mode),
                    limits);
}

std::string Session::placementCsv() const {
    const std::vector<AdvertBlock> blocks = advertBlocks();
    return placementReport().csv(kSpotTimingHeader, spotTimingCells(blocks, m_lists.ListaWynikowa));
}

void Session::clear() {
    m_lists.ListaMIX.clear();
    m_lists.ListaLST.clear();
    m_lists.ListaWynikowa.clear();
    m_lists.ListaBreak.clear();
    m_spotProblems.clear();
    m_lastCompile = CompileRecord{};
    for (const ListId list : {ListId::Playlist, ListId::Adverts, ListId::Result}) {
        m_progress.listCleared(list);
    }
}

}  // namespace kalmero

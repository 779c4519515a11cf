#include "session/session.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <filesystem>
#include <limits>
#include <new>
#include <set>
#include <system_error>
#include <type_traits>
#include <utility>

#include "compiler/compiler.h"
#include "formats/ini_document.h"
#include "formats/loudness_targets.h"
#include "formats/lst_file.h"
#include "formats/matryca.h"
#include "formats/mix_file.h"
#include "formats/path_map_settings.h"
#include "formats/text_lines.h"
#include "model/file_error.h"
#include "platform/file_identity.h"
#include "platform/file_io.h"
#include "platform/output_lock.h"
#include "session/disk_files.h"

namespace kalmero {

// The editor's week is the matrix file's grid.
static_assert(std::is_same_v<BreakWeek, MatrixGrid> && kFirstBreakHour == kFirstMatrixHour);

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
    if (notes.unfinishedFrom > 0) {
        warnings.push_back("Plik MIX urywa się w pozycji " + std::to_string(records + 1) +
                           " (od linii " + std::to_string(notes.unfinishedFrom) +
                           ") przed \"KONIEC OPISU\"; pominięto ją.");
    }
    return warnings;
}

// A file the configuration keeps and that a missing one stands in for (an empty week);
// one that can't be looked at counts as missing, and its write then says why.
bool fileExists(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(path, error);
}

// The configuration's keys of the folders, by Folder.
constexpr std::array<std::string_view, 3> kFolderKeys = {"FolderMIX", "FolderLST",
                                                         "FolderWynikowy"};

Konfiguracja breakSoundKeys(const BreakSound& sound) {
    Konfiguracja keys;
    keys.FolderPlikBreak = sound.path;
    keys.CzyDzwiek = sound.on;
    return keys;
}

// "Podgląd dnia"'s place, kept in the configuration beside the settings.
constexpr std::string_view kDayViewSection = "PodgladDnia";
constexpr std::array<std::string_view, 4> kPlaceKeys = {"X", "Y", "Szerokosc", "Wysokosc"};

// A window place as stored; none when a key is missing or not a number, or the place is no
// window's (a size of nothing, or beyond any screen: a hand-edited or broken file).
std::optional<WindowPlace> readWindowPlace(const IniDocument& ini, std::string_view section) {
    constexpr std::int32_t kFarthest = 32767;
    std::array<std::int32_t, 4> values{};
    for (std::size_t i = 0; i < values.size(); ++i) {
        const std::optional<std::int32_t> value = iniInteger(ini, section, kPlaceKeys[i]);
        if (!value || *value < -kFarthest || *value > kFarthest) {
            return std::nullopt;
        }
        values[i] = *value;
    }
    const WindowPlace place{values[0], values[1], values[2], values[3]};
    if (place.width < 1 || place.height < 1) {
        return std::nullopt;
    }
    return place;
}

// `next` with the warnings of the steps before it first.
Outcome afterWarnings(std::vector<std::string> earlier, Outcome next) {
    earlier.insert(earlier.end(), std::make_move_iterator(next.warnings.begin()),
                   std::make_move_iterator(next.warnings.end()));
    next.warnings = std::move(earlier);
    return next;
}

// Why a spot's path goes into the result cut (UTF-8).
std::string pathTooLongText(std::size_t length) {
    return "ścieżka ma " + std::to_string(length) + " znaków, a pole Adr mieści " +
           std::to_string(kLstPathKept) + "; wynik wskazuje plik, którego nie ma";
}

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

SessionFiles SessionFiles::inFolder(const std::string& folder) {
    return {konfiguracjaPath(folder), matrycaPath(folder)};
}

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
        case Refusal::CutPlaylist:
            return "Plik MIX jest niepełny (zobacz ostrzeżenia); w trybie ścisłym nic nie "
                   "zostało zapisane.";
        case Refusal::UnaccountedSpots:
            return "Nie każdy spot został wstawiony dokładnie raz ze zmierzoną długością i "
                   "dźwiękiem albo lista LST ma pominięte linie (zobacz podsumowanie); w trybie "
                   "ścisłym nic nie zostało zapisane.";
        case Refusal::StaleResult:
            return "Wynik nie odpowiada wczytanym listom: naciśnij Przelicz";
        case Refusal::OutputOverInput:
            return "Plik wyjściowy jest plikiem, który ten przebieg czyta; nic nie zostało "
                   "zapisane.";
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

Session::Session(SessionFiles files, Progress& progress)
    : Session(std::move(files), progress, stationTools()) {}

Session::Session(SessionFiles files, Progress& progress, SessionTools tools)
    : m_files(std::move(files)), m_progress(progress), m_tools(std::move(tools)) {
    for (auto* convert : {&m_tools.decode, &m_tools.encode}) {
        if (!*convert) {
            *convert = [](std::string_view text) { return std::string(text); };
        }
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

void Session::gauge(std::size_t done, std::size_t total) {
    if (done == 0) {
        m_progress.gaugeMax(static_cast<std::int64_t>(total));
        return;
    }
    gaugeStep(done);
}

void Session::gaugeStep(std::size_t done) {
    m_progress.gaugeProgress(static_cast<std::int64_t>(done));
    m_progress.breathe();
}

std::string missingWeekdayLine(const std::string& matrix, int weekday, std::size_t lines) {
    const std::string day = weekday >= 0 && weekday < 7 ? std::string(kWeekdayNames[weekday])
                                                        : "nr " + std::to_string(weekday);
    return "Matryca breaków \"" + matrix + "\" nie ma wiersza dla dnia: " + day +
           " (w pliku: " + countedText(lines, "wiersz", "wiersze", "wierszy") + ")";
}

StoredBreak Session::readSettings(const FolderCheck& folderExists) {
    // One reading, one document: a save by another program between two readings would
    // give settings of two versions of the file.
    const IniDocument ini = readIniDocument(m_files.ini);
    Konfiguracja k;
    StoredSettings stored = OdczytajKonfiguracje(ini, k, folderExists);
    m_settings.folders = {k.FolderMIX, k.FolderLST, k.FolderWynikowy};
    m_settings.breakSound = {k.CzyDzwiek, k.FolderPlikBreak};
    m_settings.mode = stored.mode;
    m_settings.fade = stored.fade;
    m_settings.length = BreakLength::clamped(stored.seconds);
    m_settings.driftLimitMs = stored.driftLimitMs;
    m_settings.longSpotMs = stored.longSpotMs;
    m_settings.inPlaceAllowed = stored.inPlaceAllowed;

    m_settings.loudness = parseLoudnessTargets(ini);
    PathMapReading paths = parsePathMap(ini);
    m_settings.pathMap = std::move(paths.map);
    m_settingsWarnings.clear();
    // Read as the nearest length that can stand, but a Time no break can have is a slip
    // the operator should hear of, not a length silently changed.
    if (const auto time = iniInteger(ini, "Break", "Time");
        time && *time != BreakLength::clamped(*time).seconds()) {
        m_settingsWarnings.push_back("Długość breaka Time=" + std::to_string(*time) + " w " +
                                     m_files.ini + " jest poza zakresem 0.." +
                                     std::to_string(BreakLength::kMaxSeconds) + " s; przyjęto " +
                                     std::to_string(BreakLength::clamped(*time).seconds()) + " s.");
    }
    for (const RefusedPathMapLine& refused : paths.refused) {
        m_settingsWarnings.push_back("Pominięto linię mapy ścieżek [" +
                                     std::string(kPathMapSection) + "] " +
                                     m_tools.decode(refused.line) + " (" + refused.why + ")");
    }
    m_settings.dayViewPlace = readWindowPlace(ini, kDayViewSection);
    m_keysAsRead.clear();
    std::vector<IniEntry> shown = {fadeEntry(m_settings.fade), breakLengthEntry(m_settings.length)};
    if (std::optional<IniEntry> mode = breakModeEntry(m_settings.mode)) {
        shown.push_back(std::move(*mode));
    }
    for (IniEntry& entry : shown) {
        if (ini.value(entry.section, entry.key) == entry.value) {
            m_keysAsRead.push_back(std::move(entry));
        }
    }
    return {stored.mode, stored.fade, stored.seconds};
}

void Session::storeKey(const IniEntry& entry) {
    const auto asRead =
        std::find_if(m_keysAsRead.begin(), m_keysAsRead.end(), [&entry](const IniEntry& read) {
            return read.section == entry.section && read.key == entry.key;
        });
    if (asRead != m_keysAsRead.end()) {
        const bool unchanged = asRead->value == entry.value;
        m_keysAsRead.erase(asRead);
        if (unchanged) {
            return;
        }
    }
    iniWriteEntries(m_files.ini, {entry});
}

void Session::overrideSettings(const SettingOverrides& overrides) {
    m_settings.mode = overrides.mode.value_or(m_settings.mode);
    m_settings.fade = overrides.fade.value_or(m_settings.fade);
    m_settings.length = overrides.length.value_or(m_settings.length);
    m_settings.breakSound = overrides.breakSound.value_or(m_settings.breakSound);
    m_settings.driftLimitMs = overrides.driftLimitMs.value_or(m_settings.driftLimitMs);
    m_settings.inPlaceAllowed = overrides.inPlaceAllowed.value_or(m_settings.inPlaceAllowed);
    if (!overrides.pathMapAdded.empty()) {
        PathMap map = overrides.pathMapAdded;
        for (const PathMapLine& stored : m_settings.pathMap.lines()) {
            // Refused only for a prefix the added lines already give.
            map.add(stored.prefix, stored.folder);
        }
        m_settings.pathMap = std::move(map);
    }
}

void Session::storeFolder(Folder which, std::string folderCp1250) {
    const auto index = static_cast<std::size_t>(which);
    m_settings.folders[index] = std::move(folderCp1250);
    iniWriteString(m_files.ini, "Foldery", kFolderKeys[index], m_settings.folders[index]);
}

void Session::storeBreakMode(BreakMode mode) {
    m_settings.mode = mode;
    if (const std::optional<IniEntry> entry = breakModeEntry(mode)) {
        storeKey(*entry);
    }
}

void Session::storeFade(bool fade) {
    m_settings.fade = fade;
    storeKey(fadeEntry(fade));
}

void Session::storeBreakLength(BreakLength length) {
    m_settings.length = length;
    storeKey(breakLengthEntry(length));
}

void Session::storePathMap(PathMap map) {
    // The editor's OK stores the map, changed or not.
    m_inputsChanged += map != m_settings.pathMap ? 1 : 0;
    m_settings.pathMap = std::move(map);
    // The lines the start-up reading passed over go with the section's old lines.
    m_settingsWarnings.clear();
    iniRewrite(m_files.ini, [this](std::string bytes) -> std::optional<std::string> {
        return withPathMap(std::move(bytes), m_settings.pathMap);
    });
}

void Session::storeDayViewPlace(const WindowPlace& place) {
    m_settings.dayViewPlace = place;
    const std::array<int, 4> values = {place.x, place.y, place.width, place.height};
    std::vector<IniEntry> entries;
    for (std::size_t i = 0; i < values.size(); ++i) {
        entries.push_back({kDayViewSection, kPlaceKeys[i], std::to_string(values[i])});
    }
    // One replacement: a moved window is stored whole or not at all.
    iniWriteEntries(m_files.ini, entries);
}

BreakWeek Session::readBreakWeek() {
    std::vector<std::string> lines;
    if (fileExists(m_files.matrix)) {
        lines = readMatrixLines(m_files.matrix);
    }
    m_breakWeek = gridFromLines(padMatrixLines(std::move(lines)));
    return m_breakWeek;
}

void Session::storeBreakHour(int day, int hourIndex, bool on) {
    assert(day >= 0 && day < kWeekdays && hourIndex >= 0 && hourIndex < kBreakHours);
    bool& hour = m_breakWeek[static_cast<std::size_t>(day)][static_cast<std::size_t>(hourIndex)];
    m_inputsChanged += hour != on ? 1 : 0;
    hour = on;
    if (fileExists(m_files.matrix)) {
        ZmienStan(m_files.matrix, day, hourIndex, on);
    } else {
        writeFileAtomically(m_files.matrix, matrixFileText(m_breakWeek));
    }
}

void Session::storeBreakWeek(const BreakWeek& week) {
    // The editor stores its week when it closes, changed or not.
    m_inputsChanged += week != m_breakWeek ? 1 : 0;
    m_breakWeek = week;
    writeFileAtomically(m_files.matrix, matrixFileText(week));
}

BreakSound Session::readBreakSound() {
    Konfiguracja keys = breakSoundKeys(m_settings.breakSound);
    readBreakSoundSettings(m_files.ini, keys);
    m_settings.breakSound = {keys.CzyDzwiek, keys.FolderPlikBreak};
    return m_settings.breakSound;
}

void Session::storeBreakSound(const BreakSound& sound) {
    m_settings.breakSound = sound;
    const Konfiguracja keys = breakSoundKeys(sound);
    kalmero::storeBreakSound(m_files.ini, keys);
}

Outcome Session::otworzPlikMIX(const std::string& path) {
    return run([&] {
        // Release the previous playlist before the new file is read, not after.
        ++m_inputsChanged;
        m_lists.ListaMIX = Lista{};
        m_programmePaths.clear();
        forgetLoudness();
        m_progress.listCleared(ListId::Playlist);
        // Mapped, and given back as the reader moves on: a month's playlist is never held
        // twice, as bytes and as records.
        MappedFile file(path);

        m_progress.status("Ładowanie pliku MIX...");
        const MixReadNotes notes = kalmero::otworzPlikMIX(
            file.bytes(), m_lists.ListaMIX,
            [this](std::size_t done, std::size_t total) { gauge(done, total); },
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
    });
}

Outcome Session::OtworzPlikLST(const std::string& path, const SpotMeasurer& measure) {
    return run([&] {
        ++m_inputsChanged;
        m_lists.ListaLST.clear();
        m_spotMeasures.clear();
        m_lstNotes.clear();
        m_lstSkippedUnnoted = 0;
        forgetLoudness();
        m_progress.listCleared(ListId::Adverts);
        const std::string bytes = readWholeFile(path);

        m_progress.status("Ładowanie pliku LST...");
        SpotMeasurer ownMeasure;
        if (!measure) {
            assert(m_tools.newMeasurer);
            // A path line with no drive and no share names a file beside the list, as the
            // traffic system wrote it; the current folder depends on how we were started.
            ownMeasure = m_tools.newMeasurer(m_settings.pathMap,
                                             std::filesystem::path(path).parent_path().string());
        }
        std::size_t shown = 0;
        LstReadNotes notes =
            kalmero::OtworzPlikLST(bytes, measure ? measure : ownMeasure, m_lists.ListaLST,
                                   m_spotMeasures, [&](std::size_t done, std::size_t total) {
                                       if (done != 0 && m_lists.ListaLST.size() != shown) {
                                           shown = m_lists.ListaLST.size();
                                           m_progress.rowsAppended(ListId::Adverts, shown);
                                       }
                                       gauge(done, total);
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
                "Plik LST zawiera bajt NUL w linii " + std::to_string(notes.firstCutLine) +
                " (spot " + std::to_string(notes.firstCutSpot) + ")" +
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
            outcome.warnings.push_back(
                "... i jeszcze " + std::to_string(cutSpots - kCutSpotsNamed) + " uciętych spotów.");
        }
        return outcome;
    });
}

Outcome Session::compile(int weekday) {
    m_weekday = weekday;
    CompileSettings settings;
    settings.mode = m_settings.mode;
    settings.fade = m_settings.fade;
    settings.length = m_settings.length;
    settings.weekday = weekday;
    settings.sound = m_settings.breakSound;
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
            const auto day = static_cast<std::size_t>(settings.weekday);
            if (settings.weekday < 0 || day >= lines.size()) {
                throw FileError(missingWeekdayLine(m_files.matrix, settings.weekday, lines.size()));
            }
            line = lines[day];
        }

        touched = true;
        m_compiledInputs = m_inputsChanged;
        m_progress.listCleared(ListId::Result);
        m_lists.ListaWynikowa.clear();
        m_lastCompile = CompileRecord{};
        gauge(0, m_lists.ListaMIX.size());
        m_progress.status("Kompilowanie list...");
        Compiler compiler(m_lists, settings);
        std::size_t shown = 0;
        compiler.NowyMozg(line, [&](std::size_t done) {
            if (m_lists.ListaWynikowa.size() != shown) {
                shown = m_lists.ListaWynikowa.size();
                m_progress.rowsAppended(ListId::Result, shown);
            }
            gaugeStep(done);
        });
        if (m_lists.ListaWynikowa.size() != shown) {
            m_progress.rowsAppended(ListId::Result, m_lists.ListaWynikowa.size());
        }
        m_lastCompile.placedCounts = compiler.placedCounts();
        m_lastCompile.origins = compiler.origins();
        m_lastCompile.itemsPlaced = compiler.itemsPlaced();
        m_lastCompile.breaksPlaced = compiler.breaksPlaced();
        m_lastCompile.settings = settings;
        m_lastCompile.blocks =
            advertBlocks(m_lists.ListaLST, m_lists.ListaWynikowa, m_lastCompile.origins);
        DayCheckLimits limits;
        limits.driftMs = m_settings.driftLimitMs;
        m_lastCompile.checks = checkDay(m_lists.ListaWynikowa, m_lastCompile.blocks,
                                        breakModeIndex(settings.mode), limits);
        checkProgramme();
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
    return m_tools.decode(m_settings.folder(Folder::Results)) + std::string(name) + ".mix";
}

bool Session::resultCurrent() const {
    const CompileSettings& compiled = m_lastCompile.settings;
    const bool breaks = m_settings.mode != BreakMode::None;
    // Only what the compile reads counts: the fade in the mode that fades, the rest where
    // breaks are placed.
    return m_compiledInputs == m_inputsChanged && compiled.mode == m_settings.mode &&
           compiled.weekday == m_weekday &&
           (m_settings.mode != BreakMode::OnTheHour || compiled.fade == m_settings.fade) &&
           (!breaks || (compiled.length == m_settings.length &&
                        compiled.sound.on == m_settings.breakSound.on &&
                        compiled.sound.path == m_settings.breakSound.path));
}

Outcome Session::saveTo(const std::string& path) {
    if (m_lists.ListaWynikowa.empty()) {
        return Outcome::refused(Refusal::NothingToSave);
    }
    if (!resultCurrent()) {
        return Outcome::refused(Refusal::StaleResult);
    }
    return writeOutputs(path, {});
}

Outcome Session::writeOutputs(const std::string& path,
                              const std::vector<std::pair<std::string, std::string>>& others) {
    Outcome outcome = run([&] {
        m_progress.status("Zapisywanie wynikowego pliku MIX...");
        const OutputLock lock(path);
        StagedWrites outputs(m_settings.inPlaceAllowed ? InPlace::Allowed : InPlace::Refused);
        for (const auto& [otherPath, bytes] : others) {
            outputs.stage(otherPath).append(bytes);
        }
        // Last: the result is what claims the run, so it is the last to be put in place.
        appendMix(outputs.stage(path), m_lists.ListaWynikowa,
                  [this](std::size_t done, std::size_t total) { gauge(done, total); });
        const std::vector<ReplaceOutcome> replaced = outputs.commitAll();
        m_progress.status("Zapisywanie wynikowego pliku MIX - gotowe!");
        Outcome done;
        if (!lock.warning().empty()) {
            done.warnings.push_back(lock.warning());
        }
        for (std::size_t i = 0; i < replaced.size(); ++i) {
            std::string note = replacementNote(replaced[i]);
            if (note.empty()) {
                continue;
            }
            // The result's note stands alone, as the window shows it; the others say whose.
            done.warnings.push_back(i < others.size() ? others[i].first + ": " + note
                                                      : std::move(note));
        }
        return done;
    });
    if (!outcome.done()) {
        m_progress.gaugeProgress(0);
        m_progress.status("Zapisywanie wynikowego pliku MIX nie powiodło się.");
    }
    return outcome;
}

Outcome Session::runDay(const DayRun& day, const SpotMeasurer& measure,
                        DayPictureWriter& pictures) {
    if (m_settings.mode == BreakMode::NotSelected) {
        return Outcome::refused(Refusal::NoBreakMode);
    }
    if (Outcome clear = outputsClearOfInputs(day, false); !clear.done()) {
        return clear;
    }
    Outcome loaded = loadDay(day, measure);
    if (!loaded.done()) {
        return loaded;
    }
    Outcome compiled = afterWarnings(std::move(loaded.warnings), compile(day.weekday));
    if (!compiled.done()) {
        return compiled;
    }
    // A playlist of DJ_ records alone compiles to nothing, and an empty playlist written
    // over last night's would mean dead air.
    if (m_lists.ListaWynikowa.empty()) {
        return afterWarnings(std::move(compiled.warnings),
                             Outcome::refused(Refusal::NothingToSave));
    }
    if (day.strict && !verdict().accounted()) {
        return afterWarnings(std::move(compiled.warnings),
                             Outcome::refused(Refusal::UnaccountedSpots));
    }
    // The spots' files are known once the advert list is read.
    if (Outcome clear = outputsClearOfInputs(day, true); !clear.done()) {
        return afterWarnings(std::move(compiled.warnings), std::move(clear));
    }
    return afterWarnings(std::move(compiled.warnings), writeDay(day, pictures));
}

Outcome Session::checkDayOutputs(const DayRun& day) {
    Outcome clear = outputsClearOfInputs(day, false);
    if (!clear.done() || day.adverts.empty()) {
        return clear;
    }
    if (!OtworzPlikLST(day.adverts).done()) {
        return Outcome{};
    }
    return outputsClearOfInputs(day, true);
}

Outcome Session::outputsClearOfInputs(const DayRun& day, bool withSpots) const {
    std::vector<std::pair<std::string, std::string>> inputs = {
        {day.playlist, "lista MIX"},
        {day.adverts, "lista LST"},
        {m_files.ini, "plik konfiguracji w użyciu"},
        {m_files.matrix, "plik siatki breaków w użyciu"},
    };
    if (m_settings.breakSound.on) {
        inputs.emplace_back(m_tools.decode(m_settings.breakSound.path), "dźwięk breaka");
    }
    if (const std::string& cache = m_tools.loudness.cacheFile; !cache.empty()) {
        for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
            inputs.emplace_back(cache + suffix, "pamięć pomiarów spotów");
        }
    }
    std::set<std::string> spots;
    for (const SpotMeasure& measure : m_spotMeasures) {
        if (withSpots && !measure.localPath.empty() && spots.insert(measure.localPath).second) {
            inputs.emplace_back(measure.localPath, "plik spotu z listy LST");
        }
    }
    for (const std::string* output : {&day.result, &day.report, &day.picture}) {
        for (const auto& [input, what] : inputs) {
            if (!output->empty() && !input.empty() && sameFile(*output, input)) {
                Outcome refused = Outcome::refused(Refusal::OutputOverInput);
                refused.message += " " + *output + ": " + what + " (" + input + ").";
                return refused;
            }
        }
    }
    return Outcome{};
}

Outcome Session::loadDay(const DayRun& day, const SpotMeasurer& measure) {
    Outcome outcome = otworzPlikMIX(day.playlist);
    if (!outcome.done()) {
        return outcome;
    }
    if (day.strict && !outcome.warnings.empty()) {
        return afterWarnings(std::move(outcome.warnings), Outcome::refused(Refusal::CutPlaylist));
    }
    if (m_lists.ListaMIX.empty()) {
        return afterWarnings(std::move(outcome.warnings), Outcome::refused(Refusal::EmptyPlaylist));
    }
    if (day.adverts.empty()) {
        return outcome;
    }
    outcome = afterWarnings(std::move(outcome.warnings), OtworzPlikLST(day.adverts, measure));
    if (!outcome.done()) {
        return outcome;
    }
    return afterWarnings(std::move(outcome.warnings), measureLoudness());
}

Outcome Session::writeDay(const DayRun& day, DayPictureWriter& pictures) {
    std::vector<std::pair<std::string, std::string>> others;
    const Outcome drawn = run([&] {
        if (!day.report.empty()) {
            others.emplace_back(day.report, m_tools.decode(placementCsv()));
        }
        if (!day.picture.empty()) {
            const std::optional<PictureKind> kind = pictureKindOf(day.picture);
            if (!kind) {
                return Outcome::failed("Nieznany rodzaj pliku \"" + day.picture +
                                       "\": obraz zapisuje się jako .png lub .pdf.");
            }
            const DayTitle title{
                day.date, day.weekday, std::filesystem::path(day.playlist).filename().string(),
                std::filesystem::path(day.adverts).filename().string(), findingTexts(findings())};
            others.emplace_back(day.picture, pictures.renderDayPicture(
                                                 *kind, m_lists.ListaWynikowa, m_lastCompile.blocks,
                                                 m_lastCompile.checks, title));
        }
        return Outcome{};
    });
    return drawn.done() ? writeOutputs(day.result, others) : drawn;
}

PlacementReport Session::placementReport() const {
    // The report is Windows-1250 text throughout, as its records are.
    std::vector<std::string> problems;
    std::vector<std::string> tried;
    problems.reserve(m_spotMeasures.size());
    tried.reserve(m_spotMeasures.size());
    for (const SpotMeasure& measure : m_spotMeasures) {
        problems.push_back(m_tools.encode(measure.problem));
        tried.push_back(measure.ms > 0 ? std::string() : m_tools.encode(measure.localPath));
    }
    return PlacementReport(m_lists.ListaLST, m_lastCompile.placedCounts, m_lists.ListaWynikowa,
                           std::move(problems), m_settings.longSpotMs, std::move(tried));
}

std::string Session::placementCsv() const {
    const PlacementReport report = placementReport();
    // Column groups after the report's own, each cell ready to follow a comma.
    std::vector<std::string> cells = spotTimingCells(m_lastCompile.blocks, m_lists.ListaWynikowa);
    // Before a compile no spot has timing cells: empty ones keep the columns in line.
    cells.resize(
        report.size(),
        std::string(std::count(kSpotTimingHeader.begin(), kSpotTimingHeader.end(), ','), ','));
    const std::vector<std::string> sources = report.sourceCells();
    const std::vector<std::string> loudness =
        m_loudness.csvCells(m_lists.ListaLST.size(), m_tools.encode);
    const std::vector<std::string> programme =
        programmeCells(m_programme, m_lastCompile.blocks, m_lists.ListaLST.size(), m_tools.encode);
    for (std::size_t i = 0; i < cells.size(); ++i) {
        cells[i] += "," + sources[i] + "," + loudness[i] + "," + programme[i];
    }
    return report.csv(std::string(kSpotTimingHeader) + "," +
                          std::string(PlacementReport::kSourceHeader) + "," +
                          std::string(kLoudnessHeader) + "," + std::string(kProgrammeHeader),
                      cells);
}

std::vector<std::size_t> Session::unmeasuredSpots() const {
    std::vector<std::size_t> spots;
    for (std::size_t i = 0; i < m_lists.ListaLST.size(); ++i) {
        if (m_lists.ListaLST[i].CzasNwK <= 0) {
            spots.push_back(i);
        }
    }
    return spots;
}

std::vector<std::size_t> Session::unaccountedSpots() const {
    const PlacementReport report = placementReport();
    std::vector<std::size_t> spots;
    for (std::size_t i = 0; i < report.size(); ++i) {
        // A spot of hours is a broken file's header, not a booking: no day can hold it.
        // A file cut short plays less than was delivered, however well it is placed. A spot
        // of silence would be dead air.
        const bool cut = i < m_spotMeasures.size() && m_spotMeasures[i].kind == SpotProblem::Cut;
        if (report.needsAttention(i) || cut || m_loudness.verdict(i).silent) {
            spots.push_back(i);
        }
    }
    // A path the result keeps cut names a file that isn't there, whatever the whole measured.
    const std::size_t placed = spots.size();
    for (const LstLineNote& note : m_lstNotes) {
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

DayVerdict Session::verdict() const {
    DayVerdict verdict;
    verdict.spots = unaccountedSpots();
    for (const LstLineNote& note : m_lstNotes) {
        if (note.kind != LstLineNote::Kind::PathTooLong) {
            verdict.lines.push_back(note);
        }
    }
    verdict.linesUnnoted = m_lstSkippedUnnoted;
    return verdict;
}

std::string Session::verdictText(std::size_t named) const {
    const DayVerdict verdict = this->verdict();
    const PlacementReport report = placementReport();
    std::string text;
    if (!verdict.spots.empty() || verdict.lineCount() == 0) {
        text = std::to_string(verdict.spots.size()) + " z " +
               std::to_string(m_lists.ListaLST.size()) +
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
        const TPozycja& spot = m_lists.ListaLST[i];
        text +=
            "\n  " + shortClockText(spot.CzasStart) + " „" +
            m_tools.decode(spot.value(Field::Tyt)) + "”: " +
            spotVerdictText(report, i,
                            i < m_spotMeasures.size() ? m_spotMeasures[i].problem : std::string());
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

std::string Session::advertLinesSummary() const {
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

std::vector<Finding> Session::findings() const {
    std::vector<Finding> found = checkFindings(m_lastCompile.checks);
    const Lista& spots = m_lists.ListaLST;
    // Each kind of line by its count and first few lines.
    struct Lines {
        const char* label;
        std::size_t count = 0;
        std::string named;
    };
    Lines lines[] = {{"Pominięte linie listy LST: ", 0, {}},
                     {"Linie listy LST bez czasu doby: ", 0, {}}};
    std::vector<std::size_t> cut;
    for (const LstLineNote& note : m_lstNotes) {
        if (note.kind == LstLineNote::Kind::PathTooLong) {
            cut.push_back(note.spot);
            continue;
        }
        Lines& kind = lines[note.kind == LstLineNote::Kind::Skipped ? 0 : 1];
        if (++kind.count <= kNamedLines) {
            kind.named += (kind.count == 1 ? " — " : ", ") + lineNoteText(note, m_tools.decode);
        }
    }
    lines[0].count += m_lstSkippedUnnoted;
    for (const Lines& kind : lines) {
        if (kind.count > 0) {
            found.push_back(
                {FindingKind::AdvertLine, kind.label + std::to_string(kind.count) + kind.named +
                                              (kind.count > kNamedLines ? " i inne" : "")});
        }
    }
    const PlacementReport report = placementReport();
    std::vector<std::size_t> never;
    std::vector<std::size_t> silent;
    std::vector<std::size_t> doubled;
    std::vector<std::size_t> suspicious;
    std::vector<std::size_t> cutShort;
    std::vector<std::size_t> silence;
    for (std::size_t i = 0; i < report.size(); ++i) {
        if (i < m_spotMeasures.size() && m_spotMeasures[i].kind == SpotProblem::Cut) {
            cutShort.push_back(i);
        }
        if (m_loudness.verdict(i).silent) {
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
    const std::vector<std::size_t> loud = m_loudness.loudSpots();
    const std::pair<FindingKind, const std::vector<std::size_t>*> groups[] = {
        {FindingKind::SpotNotPlaced, &never},    {FindingKind::SpotWithoutLength, &silent},
        {FindingKind::SpotPathTooLong, &cut},    {FindingKind::SpotCut, &cutShort},
        {FindingKind::SpotSilence, &silence},    {FindingKind::SpotDoubled, &doubled},
        {FindingKind::SpotTooLong, &suspicious}, {FindingKind::LoudSpot, &loud},
    };
    for (const auto& [kind, which] : groups) {
        if (!which->empty()) {
            found.push_back(spotsFinding(kind, spotsLabel(kind), spots, *which, m_tools.decode));
        }
    }
    for (const BlockAgainstProgramme& block : m_programme) {
        if (block.tooLoud) {
            found.push_back({FindingKind::BlockLouderThanProgramme, programmeFindingText(block)});
        }
    }
    return orderedFindings(std::move(found));
}

LoudnessPlan Session::loudnessPlan() const {
    std::vector<std::string> localPaths;
    localPaths.reserve(m_lists.ListaLST.size());
    for (std::size_t i = 0; i < m_lists.ListaLST.size(); ++i) {
        localPaths.push_back(i < m_spotMeasures.size() ? m_spotMeasures[i].localPath
                                                       : std::string());
    }
    LoudnessPlan plan = planLoudness(m_lists.ListaLST, localPaths, m_tools.encode);
    // The programme is there to compare blocks with: a day without spots has none.
    if (!m_lists.ListaLST.empty()) {
        planProgramme(plan, m_lists.ListaMIX, m_programmePaths, m_tools.encode);
    }
    return plan;
}

void Session::locateProgramme() {
    if (m_programmePaths.size() == m_lists.ListaMIX.size() || m_lists.ListaLST.empty()) {
        return;
    }
    m_programmePaths.assign(m_lists.ListaMIX.size(), std::string());
    const FileLocator locate = m_tools.newLocator
                                   ? m_tools.newLocator(m_settings.pathMap, m_playlistFolder)
                                   : FileLocator{};
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

std::unique_ptr<LoudnessJob> Session::startLoudness(LoudnessSteps steps,
                                                    std::function<void()> finished) {
    locateProgramme();
    LoudnessPlan plan = loudnessPlan();
    if (!m_tools.loudness.measure || plan.files.empty()) {
        return nullptr;
    }
    return std::make_unique<LoudnessJob>(std::move(plan), m_tools.loudness.measure,
                                         std::move(steps), std::move(finished));
}

bool Session::takeLoudness(const LoudnessJob& job) {
    return job.finished() && takeLoudness(job.plan(), job.measured());
}

bool Session::takeLoudness(const LoudnessPlan& plan, const LoudnessMeasuring& measured) {
    // A plan is made from the lists it measures; any other would get strangers' figures.
    if (plan != loudnessPlan()) {
        return false;
    }
    m_loudness = DayLoudness(plan, measured, m_settings.loudness);
    checkProgramme();
    return true;
}

void Session::forgetLoudness() {
    m_loudness = DayLoudness{};
    m_programme.clear();
    // The last compile's picture no longer has figures to mark, as its loud spots have none.
    m_lastCompile.checks.louderThanProgramme.clear();
}

void Session::checkProgramme() {
    m_programme.clear();
    m_lastCompile.checks.louderThanProgramme.clear();
    const Lista& result = m_lists.ListaWynikowa;
    if (!m_loudness.delivered() || result.empty()) {
        return;
    }
    // A result record copies its playlist item whole: the path line tells which it is.
    std::unordered_map<std::string_view, std::size_t> itemOfLine;
    for (std::size_t i = 0; i < m_lists.ListaMIX.size(); ++i) {
        itemOfLine.emplace(m_lists.ListaMIX[i].value(Field::Adr), i);
    }
    const std::vector<std::size_t>& origins = m_lastCompile.origins;
    std::vector<const SpotLoudness*> audio(result.size(), nullptr);
    for (std::size_t r = 0; r < result.size(); ++r) {
        if (r < origins.size() && origins[r] != kNoOrigin) {
            audio[r] = m_loudness.spot(origins[r]);
        } else if (const auto item = itemOfLine.find(result[r].value(Field::Adr));
                   item != itemOfLine.end()) {
            audio[r] = m_loudness.item(item->second);
        }
    }
    m_programme = checkBlocksAgainstProgramme(result, origins, m_lastCompile.blocks, audio,
                                              m_settings.loudness);
    for (const BlockAgainstProgramme& block : m_programme) {
        if (block.tooLoud) {
            for (const std::size_t spot : block.spots) {
                m_lastCompile.checks.louderThanProgramme.push_back(
                    {spot, programmeFindingText(block)});
            }
        }
    }
}

Outcome Session::measureLoudness() {
    return run([&] {
        const std::size_t files = loudnessPlan().files.size();
        if (files == 0 || !m_tools.loudness.measure) {
            return Outcome{};
        }
        m_progress.status("Pomiar głośności spotów i programu...");
        gauge(0, files);
        // The measuring threads call one at a time while this one waits for them.
        const std::unique_ptr<LoudnessJob> job = startLoudness(
            [this](std::size_t done, std::size_t) {
                m_progress.gaugeProgress(static_cast<std::int64_t>(done));
            },
            {});
        job->wait();
        takeLoudness(*job);
        m_progress.status("Pomiar głośności - gotowe!");
        Outcome outcome;
        if (const std::string warning = job->measured().warning; !warning.empty()) {
            outcome.warnings.push_back(warning);
        }
        return outcome;
    });
}

std::string Session::loudnessSummary() const {
    return m_loudness.summary(m_lists.ListaLST, m_tools.decode) + programmeSummary(m_programme);
}

void Session::clear() {
    m_lists.ListaMIX.clear();
    m_lists.ListaLST.clear();
    m_lists.ListaWynikowa.clear();
    m_lists.ListaBreak.clear();
    m_spotMeasures.clear();
    m_programmePaths.clear();
    m_loudness = DayLoudness{};
    m_programme.clear();
    m_lastCompile = CompileRecord{};
    for (const ListId list : {ListId::Playlist, ListId::Adverts, ListId::Result}) {
        m_progress.listCleared(list);
    }
}

}  // namespace kalmero

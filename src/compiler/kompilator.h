#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/time_index.h"
#include "model/konfiguracja.h"
#include "model/lists.h"
#include "model/window_port.h"

namespace kalmero {

// Where an advert block or a news break goes relative to the playlist item it belongs to.
enum class Miejsce {
    Przed,  // before the item, stamped with the window's start
    Po,     // after the item, stamped with the window's end
};

// The break title as it stands in the written file: Windows-1250 bytes of "Wiadomości".
inline constexpr std::string_view kTytulBreaku =
    "Tyt=Wiadomo\x9C"
    "ci";

// The status texts of a compile (UTF-8, as the status label shows them).
inline constexpr std::string_view kKompilowanie = "Kompilowanie list...";
inline constexpr std::string_view kKompilowanieGotowe = "Kompilowanie list - gotowe!";

// The message shown instead of compiling when no break mode is selected (UTF-8).
inline constexpr std::string_view kWybierzSposob = "Wybierz sposób wstawiania breaków!";

// True when `mode` is one of the three break modes; a compile needs one (a stored mode
// below 0 leaves the window with none selected).
constexpr bool breakModeSelected(int mode) { return mode >= 0 && mode <= 2; }

// The `Ide` value of a break sound item: the text of the path after its last "\", "/" or
// ":", less its last extension (from the last "." of that name on). Bytes in, bytes out.
std::string breakSoundName(std::string_view path);

// Merges the day's playlist, adverts and news breaks into the result list. Works on the
// lists it is given; reads the break settings through the window port and the break-sound
// option from the configuration at the moment it compiles.
class Kompilator {
  public:
    // `matrixPath` is the break matrix file ("matryca.dat"), a filesystem path.
    Kompilator(Lists& lists, WindowPort& window, const Konfiguracja& konfiguracja,
               std::string matrixPath);

    // Lays out the day's breaks in ListaBreak from the matrix line of the settings' weekday,
    // with the settings' break length. Empties ListaBreak first; throws FileError when the
    // matrix can't be read or has no line for the weekday, leaving ListaBreak empty.
    void UtworzListeBreak();

    // The compile: rebuilds ListaBreak (except in mode 2), then replaces ListaWynikowa and
    // the result view. Returns false, touching nothing, when the settings hold no break
    // mode (the caller shows kWybierzSposob). Throws FileError from the break list before
    // the result is emptied, so the previous result stands.
    bool NowyMozg();

    // 0 when no advert lies in [from, to]; else 1 (before the item) when the last one in
    // list order lies strictly in the window's first half, 2 (after) otherwise.
    int CheckLST(std::int64_t from, std::int64_t to) const;
    // The same test on the break list.
    int CheckBreak(std::int64_t from, std::int64_t to) const;

    // Appends a copy of every break in [from, to], in list order, all stamped with `from`
    // (Przed) or `to` (Po); each adds the break length to Przesuniecie. In mode 1 with the
    // fade ticked, cuts the last appended record at the stamp before each break.
    void AddElementBreakNew(Miejsce miejsce, std::int64_t from, std::int64_t to);
    // Appends a copy of every advert in [from, to], in list order, back to back from `from`
    // (Przed) or `to` (Po); each adds its CzasNwK to the stamp and to Przesuniecie.
    void AddElementsLSTnew(Miejsce miejsce, std::int64_t from, std::int64_t to);
    // Appends the item moved by Przesuniecie, then the playlist record right after
    // AktualnaPozycja when that one is "Typ=DJ_".
    void AddElementMIXnew(const TPozycja& pozycja);
    // Appends one record to ListaWynikowa and its row to the result view.
    void DodajDoWyniku(TPozycja pozycja);
    // Cuts the last result record at `cut` (ms from midnight) with a 3 s fade before it;
    // counts are kept at 0 or more so the texts stay valid MM:SS.mmm. Nothing when the
    // result is empty.
    void WyciszWczesniejszaPozycje(std::int64_t cut);

    // Re-reads the CzasStart counts of ListaLST and ListaBreak for the window tests. The
    // compile does this itself; callers of the tests and appenders do it after changing
    // either list by hand.
    void zbudujIndeksy();

    // Sets the settings that the break list and the appenders use (the compile reads them
    // from the window port at its start; so does the constructor).
    void ustawUstawienia(const BreakSettings& settings);

    // How many times each ListaLST record was appended by the last compile, by list index.
    const std::vector<int>& placedCounts() const { return m_placedCounts; }
    // Break records appended by the last compile.
    std::size_t breaksPlaced() const { return m_breaksPlaced; }
    // Playlist records (items and their DJ_ records) appended by the last compile.
    std::size_t itemsPlaced() const { return m_itemsPlaced; }

    // The running time shift in ms.
    std::int64_t Przesuniecie = 0;
    // Index in ListaMIX of the item being compiled.
    std::int32_t AktualnaPozycja = 0;

  private:
    void placeItem(const TPozycja& pozycja);
    void withAdverts(const TPozycja& pozycja, std::int64_t start, std::int64_t end);
    int advertTest(std::int64_t from, std::int64_t to) const;
    int breakTest(std::int64_t from, std::int64_t to) const;
    std::int64_t newEnd(const TPozycja& pozycja) const;
    void appendMoved(const TPozycja& pozycja);

    Lists& m_lists;
    WindowPort& m_window;
    const Konfiguracja& m_konfiguracja;
    std::string m_matrixPath;

    BreakSettings m_settings;
    std::int64_t m_breakLengthMs = 10'000;

    TimeIndex m_lstIndex;
    TimeIndex m_breakIndex;
    std::vector<std::size_t> m_scratch;

    std::vector<int> m_placedCounts;
    std::size_t m_breaksPlaced = 0;
    std::size_t m_itemsPlaced = 0;
};

}  // namespace kalmero

#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/time_index.h"
#include "model/lists.h"
#include "model/settings.h"

namespace kalmero {

// Where an advert block or a news break goes relative to the playlist item it belongs to.
enum class Side {
    Before,  // stamped with the window's start
    After,   // stamped with the window's end
};

// The break title as it stands in the written file: Windows-1250 bytes of "Wiadomości".
inline constexpr std::string_view kTytulBreaku =
    "Tyt=Wiadomo\x9C"
    "ci";

// A day whose times can't be counted in 64-bit ms: items or spots of absurd lengths. The
// compile stops; its result must not be written.
class TimeOverflow : public std::overflow_error {
public:
    TimeOverflow()
        : std::overflow_error(
              "Czasy dnia wychodzą poza zakres: pozycje lub spoty mają niemożliwe długości. "
              "Wynik nie został zapisany.") {}
};

// A result record that is no copy of an advert spot.
inline constexpr std::size_t kNoOrigin = std::numeric_limits<std::size_t>::max();

// The `Ide` value of a break sound item: the text of the path after its last "\", "/" or
// ":", less its last extension (from the last "." of that name on). Bytes in, bytes out.
std::string breakSoundName(std::string_view path);

// Merges the day's playlist, adverts and news breaks into the result list. Works on the
// lists it is given with the settings it is given, which hold for the whole compile.
class Compiler {
public:
    // Called after each playlist item is placed with the count of items done so far.
    using ItemSteps = std::function<void(std::size_t done)>;

    Compiler(Lists& lists, const CompileSettings& settings);

    // Lays out the day's breaks in ListaBreak from the weekday's break matrix line (bytes
    // as the matrix file holds it: "1" at place k is a break at 6 + k o'clock).
    void UtworzListeBreak(std::string_view matrixLine);

    // The compile: rebuilds ListaBreak from `matrixLine` (except when the mode inserts no
    // breaks), then replaces ListaWynikowa. The mode must be one of the three.
    void NowyMozg(std::string_view matrixLine, const ItemSteps& steps = {});

    // 0 when no advert lies in [from, to]; else 1 (before the item) when the last one in
    // list order lies strictly in the window's first half, 2 (after) otherwise.
    int CheckLST(std::int64_t from, std::int64_t to) const;
    // The same test on the break list.
    int CheckBreak(std::int64_t from, std::int64_t to) const;

    // Appends a copy of every break in [from, to], in list order, all stamped with `from`
    // (Before) or `to` (After); each adds the break length to Przesuniecie. OnTheHour with
    // the fade on cuts the last appended record at the stamp before each break.
    void AddElementBreakNew(Side side, std::int64_t from, std::int64_t to);
    // Appends a copy of every advert in [from, to], in list order, back to back from `from`
    // (Before) or `to` (After); each adds its CzasNwK to the stamp and to Przesuniecie.
    void AddElementsLSTnew(Side side, std::int64_t from, std::int64_t to);
    // Appends the item moved by Przesuniecie, then the playlist record right after
    // AktualnaPozycja when that one is "Typ=DJ_".
    void AddElementMIXnew(const TPozycja& pozycja);
    // Appends one record to ListaWynikowa; `origin` is the ListaLST index it copies.
    void DodajDoWyniku(TPozycja pozycja, std::size_t origin = kNoOrigin);
    // Cuts the last result record at `cut` (ms from midnight) with a 3 s fade before it;
    // counts are kept at 0 or more so the texts stay valid MM:SS.mmm. Nothing when the
    // result is empty.
    void WyciszWczesniejszaPozycje(std::int64_t cut);

    // Re-reads the CzasStart counts of ListaLST and ListaBreak. The compile does this
    // itself; callers of the tests and appenders do it after changing either list by hand.
    void rebuildIndexes();

    // How many times each ListaLST record was appended by the last compile, by list index.
    const std::vector<int>& placedCounts() const { return m_placedCounts; }
    // For each ListaWynikowa record, the ListaLST index it copies, or kNoOrigin.
    const std::vector<std::size_t>& origins() const { return m_origins; }
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
    const CompileSettings m_settings;

    TimeIndex m_lstIndex;
    TimeIndex m_breakIndex;
    std::vector<std::size_t> m_scratch;

    std::vector<int> m_placedCounts;
    std::vector<std::size_t> m_origins;
    std::size_t m_breaksPlaced = 0;
    std::size_t m_itemsPlaced = 0;
};

}  // namespace kalmero

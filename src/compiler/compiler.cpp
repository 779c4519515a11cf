#include "compiler/compiler.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "formats/matryca.h"
#include "model/czas.h"
#include "model/file_name.h"

namespace kalmero {

namespace {

constexpr std::string_view kTypDJ = "Typ=DJ_";
constexpr std::int64_t kFadeMs = 3000;

bool isDJ(const TPozycja& pozycja) { return pozycja.line(Field::Typ) == kTypDJ; }

std::int64_t add(std::int64_t a, std::int64_t b) {
    std::int64_t sum = 0;
    if (__builtin_add_overflow(a, b, &sum)) {
        throw TimeOverflow();
    }
    return sum;
}

std::int64_t sub(std::int64_t a, std::int64_t b) {
    std::int64_t difference = 0;
    if (__builtin_sub_overflow(a, b, &difference)) {
        throw TimeOverflow();
    }
    return difference;
}

std::string emiLine(std::int64_t ms) {
    std::string line = "Emi=";
    appendStartTime(line, ms);
    return line;
}

std::string hourLine(int hour) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "Emi=%.2d:00:00.000", hour);
    return buffer;
}

// 0 when no record lies in [from, to]; else the verdict of the last one in list order:
// 1 when it lies strictly in the window's first half, 2 otherwise.
int windowTest(const TimeIndex& index, const Lista& list, std::int64_t from, std::int64_t to) {
    const std::ptrdiff_t last = index.lastInWindow(from, to);
    if (last < 0) {
        return 0;
    }
    const std::int64_t t = list[static_cast<std::size_t>(last)].CzasStart;
    // 2 (t - from) < to - from, without doubling a difference that may be near the limit.
    const std::int64_t into = sub(t, from);
    return into < sub(sub(to, from), into) ? 1 : 2;
}

}  // namespace

std::string breakSoundName(std::string_view path) { return std::string(audioFileTitle(path)); }

Compiler::Compiler(Lists& lists, const CompileSettings& settings)
    : m_lists(lists), m_settings(settings) {}

void Compiler::rebuildIndexes() {
    m_lstIndex.build(m_lists.ListaLST);
    m_breakIndex.build(m_lists.ListaBreak);
    m_placedCounts.assign(m_lists.ListaLST.size(), 0);
}

void Compiler::UtworzListeBreak(std::string_view line) {
    Lista& breaks = m_lists.ListaBreak;
    breaks.clear();

    const std::int64_t lengthMs = m_settings.length.ms();
    const std::string length = CzasTrwString(lengthMs);
    const bool sound = m_settings.sound.on;
    const std::string& soundPath = m_settings.sound.path;
    for (std::size_t k = 0; k < line.size(); ++k) {
        if (line[k] != '1') {
            continue;
        }
        TPozycja& brk = breaks.emplace_back();
        brk.set(Field::Emi, hourLine(kFirstMatrixHour + static_cast<int>(k)));
        brk.set(Field::Typ, sound ? "Typ=SND" : "Typ=BRK");
        brk.set(Field::Trw, "Trw=" + length);
        brk.set(Field::Out, "Out=" + length);
        brk.set(Field::Mix, "Mix=00:00.000");
        brk.set(Field::NwK, "NwK=" + length);
        brk.set(Field::FOu, "FOu=" + length);
        brk.set(Field::Ide, sound ? "Ide=" + breakSoundName(soundPath) : "Ide=--------");
        brk.set(Field::Tyt, kTytulBreaku);
        brk.set(Field::Wyk, "Wyk=BREAK");
        if (sound) {
            brk.set(Field::Adr, "Adr=" + soundPath);
        }
        // From the written line, not from the hour: an hour of three digits reads back
        // differently, and the window tests must agree with the file.
        brk.CzasStart = CzasStartInt(brk.line(Field::Emi));
        brk.CzasNwK = lengthMs;
        brk.CzasMix = 0;
        brk.CzasGrania = lengthMs;
    }
    m_breakIndex.build(breaks);
}

void Compiler::NowyMozg(std::string_view matrixLine, const ItemSteps& steps) {
    Przesuniecie = 0;
    if (m_settings.mode != BreakMode::None) {
        UtworzListeBreak(matrixLine);
    }
    rebuildIndexes();
    m_breaksPlaced = 0;
    m_itemsPlaced = 0;

    const Lista& mix = m_lists.ListaMIX;
    m_lists.ListaWynikowa.clear();
    m_origins.clear();
    // Every item is placed once, each with its DJ_ record, adverts and breaks around it.
    m_lists.ListaWynikowa.reserve(mix.size() + m_lists.ListaLST.size() + m_lists.ListaBreak.size());
    for (std::size_t i = 0; i < mix.size(); ++i) {
        // Read in place: the playlist is not changed while it is compiled.
        const TPozycja& pozycja = mix[i];
        AktualnaPozycja = static_cast<std::int32_t>(i);
        if (isDJ(pozycja)) {
            continue;
        }
        placeItem(pozycja);
        if (steps) {
            steps(i + 1);
        }
    }
}

void Compiler::placeItem(const TPozycja& pozycja) {
    const std::int64_t start = add(pozycja.CzasStart, Przesuniecie);
    const std::int64_t end = add(start, pozycja.CzasGrania);

    switch (m_settings.mode) {
        case BreakMode::Nearest: {
            const int breakAt = breakTest(start, end);
            if (breakAt == 0) {
                withAdverts(pozycja, start, end);
            } else if (breakAt == 1) {
                AddElementBreakNew(Side::Before, start, end);
                withAdverts(pozycja, start, newEnd(pozycja));
            } else {
                AddElementMIXnew(pozycja);
                AddElementBreakNew(Side::After, start, end);
                const std::int64_t after = newEnd(pozycja);
                if (advertTest(start, after) != 0) {
                    AddElementsLSTnew(Side::After, start, after);
                }
            }
            break;
        }
        case BreakMode::OnTheHour: {
            if (breakTest(start, end) == 0) {
                withAdverts(pozycja, start, end);
                break;
            }
            AddElementMIXnew(pozycja);
            const std::int64_t hour = pelna(end);
            // The part of the item after the full hour leaves the timetable: the break
            // starts on the hour whether or not the item is faded there.
            Przesuniecie = sub(Przesuniecie, sub(end, hour));
            AddElementBreakNew(Side::Before, hour, end);
            const std::int64_t after = newEnd(pozycja);
            if (advertTest(hour, after) != 0) {
                AddElementsLSTnew(Side::After, hour, after);
            }
            break;
        }
        default:
            withAdverts(pozycja, start, end);
            break;
    }
}

// The item with the adverts of [start, end] before or after it, as the advert test decides.
void Compiler::withAdverts(const TPozycja& pozycja, std::int64_t start, std::int64_t end) {
    const int advertAt = advertTest(start, end);
    if (advertAt == 1) {
        AddElementsLSTnew(Side::Before, start, end);
    }
    AddElementMIXnew(pozycja);
    if (advertAt == 2) {
        AddElementsLSTnew(Side::After, start, end);
    }
}

int Compiler::advertTest(std::int64_t from, std::int64_t to) const {
    return m_lists.ListaLST.empty() ? 0 : CheckLST(from, to);
}

int Compiler::breakTest(std::int64_t from, std::int64_t to) const {
    return m_lists.ListaBreak.empty() ? 0 : CheckBreak(from, to);
}

std::int64_t Compiler::newEnd(const TPozycja& pozycja) const {
    return add(add(pozycja.CzasStart, Przesuniecie), pozycja.CzasGrania);
}

int Compiler::CheckLST(std::int64_t from, std::int64_t to) const {
    return windowTest(m_lstIndex, m_lists.ListaLST, from, to);
}

int Compiler::CheckBreak(std::int64_t from, std::int64_t to) const {
    return windowTest(m_breakIndex, m_lists.ListaBreak, from, to);
}

void Compiler::AddElementBreakNew(Side side, std::int64_t from, std::int64_t to) {
    const std::int64_t stamp = side == Side::Before ? from : to;
    m_breakIndex.positionsInWindow(from, to, m_scratch);
    const bool fade = m_settings.mode == BreakMode::OnTheHour && m_settings.fade;
    for (const std::size_t position : m_scratch) {
        TPozycja copy = m_lists.ListaBreak[position];
        copy.CzasStart = stamp;
        copy.set(Field::Emi, emiLine(stamp));
        if (fade) {
            WyciszWczesniejszaPozycje(stamp);
        }
        DodajDoWyniku(std::move(copy));
        ++m_breaksPlaced;
        Przesuniecie = add(Przesuniecie, m_settings.length.ms());
    }
}

void Compiler::AddElementsLSTnew(Side side, std::int64_t from, std::int64_t to) {
    std::int64_t stamp = side == Side::Before ? from : to;
    m_lstIndex.positionsInWindow(from, to, m_scratch);
    for (const std::size_t position : m_scratch) {
        const TPozycja& spot = m_lists.ListaLST[position];
        TPozycja copy = spot;
        copy.CzasStart = stamp;
        copy.set(Field::Emi, emiLine(stamp));
        DodajDoWyniku(std::move(copy), position);
        if (position < m_placedCounts.size()) {
            ++m_placedCounts[position];
        }
        stamp = add(stamp, spot.CzasNwK);
        Przesuniecie = add(Przesuniecie, spot.CzasNwK);
    }
}

void Compiler::appendMoved(const TPozycja& pozycja) {
    TPozycja copy = pozycja;
    copy.CzasStart = add(copy.CzasStart, Przesuniecie);
    copy.set(Field::Emi, emiLine(copy.CzasStart));
    DodajDoWyniku(std::move(copy));
    ++m_itemsPlaced;
}

void Compiler::AddElementMIXnew(const TPozycja& pozycja) {
    appendMoved(pozycja);
    const Lista& mix = m_lists.ListaMIX;
    const auto next = static_cast<std::size_t>(AktualnaPozycja) + 1;
    if (AktualnaPozycja >= 0 && next < mix.size() && isDJ(mix[next])) {
        appendMoved(mix[next]);
    }
}

void Compiler::DodajDoWyniku(TPozycja pozycja, std::size_t origin) {
    m_lists.ListaWynikowa.push_back(std::move(pozycja));
    m_origins.push_back(origin);
}

void Compiler::WyciszWczesniejszaPozycje(std::int64_t cut) {
    Lista& result = m_lists.ListaWynikowa;
    if (result.empty()) {
        return;
    }
    TPozycja& last = result.back();
    // Kept at 0 or more: a cut before the record's start or less than the fade after it
    // would otherwise write minus signs into the time texts.
    last.CzasNwK = std::max<std::int64_t>(0, sub(cut, last.CzasStart));
    last.CzasMix = std::max<std::int64_t>(0, last.CzasNwK - kFadeMs);
    last.CzasGrania = last.CzasNwK - last.CzasMix;
    const std::string cutText = CzasTrwString(last.CzasNwK);
    const std::string fadeText = CzasTrwString(last.CzasMix);
    last.set(Field::Trw, "Trw=" + cutText);
    last.set(Field::NwK, "NwK=" + cutText);
    last.set(Field::Out, "Out=" + fadeText);
    last.set(Field::FOu, "FOu=" + fadeText);
    last.set(Field::Mix, "Mix=" + fadeText);
    last.set(Field::FOT, "FOT=0");
}

}  // namespace kalmero

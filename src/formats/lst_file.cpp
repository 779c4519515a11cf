#include "formats/lst_file.h"

#include <algorithm>
#include <cassert>
#include <unordered_map>

#include "formats/file_io.h"
#include "model/czas.h"
#include "model/file_name.h"

namespace kalmero {

namespace {

// Blanks and control characters, the bytes a time line's emptiness test ignores.
bool isBlankByte(char c) { return static_cast<unsigned char>(c) <= 0x20; }

bool blankLine(std::string_view line) { return std::all_of(line.begin(), line.end(), isBlankByte); }

// The "Emi" line from a time line's first 8 characters, every blank among them read as "0".
std::string emissionLine(std::string_view timeLine) {
    std::string time(timeLine.substr(0, 8));
    std::replace(time.begin(), time.end(), ' ', '0');
    return "Emi=" + time + ".000";
}

// Fills a field as key + value with the value cut to the field's capacity first; set()
// cuts the whole line to the capacity again.
void setField(TPozycja& record, Pole field, std::string_view value) {
    std::string line(key(field));
    line += '=';
    line += value.substr(0, std::min(value.size(), capacity(field)));
    record.set(field, line);
}

void fillSpot(TPozycja& spot, std::string_view timeLine, std::string_view pathLine,
              std::int64_t ms) {
    spot = TPozycja{};
    spot.set(Pole::Emi, emissionLine(timeLine));
    spot.CzasStart = CzasStartInt(spot.line(Pole::Emi));

    const std::string length = CzasTrwString(ms);
    spot.set(Pole::Typ, "Typ=REK");
    setField(spot, Pole::Trw, length);
    setField(spot, Pole::Out, length);
    setField(spot, Pole::Mix, "00:00.000");
    setField(spot, Pole::NwK, length);
    setField(spot, Pole::FOu, length);
    const std::string_view name = audioFileTitle(pathLine);
    setField(spot, Pole::Ide, name);
    setField(spot, Pole::Tyt, name);
    spot.set(Pole::Wyk, "Wyk=reklama");
    setField(spot, Pole::Adr, pathLine);

    spot.CzasNwK = ms;
    spot.CzasMix = 0;
    spot.CzasGrania = ms;
}

// Keeps the list free of the spare record when the load is cut short by an exception.
class SpareGuard {
  public:
    explicit SpareGuard(Lista& list) : m_list(list) { m_list.resize(1); }
    ~SpareGuard() { m_list.pop_back(); }
    SpareGuard(const SpareGuard&) = delete;
    SpareGuard& operator=(const SpareGuard&) = delete;

  private:
    Lista& m_list;
};

}  // namespace

std::string_view lstRowCaption(const Lista& list, std::size_t index) {
    const std::string_view emi = list[index].value(Pole::Emi);
    if (index > 0 && list[index - 1].value(Pole::Emi) == emi) {
        return {};
    }
    return emi;
}

void DodajPozycjeDoViewLst(const Lists& lists, std::size_t index, WindowPort& window) {
    window.appendRow(View::Adverts, index, lstRowCaption(lists.ListaLST, index),
                     lists.ListaLST[index].value(Pole::Tyt));
}

void OtworzPlikLST(const std::string& path, Lists& lists, WindowPort& window,
                   const SpotMeter& measure) {
    Lista& list = lists.ListaLST;
    list.clear();
    window.clearRows(View::Adverts);

    const std::string text = readWholeFile(path);
    const std::vector<std::string_view> lines = splitLines(text);

    window.setStatus("Ładowanie pliku LST...");
    window.setGaugeMax(static_cast<std::int64_t>(lines.size()));
    // A spot repeated through the day is the same file: measure each path once per load.
    std::unordered_map<std::string_view, std::int64_t> lengths;
    {
        const SpareGuard spare(list);
        std::size_t i = 0;
        for (std::size_t n = 0; n < lines.size(); ++n) {
            // Pairing is by line number alone. A time line with no line after it names no
            // spot and is dropped; the spots before it stay.
            if (n % 2 == 0 && n + 1 < lines.size() && !blankLine(lines[n])) {
                const std::string_view pathLine = lines[n + 1];
                const std::string_view measured =
                    pathLine.substr(0, std::min(pathLine.size(), capacity(Pole::Adr)));
                auto found = lengths.find(measured);
                if (found == lengths.end()) {
                    found = lengths.emplace(measured, measure(measured)).first;
                }
                fillSpot(list[i], lines[n], pathLine, found->second);
                DodajPozycjeDoViewLst(lists, i, window);
                list.resize(i + 2);
                ++i;
            }
            window.setGaugeProgress(static_cast<std::int64_t>(n + 1));
            window.processEvents();
            // The window must keep its commands off the list while a load fills it.
            assert(list.size() == i + 1);
        }
        window.setStatus("Ładowanie pliku LST zakończone!");
    }
}

}  // namespace kalmero

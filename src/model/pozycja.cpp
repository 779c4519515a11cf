#include "model/pozycja.h"

#include <algorithm>
#include <cstring>

namespace kalmero {

namespace {
constexpr std::array<std::string_view, kFieldCount> kKeys = {
    "Emi", "Typ", "Trw", "Int", "Out", "Mix", "NwK", "FOu", "Ide", "Tyt",
    "Pta", "Wyk", "Kom", "Atr", "Wyd", "Rok", "Zak", "Adr", "FOT", "NwP",
    "FIn", "FIT", "Pro", "BPM", "Wzm", "Kac", "KFI", "KFO",
};
}  // namespace

std::string_view key(Field f) { return kKeys[static_cast<std::size_t>(f)]; }

std::string_view TPozycja::line(Field f) const {
    const auto i = static_cast<std::size_t>(f);
    if (i == 0) {
        return std::string_view(m_emi.data(), m_emiSize);
    }
    if (!m_rest) {
        return {};
    }
    const std::size_t begin = i == 1 ? 0 : endOf(i - 2);
    return std::string_view(m_rest.get() + kEndsBytes + begin, endOf(i - 1) - begin);
}

std::size_t TPozycja::endOf(std::size_t i) const {
    std::uint16_t end = 0;
    std::memcpy(&end, m_rest.get() + i * sizeof end, sizeof end);
    return end;
}

std::string_view TPozycja::value(Field f) const {
    const std::string_view l = line(f);
    return l.size() > 4 ? l.substr(4) : std::string_view{};
}

void TPozycja::set(Field f, std::string_view text) {
    text = text.substr(0, std::min(text.size(), capacity(f)));
    if (f == Field::Emi) {
        std::copy(text.begin(), text.end(), m_emi.begin());
        m_emiSize = static_cast<std::uint8_t>(text.size());
        return;
    }
    // The text is shared with the copies: a change makes this record's own.
    std::array<std::string_view, kFieldCount> lines{};
    for (std::size_t i = 1; i < kFieldCount; ++i) {
        lines[i] = line(static_cast<Field>(i));
    }
    const std::string keep(text);
    lines[static_cast<std::size_t>(f)] = keep;
    const std::string emi(line(Field::Emi));
    lines[0] = emi;
    setAll(lines);
}

void TPozycja::setAll(const std::array<std::string_view, kFieldCount>& lines) {
    std::array<std::size_t, kFieldCount> lengths{};
    std::size_t total = 0;
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        lengths[i] = std::min(lines[i].size(), capacity(static_cast<Field>(i)));
        total += i == 0 ? 0 : lengths[i];
    }
    std::copy_n(lines[0].data(), lengths[0], m_emi.begin());
    m_emiSize = static_cast<std::uint8_t>(lengths[0]);
    if (total == 0) {
        m_rest.reset();
        return;
    }
    auto rest = std::make_shared_for_overwrite<char[]>(kEndsBytes + total);
    std::uint16_t end = 0;
    for (std::size_t i = 1; i < kFieldCount; ++i) {
        std::copy_n(lines[i].data(), lengths[i], rest.get() + kEndsBytes + end);
        end = static_cast<std::uint16_t>(end + lengths[i]);
        std::memcpy(rest.get() + (i - 1) * sizeof end, &end, sizeof end);
    }
    m_rest = std::move(rest);
}

bool operator==(const TPozycja& a, const TPozycja& b) {
    if (a.CzasStart != b.CzasStart || a.CzasNwK != b.CzasNwK || a.CzasMix != b.CzasMix ||
        a.CzasGrania != b.CzasGrania) {
        return false;
    }
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        if (a.line(static_cast<Field>(i)) != b.line(static_cast<Field>(i))) {
            return false;
        }
    }
    return true;
}

}  // namespace kalmero

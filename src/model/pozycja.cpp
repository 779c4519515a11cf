#include "model/pozycja.h"

#include <algorithm>
#include <cassert>

namespace kalmero {

namespace {
constexpr std::array<std::string_view, kFieldCount> kKeys = {
    "Emi", "Typ", "Trw", "Int", "Out", "Mix", "NwK", "FOu", "Ide", "Tyt",
    "Pta", "Wyk", "Kom", "Atr", "Wyd", "Rok", "Zak", "Adr", "FOT", "NwP",
    "FIn", "FIT", "Pro", "BPM", "Wzm", "Kac", "KFI", "KFO",
};
}  // namespace

std::string_view key(Pole f) { return kKeys[static_cast<std::size_t>(f)]; }

std::string_view TPozycja::line(Pole f) const {
    const auto i = static_cast<std::size_t>(f);
    const std::size_t begin = i == 0 ? 0 : m_end[i - 1];
    return std::string_view(m_text).substr(begin, m_end[i] - begin);
}

std::string_view TPozycja::value(Pole f) const {
    const std::string_view l = line(f);
    return l.size() > 4 ? l.substr(4) : std::string_view{};
}

void TPozycja::set(Pole f, std::string_view text) {
    text = text.substr(0, std::min(text.size(), capacity(f)));
    const auto i = static_cast<std::size_t>(f);
    const std::size_t begin = i == 0 ? 0 : m_end[i - 1];
    const std::size_t oldLength = m_end[i] - begin;
    m_text.replace(begin, oldLength, text);
    const auto delta = static_cast<std::ptrdiff_t>(text.size()) - static_cast<std::ptrdiff_t>(oldLength);
    for (std::size_t j = i; j < kFieldCount; ++j) {
        m_end[j] = static_cast<std::uint16_t>(static_cast<std::ptrdiff_t>(m_end[j]) + delta);
    }
    assert(m_end[kFieldCount - 1] == m_text.size());
}

void TPozycja::setAll(const std::array<std::string_view, kFieldCount>& lines) {
    std::array<std::size_t, kFieldCount> lengths{};
    std::size_t total = 0;
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        lengths[i] = std::min(lines[i].size(), capacity(static_cast<Pole>(i)));
        total += lengths[i];
    }
    std::string text;
    text.reserve(total);
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        text.append(lines[i].data(), lengths[i]);
        m_end[i] = static_cast<std::uint16_t>(text.size());
    }
    m_text = std::move(text);
}

}  // namespace kalmero

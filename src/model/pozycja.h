#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace kalmero {

// The 28 text fields of a playlist entry, in the record's declaration order.
enum class Field : std::uint8_t {
    Emi,
    Typ,
    Trw,
    Int,
    Out,
    Mix,
    NwK,
    FOu,
    Ide,
    Tyt,
    Pta,
    Wyk,
    Kom,
    Atr,
    Wyd,
    Rok,
    Zak,
    Adr,
    FOT,
    NwP,
    FIn,
    FIT,
    Pro,
    BPM,
    Wzm,
    Kac,
    KFI,
    KFO,
};

inline constexpr std::size_t kFieldCount = 28;

// Capacity of a field in bytes, its key included: 250 for the audio path, 50 for the rest.
constexpr std::size_t capacity(Field f) { return f == Field::Adr ? 250 : 50; }

// The three-letter key of a field as it stands in a MIX file ("Emi", "Typ", ...).
std::string_view key(Field f);

// One playlist entry: every MIX field held as its whole `key=value` line (Windows-1250
// bytes, never converted), plus four millisecond counts. A value type: a copy reads and
// changes as a whole copy would, though it shares the unchanged text with its original.
// A default-constructed record is the empty entry: all texts empty, all counts 0.
class TPozycja {
public:
    // The stored line of a field ("" when the field is empty, i.e. the line is absent).
    std::string_view line(Field f) const;
    // The field's value: its text from the fifth character on ("" when shorter).
    std::string_view value(Field f) const;
    bool empty(Field f) const { return line(f).empty(); }
    // Stores a line, keeping only its first capacity(f) bytes.
    void set(Field f, std::string_view text);
    void clear(Field f) { set(f, {}); }
    // Replaces every text field at once, line i into field i, each cut to its capacity, the
    // text in one allocation of the exact size; the counts are not touched. For readers
    // that collect a record's lines before storing it.
    void setAll(const std::array<std::string_view, kFieldCount>& lines);

    std::int64_t CzasStart = 0;
    std::int64_t CzasNwK = 0;
    std::int64_t CzasMix = 0;
    std::int64_t CzasGrania = 0;

    friend bool operator==(const TPozycja& a, const TPozycja& b);

private:
    // Where each line after Emi ends (kFieldCount - 1 std::uint16_t), then those lines back
    // to back in declaration order, in one allocation: a month of playlist is 30,000 of
    // them. Never changed once made: copies share it, so a result that copies a month of
    // playlist costs its emission lines and counts, not the playlist's text again.
    static constexpr std::size_t kEndsBytes = (kFieldCount - 1) * sizeof(std::uint16_t);
    std::size_t endOf(std::size_t i) const;
    std::shared_ptr<const char[]> m_rest;  // null: every field after Emi is empty
    // Emi, the one line every copy into the result rewrites, kept in the record itself.
    std::array<char, 50> m_emi{};
    std::uint8_t m_emiSize = 0;
};

}  // namespace kalmero

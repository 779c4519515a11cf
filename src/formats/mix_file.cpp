#include "formats/mix_file.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>

#include "formats/text_lines.h"
#include "model/czas.h"

namespace kalmero {

namespace {

constexpr std::string_view kSeparator = "; ----------------------------------";
constexpr std::string_view kClosing = "KONIEC OPISU";
constexpr std::string_view kLineEnd = "\r\n";

// The writer's field order after the Emi line, which it always writes.
constexpr std::array<Field, kFieldCount - 1> kWriteOrder = {
    Field::Typ, Field::Trw, Field::Int, Field::Out, Field::NwP, Field::NwK, Field::FIn,
    Field::FOu, Field::FIT, Field::FOT, Field::Mix, Field::Zak, Field::Ide, Field::Tyt,
    Field::Pta, Field::Wyk, Field::Kom, Field::Atr, Field::Pro, Field::Wyd, Field::Rok,
    Field::BPM, Field::Wzm, Field::Kac, Field::KFI, Field::KFO, Field::Adr,
};

constexpr std::uint32_t packKey(std::string_view k) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(k[0])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(k[1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(k[2])) << 16;
}

// The exact-case keys in a small open-addressing table: one or two probes per line instead
// of comparing with all 27.
class KeyTable {
public:
    KeyTable() {
        for (std::size_t i = 1; i < kFieldCount; ++i) {
            const std::uint32_t packed = packKey(key(static_cast<Field>(i)));
            std::size_t slot = hash(packed);
            while (m_keys[slot] != 0) {
                slot = (slot + 1) % kSlots;
            }
            m_keys[slot] = packed;
            m_fields[slot] = static_cast<std::int8_t>(i);
        }
    }

    // The field of a packed key, or -1. A packed key is never 0: the text ends at a NUL.
    int find(std::uint32_t packed) const {
        for (std::size_t slot = hash(packed); m_keys[slot] != 0; slot = (slot + 1) % kSlots) {
            if (m_keys[slot] == packed) {
                return m_fields[slot];
            }
        }
        return -1;
    }

private:
    static constexpr std::size_t kSlots = 64;
    static std::size_t hash(std::uint32_t packed) {
        return static_cast<std::size_t>((packed * 0x9E3779B1U) >> 26);
    }

    std::array<std::uint32_t, kSlots> m_keys{};
    std::array<std::int8_t, kSlots> m_fields{};
};

bool isEmissionKey(std::string_view line) {
    // ASCII case folding: only "E"/"e", "M"/"m" and "I"/"i" fold to these letters.
    return (line[0] | 0x20) == 'e' && (line[1] | 0x20) == 'm' && (line[2] | 0x20) == 'i';
}

// The field a line of more than three characters stores into, or -1. Only the emission
// key ignores letter case.
int fieldIndex(std::string_view line, const KeyTable& keys) {
    if (isEmissionKey(line)) {
        return static_cast<int>(Field::Emi);
    }
    return keys.find(packKey(line));
}

bool isClosing(std::string_view line) {
    return line.size() > 3 && line[0] == 'K' && line[1] == 'O' && line[2] == 'N';
}

// A cue point count: duration form when the line is exactly 13 characters (key, "=",
// MM:SS.mmm), emission form for any other non-zero length.
std::int64_t cueMs(std::string_view line) {
    if (line.empty()) {
        return 0;
    }
    return line.size() == 13 ? CzasTrwInt(line) : CzasStartInt(line);
}

// Hostile hexadecimal groups can make counts near the 64-bit limits; wrap instead of UB.
std::int64_t wrappingDifference(std::int64_t a, std::int64_t b) {
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(a) - static_cast<std::uint64_t>(b));
}

constexpr std::size_t kLinesPerStep = 256;
constexpr std::size_t kRecordsPerStep = 64;

void closeRecord(TPozycja& r) {
    r.CzasStart = r.empty(Field::Emi) ? 0 : CzasStartInt(r.line(Field::Emi));
    r.CzasNwK = cueMs(r.line(Field::NwK));
    r.CzasMix = cueMs(r.line(Field::Mix));
    r.CzasGrania = wrappingDifference(r.CzasNwK, r.CzasMix);
}

std::size_t recordTextSize(const TPozycja& r) {
    std::size_t size = kSeparator.size() + kClosing.size() + 3 * kLineEnd.size();
    size += r.line(Field::Emi).size();
    for (const Field f : kWriteOrder) {
        if (!r.empty(f)) {
            size += r.line(f).size() + kLineEnd.size();
        }
    }
    return size;
}

std::size_t mixTextSizeHint(const Lista& list) {
    std::size_t size = 8 + 8 + 20 + 2 * kLineEnd.size();
    for (const TPozycja& r : list) {
        size += recordTextSize(r);
    }
    return size;
}

// A line is written up to a NUL byte it may carry (an advert path line can): the reader
// ends the text at a NUL, so one written whole would hide every later record.
void appendLine(std::string& text, std::string_view line) {
    text += cutAtNul(line);
    text += kLineEnd;
}

}  // namespace

MixReadNotes otworzPlikMIX(std::string_view bytes, Lista& records, const LineSteps& steps,
                           const ByteSteps& consumed) {
    records = Lista{};
    MixReadNotes notes;
    const std::string_view text = cutAtNul(bytes);
    if (text.size() < bytes.size()) {
        notes.ignoredAfterNul = bytes.size() - text.size();
    }

    // A first pass for the gauge's maximum also sizes the list exactly, so that a month of
    // playlist is not copied around while the list grows.
    std::size_t closings = 0;
    std::size_t seen = 0;
    const std::size_t lineCount = visitLines(text, [&](std::string_view line) {
        if (isClosing(line)) {
            ++closings;
        } else if (!notes.announced && line.size() > 8 && line.substr(0, 8) == "POZYCJI=") {
            notes.announced = parseInteger(line.substr(8));
        }
        if (consumed && ++seen % kLinesPerStep == 0) {
            consumed(static_cast<std::size_t>(line.data() - text.data()), false);
        }
    });
    if (consumed) {
        consumed(0, true);
    }
    if (steps) {
        steps(0, lineCount);
    }
    records.reserve(closings);

    static const KeyTable keys;
    // The record in progress as views into the file text; a later line of the same key
    // replaces the earlier one. Lines after the last closing line are simply never stored.
    std::array<std::string_view, kFieldCount> pending{};
    std::size_t lineNumber = 0;
    std::size_t recordStart = 0;  // where the bytes of the record in progress begin
    std::size_t pendingFrom = 0;  // the line the record in progress began on; 0 before it
    visitLines(text, [&](std::string_view line) {
        ++lineNumber;
        if (line.size() > 3) {
            const int field = fieldIndex(line, keys);
            if (field >= 0) {
                pending[static_cast<std::size_t>(field)] = line;
                pendingFrom = pendingFrom == 0 ? lineNumber : pendingFrom;
            } else if (line[0] == ';') {
                pendingFrom = pendingFrom == 0 ? lineNumber : pendingFrom;
            } else if (isClosing(line)) {
                TPozycja& record = records.emplace_back();
                record.setAll(pending);
                closeRecord(record);
                pending.fill({});
                pendingFrom = 0;
                recordStart = static_cast<std::size_t>(line.data() - text.data()) + line.size();
            }
        }
        if (lineNumber % kLinesPerStep == 0 || lineNumber == lineCount) {
            if (steps) {
                steps(lineNumber, lineCount);
            }
            if (consumed) {
                consumed(recordStart, false);
            }
        }
    });
    notes.unfinishedFrom = pendingFrom;
    return notes;
}

Lista otworzPlikMIX(std::string_view bytes) {
    Lista records;
    otworzPlikMIX(bytes, records);
    return records;
}

void appendMixText(std::string& out, const Lista& list, std::size_t first, std::size_t count) {
    const std::size_t end = std::min(list.size(), first + count);
    for (std::size_t i = first; i < end; ++i) {
        const TPozycja& r = list[i];
        appendLine(out, kSeparator);
        appendLine(out, r.line(Field::Emi));
        for (const Field f : kWriteOrder) {
            if (!r.empty(f)) {
                appendLine(out, r.line(f));
            }
        }
        appendLine(out, kClosing);
    }
}

std::string mixHeaderText(std::size_t count) {
    std::string text;
    appendLine(text, "WERSJA=2");
    text += "POZYCJI=";
    appendLine(text, std::to_string(count));
    return text;
}

std::string mixText(const Lista& list) {
    std::string text;
    text.reserve(mixTextSizeHint(list));
    text += mixHeaderText(list.size());
    appendMixText(text, list, 0, list.size());
    return text;
}

void produceMixText(const Lista& list, const std::function<void(std::string_view)>& write,
                    const LineSteps& steps) {
    if (steps) {
        steps(0, list.size());
    }
    std::string text = mixHeaderText(list.size());
    for (std::size_t first = 0; first < list.size(); first += kRecordsPerStep) {
        appendMixText(text, list, first, kRecordsPerStep);
        if (text.size() >= kMixPieceBytes) {
            write(text);
            text.clear();
        }
        if (steps) {
            steps(std::min(list.size(), first + kRecordsPerStep), list.size());
        }
    }
    write(text);
}

}  // namespace kalmero

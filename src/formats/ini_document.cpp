#include "formats/ini_document.h"

#include <cstddef>

#include "formats/text_lines.h"

namespace kalmero {

namespace {

bool isPadding(char c) { return isBlank(c, Blanks::IniPadding); }

std::string_view trim(std::string_view text) {
    while (!text.empty() && isPadding(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isPadding(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        x = (x >= 'A' && x <= 'Z') ? static_cast<char>(x - 'A' + 'a') : x;
        y = (y >= 'A' && y <= 'Z') ? static_cast<char>(y - 'A' + 'a') : y;
        if (x != y) {
            return false;
        }
    }
    return true;
}

bool isQuote(char c) { return c == '"' || c == '\''; }

bool enclosedInQuotes(std::string_view text) {
    return text.size() > 1 && isQuote(text.front()) && text.back() == text.front();
}

enum class LineKind { Other, Section, Entry };

// One line of the text, classified. `name` is the section or key name, `value` the text
// after the first "=" (both trimmed), `hasValue` whether there is an "=".
struct IniLine {
    LineKind kind = LineKind::Other;
    std::string_view name;
    std::string_view value;
    bool hasValue = false;
};

IniLine classify(std::string_view line, bool first) {
    // An editor may have put a UTF-8 byte-order mark before the first section.
    if (first && line.substr(0, 3) == "\xEF\xBB\xBF") {
        line.remove_prefix(3);
    }
    const std::string_view content = trim(line);
    IniLine result;
    if (content.empty() || content.front() == ';') {
        return result;
    }
    if (content.front() == '[') {
        const auto close = content.rfind(']');
        if (close != std::string_view::npos) {
            result.kind = LineKind::Section;
            result.name = trim(content.substr(1, close - 1));
        }
        return result;
    }
    result.kind = LineKind::Entry;
    const auto equals = content.find('=');
    if (equals == std::string_view::npos) {
        result.name = content;
        return result;
    }
    result.name = trim(content.substr(0, equals));
    result.value = trim(content.substr(equals + 1));
    result.hasValue = true;
    return result;
}

// Where a key stands, or would go, in the text. Offsets are byte positions in the text.
struct Location {
    bool sectionFound = false;
    bool keyFound = false;
    std::size_t keyBegin = 0;  // the key's line
    std::size_t keyEnd = 0;    // end of that line, before its line end
    std::string_view keyName;  // as spelled in the file
    std::string_view value;    // trimmed, quotes kept
    bool hasValue = false;
    std::size_t lastContentEnd =
        0;  // end of the section's last non-blank line, before its line end
};

// Calls `onHeader(end)` at the first section of the name and `onLine(line, parsed, begin,
// end)` for each line within it; offsets are byte positions in the text, `end` before the
// line end. Returns whether the section was found.
template <class OnHeader, class OnLine>
bool visitSection(std::string_view text, std::string_view section, OnHeader&& onHeader,
                  OnLine&& onLine) {
    // 0: before the wanted section, 1: inside it, 2: past it.
    int state = 0;
    bool first = true;
    visitLines(text, [&](std::string_view line) {
        if (state == 2) {
            return;
        }
        const IniLine parsed = classify(line, first);
        first = false;
        const auto begin = static_cast<std::size_t>(line.data() - text.data());
        const std::size_t end = begin + line.size();
        if (parsed.kind == LineKind::Section) {
            if (state == 1) {
                state = 2;
            } else if (sameName(parsed.name, section)) {
                state = 1;
                onHeader(end);
            }
            return;
        }
        if (state == 1) {
            onLine(line, parsed, begin, end);
        }
    });
    return state != 0;
}

Location locate(std::string_view text, std::string_view section, std::string_view key) {
    Location where;
    where.sectionFound = visitSection(
        text, section, [&](std::size_t end) { where.lastContentEnd = end; },
        [&](std::string_view line, const IniLine& parsed, std::size_t begin, std::size_t end) {
            if (!trim(line).empty()) {
                where.lastContentEnd = end;
            }
            if (parsed.kind == LineKind::Entry && !where.keyFound && sameName(parsed.name, key)) {
                where.keyFound = true;
                where.keyBegin = begin;
                where.keyEnd = end;
                where.keyName = parsed.name;
                where.value = parsed.value;
                where.hasValue = parsed.hasValue;
            }
        });
    return where;
}

// The line end the text already uses, so that added lines match it; CR LF for a new file.
std::string_view lineEndOf(std::string_view text) {
    const auto at = text.find_first_of("\r\n");
    if (at == std::string_view::npos) {
        return "\r\n";
    }
    if (text[at] == '\n') {
        return "\n";
    }
    return at + 1 < text.size() && text[at + 1] == '\n' ? "\r\n" : "\r";
}

std::string entryText(std::string_view key, std::string_view value) {
    std::string line(key);
    line += '=';
    const bool quote = !value.empty() && (isPadding(value.front()) || isPadding(value.back()) ||
                                          enclosedInQuotes(value));
    if (quote) {
        line += '"';
    }
    line += value;
    if (quote) {
        line += '"';
    }
    return line;
}

std::string unquoted(std::string_view value) {
    if (enclosedInQuotes(value)) {
        value = value.substr(1, value.size() - 2);
    }
    return std::string(value);
}

// Length of the line end that starts at `at` (0 at the end of the text).
std::size_t lineEndLength(std::string_view text, std::size_t at) {
    if (at >= text.size()) {
        return 0;
    }
    return text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n' ? 2 : 1;
}

// Puts `lines` (joined by line ends, none after the last) after the line that ends at
// `lineEnd`.
void insertAfterLine(std::string& text, std::size_t lineEnd, const std::string& eol,
                     const std::string& lines) {
    const std::size_t endLength = lineEndLength(text, lineEnd);
    if (endLength == 0) {
        // That line is the text's last and has no line end yet.
        text.insert(lineEnd, eol + lines);
    } else {
        text.insert(lineEnd + endLength, lines + eol);
    }
}

void appendSection(std::string& text, std::string_view section, const std::string& eol,
                   const std::string& lines) {
    if (!text.empty() && text.back() != '\n' && text.back() != '\r') {
        text += eol;
    }
    text += '[';
    text += section;
    text += ']';
    text += eol;
    text += lines;
    text += eol;
}

}  // namespace

std::optional<std::string> IniDocument::value(std::string_view section,
                                              std::string_view key) const {
    const Location where = locate(m_text, section, key);
    if (!where.keyFound || !where.hasValue) {
        return std::nullopt;
    }
    return unquoted(where.value);
}

void IniDocument::set(std::string_view section, std::string_view key, std::string_view value) {
    const Location where = locate(m_text, section, key);
    if (where.keyFound) {
        m_text.replace(where.keyBegin, where.keyEnd - where.keyBegin,
                       entryText(where.keyName, value));
        return;
    }
    const std::string eol(lineEndOf(m_text));
    if (where.sectionFound) {
        insertAfterLine(m_text, where.lastContentEnd, eol, entryText(key, value));
    } else {
        appendSection(m_text, section, eol, entryText(key, value));
    }
}

std::vector<std::pair<std::string, std::string>> IniDocument::entries(
    std::string_view section) const {
    std::vector<std::pair<std::string, std::string>> found;
    visitSection(
        m_text, section, [](std::size_t) {},
        [&](std::string_view, const IniLine& parsed, std::size_t, std::size_t) {
            if (parsed.kind == LineKind::Entry && parsed.hasValue) {
                found.emplace_back(std::string(parsed.name), unquoted(parsed.value));
            }
        });
    return found;
}

void IniDocument::replaceEntries(std::string_view section,
                                 const std::vector<std::pair<std::string, std::string>>& lines) {
    const std::string eol(lineEndOf(m_text));
    std::string block;
    for (const auto& [key, value] : lines) {
        block += block.empty() ? "" : eol;
        block += entryText(key, value);
    }
    // The key lines with their line ends, as [begin, end) byte ranges.
    std::vector<std::pair<std::size_t, std::size_t>> keyLines;
    std::size_t lastContentEnd = 0;
    const bool sectionFound = visitSection(
        m_text, section, [&](std::size_t end) { lastContentEnd = end; },
        [&](std::string_view line, const IniLine& parsed, std::size_t begin, std::size_t end) {
            if (parsed.kind == LineKind::Entry && parsed.hasValue) {
                keyLines.emplace_back(begin, end + lineEndLength(m_text, end));
            } else if (!trim(line).empty()) {
                lastContentEnd = end;
            }
        });
    if (keyLines.empty()) {
        if (lines.empty()) {
            return;
        }
        if (sectionFound) {
            insertAfterLine(m_text, lastContentEnd, eol, block);
        } else {
            appendSection(m_text, section, eol, block);
        }
        return;
    }
    std::string text;
    text.reserve(m_text.size() + block.size());
    text.append(m_text, 0, keyLines.front().first);
    if (!lines.empty()) {
        text += block;
        text += eol;
    }
    std::size_t at = keyLines.front().second;
    for (std::size_t i = 1; i < keyLines.size(); ++i) {
        text.append(m_text, at, keyLines[i].first - at);
        at = keyLines[i].second;
    }
    text.append(m_text, at);
    m_text = std::move(text);
}

}  // namespace kalmero

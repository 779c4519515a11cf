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

Location locate(std::string_view text, std::string_view section, std::string_view key) {
    Location where;
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
                where.sectionFound = true;
                where.lastContentEnd = end;
            }
            return;
        }
        if (state != 1) {
            return;
        }
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

// Length of the line end that starts at `at` (0 at the end of the text).
std::size_t lineEndLength(std::string_view text, std::size_t at) {
    if (at >= text.size()) {
        return 0;
    }
    return text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n' ? 2 : 1;
}

}  // namespace

std::optional<std::string> IniDocument::value(std::string_view section,
                                              std::string_view key) const {
    const Location where = locate(m_text, section, key);
    if (!where.keyFound || !where.hasValue) {
        return std::nullopt;
    }
    std::string_view text = where.value;
    if (enclosedInQuotes(text)) {
        text = text.substr(1, text.size() - 2);
    }
    return std::string(text);
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
        std::size_t at = where.lastContentEnd;
        const std::size_t endLength = lineEndLength(m_text, at);
        std::string insert = entryText(key, value) + eol;
        if (endLength == 0) {
            // The section's last line is the text's last and has no line end yet.
            insert = eol + entryText(key, value);
        } else {
            at += endLength;
        }
        m_text.insert(at, insert);
        return;
    }
    if (!m_text.empty() && m_text.back() != '\n' && m_text.back() != '\r') {
        m_text += eol;
    }
    m_text += '[';
    m_text += section;
    m_text += ']';
    m_text += eol;
    m_text += entryText(key, value);
    m_text += eol;
}

}  // namespace kalmero

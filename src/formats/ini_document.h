#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kalmero {

// Ini text read and edited the way the Windows profile functions do it, one key at a time,
// keeping every other byte of the text as it stood (other sections and keys, comments,
// blank lines, order, line ends). Names match without regard to ASCII letter case; only
// the first section of a name and the first key of a name within it count.
class IniDocument {
public:
    explicit IniDocument(std::string text) : m_text(std::move(text)) {}

    // The key's value with blanks around it removed and one pair of enclosing quotes
    // dropped; nullopt when the section or key is missing or the key line has no "=".
    std::optional<std::string> value(std::string_view section, std::string_view key) const;

    // Replaces the key's line with "key=value" (the key spelled as the file has it), or adds
    // the key at the end of its section, or the section at the end of the text. A value
    // with blanks at its ends, or enclosed in quotes, is written in quotes so that it reads
    // back unchanged. The caller keeps CR, LF and NUL out of the value.
    void set(std::string_view section, std::string_view key, std::string_view value);

    // Every "key=value" line of the section, in file order, read as value() reads one
    // (duplicates kept: the caller decides which counts). Lines without "=" are left out.
    std::vector<std::pair<std::string, std::string>> entries(std::string_view section) const;

    // Puts `lines` in place of the section's key lines, where its first key line stood (or
    // after its last line, or in a new section at the end), keeping its comments and blank
    // lines and the rest of the text. Values are written as set() writes them; the caller
    // keeps CR, LF, NUL and "=" out of keys, and CR, LF and NUL out of values.
    void replaceEntries(std::string_view section,
                        const std::vector<std::pair<std::string, std::string>>& lines);

    const std::string& text() const { return m_text; }

private:
    std::string m_text;
};

}  // namespace kalmero

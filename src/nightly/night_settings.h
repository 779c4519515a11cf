#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/day_dates.h"

namespace kalmero {

// A mistake of the settings file, told with its line (0: the file as a whole). UTF-8.
struct SettingsProblem {
    int line = 0;
    std::string text;

    friend bool operator==(const SettingsProblem&, const SettingsProblem&) = default;
};

// One key of the settings file as written: its value (quotes and escapes taken off) and the
// line it starts on.
struct SettingsEntry {
    std::string key;
    std::string value;
    int line = 0;
};

// The file's entries in their order, and its mistakes.
struct SettingsText {
    std::vector<SettingsEntry> entries;
    std::vector<SettingsProblem> problems;
    bool whole = true;  // false: a line no setting can be stopped the reading
};

// Reads nightly.conf's bytes: KEY="value", KEY='value' or KEY=value lines, comments, blank
// lines, CR LF and a UTF-8 byte order mark. Nothing is expanded or run. Pure.
SettingsText readSettingsText(std::string_view bytes);

// Which day the settings name (DZIEN): empty, "tomorrow", "today", "+N" or a date.
struct DaySetting {
    enum class Kind { Usual, Offset, Date };
    Kind kind = Kind::Usual;
    int offset = 0;  // Offset: days after today
    Day date;        // Date
};

// An option of DODATKOWE_OPCJE naming a file the day reads, with its line.
struct NamedInput {
    int line = 0;
    std::string option;
    std::string path;
};

// The night's settings, each value checked by its key. Paths are as written (UTF-8).
struct NightSettings {
    std::string account;  // UZYTKOWNIK; empty: the account the program runs as
    int accountLine = 0;
    std::string playlistFolder;
    std::string advertFolder;
    std::string resultFolder;
    std::string playlistPattern;
    std::string advertPattern;
    std::string resultPattern;
    std::string reportPattern;  // empty: no report
    DaySetting day;
    bool redoBegun = false;  // NADPISZ_TRWAJACY_DZIEN="tak"
    int mode = 0;
    std::string breakSeconds;          // digits; empty: the account's setting
    bool correctLoudness = false;      // POPRAW_GLOSNOSC="tak"
    std::vector<std::string> pathMap;  // PREFIX=FOLDER lines
    std::vector<std::string> extra;    // further batch options, --picture left out
    std::string picture;               // --picture's path; empty when not given
    std::vector<NamedInput> inputs;    // files the extra options name
};

// The entries checked and typed; mistakes added to `problems` with their lines.
NightSettings checkSettings(const SettingsText& text, std::vector<SettingsProblem>& problems);

// The first `limit` bytes of `text` cut at a character's start, "…" added when cut: an echo
// of the file that can't flood the journal.
std::string shortEcho(std::string_view text, std::size_t limit = 80);

}  // namespace kalmero

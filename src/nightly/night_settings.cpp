#include "nightly/night_settings.h"

#include <algorithm>
#include <array>
#include <map>
#include <set>

#include "formats/path_map_settings.h"
#include "platform/encoding.h"
#include "session/picture_kind.h"

namespace kalmero {

namespace {

constexpr std::array<std::string_view, 15> kKnownKeys = {
    "UZYTKOWNIK",  "FOLDER_PLAYLIST", "FOLDER_REKLAM", "FOLDER_WYNIKOWY", "WZOR_PLAYLISTY",
    "WZOR_REKLAM", "WZOR_WYNIKU",     "WZOR_RAPORTU",  "DZIEN",           "NADPISZ_TRWAJACY_DZIEN",
    "TRYB",        "CZAS_BREAKA",     "MAPA_SCIEZEK",  "DODATKOWE_OPCJE", "POPRAW_GLOSNOSC"};

// A line longer than this is no setting: told cut, the file refused.
constexpr std::size_t kLongestLine = 4096;

bool known(std::string_view key) {
    return std::find(kKnownKeys.begin(), kKnownKeys.end(), key) != kKnownKeys.end();
}

// The keys whose value may span lines: one entry per line.
bool multiLine(std::string_view key) { return key == "MAPA_SCIEZEK" || key == "DODATKOWE_OPCJE"; }

bool blank(char c) { return c == ' ' || c == '\t'; }

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool keyStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool keyChar(char c) { return keyStart(c) || (c >= '0' && c <= '9'); }

// The length of the KEY at the start of `line`, followed by "="; 0 when there is none.
std::size_t keyLength(std::string_view line) {
    if (line.empty() || !keyStart(line[0])) {
        return 0;
    }
    std::size_t n = 1;
    while (n < line.size() && keyChar(line[n])) {
        ++n;
    }
    return n < line.size() && line[n] == '=' ? n : 0;
}

// Whether `line` starts a known key: the line a quote left open runs into.
bool startsKnownKey(std::string_view line) {
    line = trimmed(line);
    const std::size_t n = keyLength(line);
    return n > 0 && known(line.substr(0, n));
}

std::vector<std::string_view> splitLines(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        bytes.remove_prefix(3);  // Notepad's byte order mark
    }
    std::vector<std::string_view> lines;
    while (!bytes.empty()) {
        const std::size_t end = std::min(bytes.find('\n'), bytes.size());
        std::string_view line = bytes.substr(0, end);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        lines.push_back(line);
        bytes.remove_prefix(std::min(end + 1, bytes.size()));
    }
    return lines;
}

// Reads one quoted value from `rest` (after its opening quote), taking further lines from
// `lines` at `next` while the key may span them. Returns false when the quote is not closed:
// the problem is added.
class QuotedReader {
public:
    QuotedReader(const std::vector<std::string_view>& lines, std::size_t& next,
                 std::vector<SettingsProblem>& problems)
        : m_lines(lines), m_next(next), m_problems(problems) {}

    bool read(std::string_view key, int line, char quote, std::string_view& rest,
              std::string& value) {
        const std::string name = quote == '"' ? "cudzysłowu (\")" : "apostrofu (')";
        for (;;) {
            if (rest.empty() || (quote == '"' && rest == "\\")) {
                const bool joined = !rest.empty();
                if (!joined && !multiLine(key)) {
                    fail(line, std::string(key) + ": brak zamykającego " + name +
                                   " w tym wierszu (wartość tego klucza mieści się w jednym)");
                    return false;
                }
                if (m_next >= m_lines.size()) {
                    fail(line, std::string(key) + ": brak zamykającego " + name);
                    return false;
                }
                if (startsKnownKey(m_lines[m_next])) {
                    fail(line, std::string(key) + ": brak zamykającego " + name + "; wiersz " +
                                   std::to_string(m_next + 1) + " zaczyna już następny klucz");
                    return false;
                }
                if (!joined) {
                    value += '\n';
                }
                rest = m_lines[m_next++];
                continue;
            }
            const char c = rest.front();
            rest.remove_prefix(1);
            if (c == quote) {
                return true;
            }
            if (quote == '"' && c == '\\' && !rest.empty() &&
                std::string_view("\"\\$`").find(rest.front()) != std::string_view::npos) {
                value += rest.front();
                rest.remove_prefix(1);
                continue;
            }
            value += c;
        }
    }

private:
    void fail(int line, std::string text) { m_problems.push_back({line, std::move(text)}); }

    const std::vector<std::string_view>& m_lines;
    std::size_t& m_next;
    std::vector<SettingsProblem>& m_problems;
};

// The bytes no line may hold: each such line named, nothing else read.
bool rawLinesSound(const std::vector<std::string_view>& lines,
                   std::vector<SettingsProblem>& problems) {
    bool sound = true;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const int number = static_cast<int>(i + 1);
        if (lines[i].find('\0') != std::string_view::npos) {
            problems.push_back({number, "bajt zerowy (NUL) w wierszu: plik nie jest tekstem"});
            sound = false;
        } else if (lines[i].size() > kLongestLine) {
            problems.push_back({number, "wiersz dłuższy niż " + std::to_string(kLongestLine) +
                                            " bajtów: " + shortEcho(lines[i])});
            sound = false;
        }
    }
    return sound;
}

}  // namespace

std::string shortEcho(std::string_view text, std::size_t limit) {
    if (text.size() <= limit) {
        return std::string(text);
    }
    std::size_t end = limit;
    // Never half a UTF-8 character.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        --end;
    }
    return std::string(text.substr(0, end)) + "…";
}

SettingsText readSettingsText(std::string_view bytes) {
    SettingsText out;
    const std::vector<std::string_view> lines = splitLines(bytes);
    if (!rawLinesSound(lines, out.problems)) {
        out.whole = false;
        return out;
    }
    std::map<std::string, int, std::less<>> seen;
    std::size_t next = 0;
    QuotedReader quoted(lines, next, out.problems);
    while (next < lines.size()) {
        const int number = static_cast<int>(next + 1);
        std::string_view line = lines[next++];
        while (!line.empty() && blank(line.front())) {
            line.remove_prefix(1);
        }
        if (line.empty() || line.front() == '#') {
            continue;
        }
        const std::size_t keyEnd = keyLength(line);
        if (keyEnd == 0) {
            out.problems.push_back({number, "oczekuję KLUCZ=wartość, jest: " + shortEcho(line)});
            continue;
        }
        const std::string key(line.substr(0, keyEnd));
        std::string_view rest = line.substr(keyEnd + 1);
        std::string value;
        if (!rest.empty() && (rest.front() == '"' || rest.front() == '\'')) {
            const char quote = rest.front();
            rest.remove_prefix(1);
            if (!quoted.read(shortEcho(key, 40), number, quote, rest, value)) {
                continue;
            }
        } else {
            const std::size_t end = std::min(rest.find_first_of(" \t"), rest.size());
            value = rest.substr(0, end);
            rest.remove_prefix(end);
            if (value.find_first_of("\"'") != std::string::npos) {
                out.problems.push_back(
                    {number, key + ": cudzysłów albo apostrof w środku wartości " +
                                 shortEcho(value) + "; ujmij w nie całą wartość"});
                continue;
            }
            if (value.find_first_of("\\;&|<>()") != std::string::npos) {
                out.problems.push_back(
                    {number, key + ": wartość ze znakami \\ ; & | < > ( ) ujmij w apostrofy: " +
                                 key + "='" + shortEcho(value) + "'"});
                continue;
            }
        }
        const int last = static_cast<int>(next);
        const std::string_view after = trimmed(rest);
        if (!after.empty() && (after.front() != '#' || !blank(rest.front()))) {
            out.problems.push_back({last, shortEcho(key, 40) +
                                              ": po wartości zostało: " + shortEcho(rest) +
                                              " (wartość ze spacjami ujmij w cudzysłów)"});
        } else if (!known(key)) {
            std::string names;
            for (const std::string_view name : kKnownKeys) {
                names += " " + std::string(name);
            }
            out.problems.push_back(
                {number, "nieznany klucz " + shortEcho(key, 40) + " (znane:" + names + ")"});
        } else if (const auto earlier = seen.find(key); earlier != seen.end()) {
            out.problems.push_back({number, key + " podany drugi raz (pierwszy raz w wierszu " +
                                                std::to_string(earlier->second) + ")"});
        } else {
            seen.emplace(key, number);
            out.entries.push_back({key, std::move(value), number});
        }
    }
    return out;
}

namespace {

// The checks of the typed values, each mistake named by the key and line it stands on.
class Checker {
public:
    Checker(const SettingsText& text, std::vector<SettingsProblem>& problems)
        : m_problems(problems) {
        for (const SettingsEntry& entry : text.entries) {
            m_entries.emplace(entry.key, &entry);
        }
    }

    std::string value(std::string_view key, std::string_view fallback = "") const {
        const auto found = m_entries.find(key);
        return found != m_entries.end() ? found->second->value : std::string(fallback);
    }
    int line(std::string_view key) const {
        const auto found = m_entries.find(key);
        return found != m_entries.end() ? found->second->line : 0;
    }

    void bad(std::string_view key, std::string_view why) {
        std::string shown = value(key);
        std::replace(shown.begin(), shown.end(), '\n', ' ');
        const std::string name(key);
        m_problems.push_back(
            {line(key), line(key) > 0 ? name + "=" + shortEcho(shown) + ": " + std::string(why)
                                      : name + ": " + std::string(why)});
    }
    void problem(int line, std::string text) { m_problems.push_back({line, std::move(text)}); }

    // "tak" or "nie", `fallback` when not given.
    bool yesNo(std::string_view key) {
        const std::string v = value(key, "nie");
        if (v != "tak" && v != "nie") {
            bad(key, "podaj tak albo nie");
        }
        return v == "tak";
    }

    // A PREFIX=FOLDER line of a path map; `where` names the key (and option).
    void pathMapLine(int line, const std::string& where, const std::string& entry) {
        const std::size_t equals = entry.find('=');
        if (equals == std::string::npos || equals == 0) {
            problem(line, where + ": " + shortEcho(entry) +
                              ": oczekuję PREFIKS=FOLDER, np. C:\\Radio=/srv/radio");
            return;
        }
        if (!std::string_view(entry).substr(equals + 1).starts_with('/')) {
            problem(line,
                    where + ": " + shortEcho(entry) + ": folder musi być pełną ścieżką, od /");
            return;
        }
        PathMap map;
        const auto bytes = utf8ToCp1250(entry);
        const PathMapRefusal refusal =
            bytes ? addPathMapValue(map, *bytes)
                  : PathMapRefusal("to nie tekst UTF-8 albo znak spoza Windows-1250");
        if (refusal) {
            problem(line, where + ": " + shortEcho(entry) + ": " + *refusal);
        }
    }

private:
    std::map<std::string, const SettingsEntry*, std::less<>> m_entries;
    std::vector<SettingsProblem>& m_problems;
};

DaySetting daySetting(Checker& check) {
    const std::string text = check.value("DZIEN");
    DaySetting day;
    if (text.empty()) {
        return day;
    }
    if (text == "today" || text == "tomorrow") {
        day.kind = DaySetting::Kind::Offset;
        day.offset = text == "today" ? 0 : 1;
    } else if (text.starts_with('+') && wholeNumber(std::string_view(text).substr(1), 3660)) {
        day.kind = DaySetting::Kind::Offset;
        day.offset = *wholeNumber(std::string_view(text).substr(1), 3660);
    } else if (const auto date = parseDay(text, Day{}); date && text.size() == 10) {
        day.kind = DaySetting::Kind::Date;
        day.date = *date;
    } else if (text.size() == 10 && text[4] == '-' && text[7] == '-') {
        check.bad("DZIEN", "nie ma takiego dnia");
    } else {
        check.bad("DZIEN", "podaj tomorrow, today, +N (do 3660) albo RRRR-MM-DD");
    }
    return day;
}

// The options a key of its own sets, with that key.
std::string_view ownerOf(std::string_view option) {
    static const std::map<std::string_view, std::string_view> kOwners = {
        {"--mix", "FOLDER_PLAYLIST i WZOR_PLAYLISTY"},
        {"--lst", "FOLDER_REKLAM i WZOR_REKLAM"},
        {"--out", "FOLDER_WYNIKOWY i WZOR_WYNIKU"},
        {"--report", "WZOR_RAPORTU"},
        {"--mode", "TRYB"},
        {"--break-seconds", "CZAS_BREAKA"},
        {"--date", "DZIEN"},
        {"--days", "DZIEN"},
        {"--weekday", "DZIEN"},
        {"--popraw-glosnosc", "POPRAW_GLOSNOSC"}};
    const auto found = kOwners.find(option);
    return found != kOwners.end() ? found->second : std::string_view();
}

struct Word {
    std::string text;
    int line = 0;
};

std::vector<Word> splitWords(const std::string& value, int firstLine) {
    std::vector<Word> words;
    int line = firstLine;
    std::string current;
    for (const char c : value + " ") {
        if (c == ' ' || c == '\t' || c == '\n') {
            if (!current.empty()) {
                words.push_back({std::move(current), line});
                current.clear();
            }
            line += c == '\n' ? 1 : 0;
        } else {
            current += c;
        }
    }
    return words;
}

void extraOptions(Checker& check, NightSettings& out) {
    const std::vector<Word> words =
        splitWords(check.value("DODATKOWE_OPCJE"), check.line("DODATKOWE_OPCJE"));
    const std::string where = "DODATKOWE_OPCJE";
    std::set<std::string> given;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const Word& word = words[i];
        const std::size_t equals = word.text.find('=');
        const bool joined = word.text.starts_with("--") && equals != std::string::npos;
        const std::string name = joined ? word.text.substr(0, equals) : word.text;
        const bool flag = name == "--strict" || name == "--fade" || name == "--no-fade" ||
                          name == "--no-break-sound";
        const bool path = name == "--matrix" || name == "--config" || name == "--break-sound" ||
                          name == "--picture";
        if (!flag && !path && name != "--drift-limit" && name != "--path-map") {
            const std::string_view owner = ownerOf(name);
            check.problem(word.line,
                          where + ": " + shortEcho(name, 40) +
                              (owner.empty() ? ": nieznana opcja (opcje: man kalmero-batch)"
                                             : ": tę opcję ustawia " + std::string(owner)));
            continue;
        }
        if (name != "--path-map" && !given.insert(name).second) {
            check.problem(word.line, where + ": " + name + " podana drugi raz");
        }
        if (flag) {
            out.extra.push_back(name);
            continue;
        }
        std::string argument;
        if (joined) {
            argument = word.text.substr(equals + 1);
        } else if (i + 1 < words.size()) {
            argument = words[++i].text;
        }
        const std::string shown = argument.empty() ? "(brak)" : shortEcho(argument);
        if (name == "--drift-limit") {
            if (!wholeNumber(argument, 24 * 60)) {
                check.problem(word.line,
                              where + ": " + name + " " + shown + ": pełne minuty od 0 do 1440");
            }
        } else if (name == "--path-map") {
            check.pathMapLine(word.line, where + ": --path-map", argument);
        } else if (!argument.starts_with('/')) {
            check.problem(word.line,
                          where + ": " + name + " " + shown + ": podaj pełną ścieżkę, od /");
        } else if (name == "--picture") {
            if (!pictureKindOf(argument)) {
                check.problem(word.line, where + ": --picture " + shown +
                                             ": obraz zapisuje się jako .png lub .pdf");
            }
            out.picture = argument;
            continue;
        } else {
            out.inputs.push_back({word.line, name, argument});
        }
        out.extra.push_back(name);
        out.extra.push_back(argument);
    }
    for (const auto& [one, other] :
         {std::pair{"--fade", "--no-fade"}, std::pair{"--break-sound", "--no-break-sound"}}) {
        if (given.contains(one) && given.contains(other)) {
            check.problem(words.front().line,
                          where + ": " + one + " i " + other + " wykluczają się; zostaw jedną");
        }
    }
}

}  // namespace

NightSettings checkSettings(const SettingsText& text, std::vector<SettingsProblem>& problems) {
    Checker check(text, problems);
    NightSettings out;
    out.account = check.value("UZYTKOWNIK");
    out.accountLine = check.line("UZYTKOWNIK");
    const std::pair<const char*, std::string*> required[] = {
        {"FOLDER_PLAYLIST", &out.playlistFolder}, {"FOLDER_REKLAM", &out.advertFolder},
        {"FOLDER_WYNIKOWY", &out.resultFolder},   {"WZOR_PLAYLISTY", &out.playlistPattern},
        {"WZOR_REKLAM", &out.advertPattern},      {"WZOR_WYNIKU", &out.resultPattern}};
    for (const auto& [key, target] : required) {
        *target = check.value(key);
        if (target->empty()) {
            check.bad(key, "brak wartości");
        } else if (std::string_view(key).starts_with("FOLDER_") && !target->starts_with('/')) {
            check.bad(key, "podaj pełną ścieżkę folderu, od /");
        }
    }
    out.reportPattern = check.value("WZOR_RAPORTU");
    out.day = daySetting(check);
    out.redoBegun = check.yesNo("NADPISZ_TRWAJACY_DZIEN");
    out.correctLoudness = check.yesNo("POPRAW_GLOSNOSC");
    const std::string mode = check.value("TRYB", "0");
    if (mode != "0" && mode != "1" && mode != "2") {
        check.bad("TRYB", "tryb musi być 0, 1 albo 2");
    }
    out.mode = mode.empty() ? 0 : mode[0] - '0';
    out.breakSeconds = check.value("CZAS_BREAKA");
    if (!out.breakSeconds.empty() && !wholeNumber(out.breakSeconds, 2147483)) {
        check.bad("CZAS_BREAKA",
                  "czas breaka to pełne sekundy od 0 do 2147483 (pusta wartość: jak w oknie)");
    }
    int line = check.line("MAPA_SCIEZEK");
    const std::string maps = check.value("MAPA_SCIEZEK") + "\n";
    for (std::size_t start = 0, end = 0; (end = maps.find('\n', start)) != std::string::npos;
         start = end + 1, ++line) {
        const std::string entry(trimmed(std::string_view(maps).substr(start, end - start)));
        if (!entry.empty() && entry.front() != '#') {
            check.pathMapLine(line, "MAPA_SCIEZEK", entry);
            out.pathMap.push_back(entry);
        }
    }
    extraOptions(check, out);
    return out;
}

}  // namespace kalmero

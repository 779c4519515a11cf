// The night's settings file: each mistake named with its line, and the values the night runs on.
#include "nightly/night_settings.h"

#include <gtest/gtest.h>

namespace kalmero {
namespace {

const std::string kBase =
    "FOLDER_PLAYLIST=/p\nFOLDER_REKLAM=/r\nFOLDER_WYNIKOWY=/w\n"
    "WZOR_PLAYLISTY=%Y%m%d.mix\nWZOR_REKLAM=%Y%m%d.lst\nWZOR_WYNIKU=%Y%m%d.mix\n";  // lines 1-6

std::vector<SettingsProblem> problemsOf(const std::string& bytes) {
    SettingsText text = readSettingsText(bytes);
    std::vector<SettingsProblem> problems = text.problems;
    if (problems.empty()) {
        checkSettings(text, problems);
    }
    return problems;
}

TEST(NightSettings, EachMistakeNamedWithItsLine) {
    const std::string longLine = "X" + std::string(5000, 'y');
    const struct {
        const char* name;
        std::string bytes;
        int line;
        std::string text;
    } rows[] = {
        {"a NUL byte", kBase + std::string("TRYB=0\0; touch /tmp/x\n", 22), 7,
         "bajt zerowy (NUL) w wierszu: plik nie jest tekstem"},
        {"a quote left open on one line", kBase + "DZIEN=\"tomorrow\nTRYB=1\n", 7,
         "DZIEN: brak zamykającego cudzysłowu (\") w tym wierszu (wartość tego klucza mieści się "
         "w jednym)"},
        {"an apostrophe left open in a map, the next key after it",
         kBase + "MAPA_SCIEZEK='\nC:\\R=/r\nTRYB=1\n", 7,
         "MAPA_SCIEZEK: brak zamykającego apostrofu ('); wiersz 9 zaczyna już następny klucz"},
        {"a quote open at the file's end", kBase + "MAPA_SCIEZEK=\"\nC:\\R=/r\n", 7,
         "MAPA_SCIEZEK: brak zamykającego cudzysłowu (\")"},
        {"an over-long line echoed cut", kBase + longLine + "\n", 7,
         "wiersz dłuższy niż 4096 bajtów: " + longLine.substr(0, 80) + "…"},
        {"an unknown long key echoed cut", kBase + std::string(100, 'K') + "=1\n", 7,
         "nieznany klucz " + std::string(40, 'K') +
             "… (znane: UZYTKOWNIK FOLDER_PLAYLIST "
             "FOLDER_REKLAM FOLDER_WYNIKOWY WZOR_PLAYLISTY WZOR_REKLAM WZOR_WYNIKU WZOR_RAPORTU "
             "DZIEN NADPISZ_TRWAJACY_DZIEN TRYB CZAS_BREAKA MAPA_SCIEZEK DODATKOWE_OPCJE "
             "POPRAW_GLOSNOSC)"},
        {"text after the value on the value's last line", kBase + "MAPA_SCIEZEK='\nC:\\R=/r\n' x\n",
         9, "MAPA_SCIEZEK: po wartości zostało:  x (wartość ze spacjami ujmij w cudzysłów)"},
        {"a key twice", kBase + "TRYB=1\nTRYB=2\n", 8,
         "TRYB podany drugi raz (pierwszy raz w wierszu 7)"},
        {"no key", kBase + "rm -rf /\n", 7, "oczekuję KLUCZ=wartość, jest: rm -rf /"},
        {"an unquoted semicolon", kBase + "UZYTKOWNIK=a;b\n", 7,
         "UZYTKOWNIK: wartość ze znakami \\ ; & | < > ( ) ujmij w apostrofy: UZYTKOWNIK='a;b'"},
        {"a mode out of range", kBase + "TRYB=3\n", 7, "TRYB=3: tryb musi być 0, 1 albo 2"},
        {"a break over its range", kBase + "CZAS_BREAKA=2147484\n", 7,
         "CZAS_BREAKA=2147484: czas breaka to pełne sekundy od 0 do 2147483 (pusta wartość: jak "
         "w oknie)"},
        {"no such day", kBase + "DZIEN=2026-02-29\n", 7, "DZIEN=2026-02-29: nie ma takiego dnia"},
        {"a day word unknown", kBase + "DZIEN=jutro\n", 7,
         "DZIEN=jutro: podaj tomorrow, today, +N (do 3660) albo RRRR-MM-DD"},
        {"yes or no", kBase + "POPRAW_GLOSNOSC=yes\n", 7,
         "POPRAW_GLOSNOSC=yes: podaj tak albo nie"},
        {"a relative folder", "FOLDER_PLAYLIST=p\n" + kBase.substr(kBase.find('\n') + 1), 1,
         "FOLDER_PLAYLIST=p: podaj pełną ścieżkę folderu, od /"},
        {"a map line without a folder from /", kBase + "MAPA_SCIEZEK='\n\nC:\\R=r\n'\n", 9,
         "MAPA_SCIEZEK: C:\\R=r: folder musi być pełną ścieżką, od /"},
        {"an option a key sets, on its own line", kBase + "DODATKOWE_OPCJE='--strict\n--mode 1'\n",
         8, "DODATKOWE_OPCJE: --mode: tę opcję ustawia TRYB"},
        {"an unknown option", kBase + "DODATKOWE_OPCJE=\"--frobnicate\"\n", 7,
         "DODATKOWE_OPCJE: --frobnicate: nieznana opcja (opcje: man kalmero-batch)"},
        {"a drift limit past a day", kBase + "DODATKOWE_OPCJE=\"--drift-limit=1441\"\n", 7,
         "DODATKOWE_OPCJE: --drift-limit 1441: pełne minuty od 0 do 1440"},
        {"a relative config", kBase + "DODATKOWE_OPCJE=\"--config k.ini\"\n", 7,
         "DODATKOWE_OPCJE: --config k.ini: podaj pełną ścieżkę, od /"},
        {"a picture of no kind", kBase + "DODATKOWE_OPCJE=\"--picture /p/dzien.gif\"\n", 7,
         "DODATKOWE_OPCJE: --picture /p/dzien.gif: obraz zapisuje się jako .png lub .pdf"},
        {"a flag twice", kBase + "DODATKOWE_OPCJE=\"--strict --strict\"\n", 7,
         "DODATKOWE_OPCJE: --strict podana drugi raz"},
    };
    for (const auto& row : rows) {
        const std::vector<SettingsProblem> problems = problemsOf(row.bytes);
        ASSERT_FALSE(problems.empty()) << row.name;
        EXPECT_EQ(problems.front(), (SettingsProblem{row.line, row.text})) << row.name;
    }
}

TEST(NightSettings, ValuesAsWrittenNothingExpanded) {
    const std::string bytes =
        "\xEF\xBB\xBF# comment\r\n" + kBase +
        "UZYTKOWNIK=\"ra\\\"dio\" # the account\r\nWZOR_RAPORTU='$(touch x)`id`'\n"
        "DZIEN=+2\nNADPISZ_TRWAJACY_DZIEN=tak\nCZAS_BREAKA=007\nPOPRAW_GLOSNOSC=\"tak\"\n"
        "MAPA_SCIEZEK='\n  C:\\Radio=/srv/radio dział \n# off\n\\\\S\\r=/mnt/r\n'\n"
        "DODATKOWE_OPCJE=\"--strict --config /k.ini --picture=/p/%Y.png \\\n --path-map D:=/d\"\n";
    SettingsText text = readSettingsText(bytes);
    ASSERT_TRUE(text.problems.empty()) << text.problems.front().text;
    std::vector<SettingsProblem> problems;
    const NightSettings s = checkSettings(text, problems);
    ASSERT_TRUE(problems.empty()) << problems.front().line << problems.front().text;
    EXPECT_EQ(s.account, "ra\"dio");
    EXPECT_EQ(s.accountLine, 8);
    EXPECT_EQ(s.reportPattern, "$(touch x)`id`");
    EXPECT_EQ(s.day.kind, DaySetting::Kind::Offset);
    EXPECT_EQ(s.day.offset, 2);
    EXPECT_TRUE(s.redoBegun);
    EXPECT_TRUE(s.correctLoudness);
    EXPECT_EQ(s.breakSeconds, "007");
    EXPECT_EQ(s.pathMap,
              (std::vector<std::string>{"C:\\Radio=/srv/radio dział", "\\\\S\\r=/mnt/r"}));
    EXPECT_EQ(s.extra,
              (std::vector<std::string>{"--strict", "--config", "/k.ini", "--path-map", "D:=/d"}));
    EXPECT_EQ(s.picture, "/p/%Y.png");
    ASSERT_EQ(s.inputs.size(), 1u);
    EXPECT_EQ(s.inputs[0].line, 19);
}

}  // namespace
}  // namespace kalmero

#include "formats/ini_document.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace kalmero {
namespace {

using namespace std::string_literals;

struct ReadCase {
    const char* name;
    std::string text;
    const char* section;
    const char* key;
    std::optional<std::string> value;
};

TEST(IniDocument, ReadsLikeTheProfileFunctions) {
    const ReadCase cases[] = {
        {"names match without regard to case", "[break]\r\ntime=5\r\n", "Break", "Time", "5"},
        {"blanks around names and value are dropped", "  [ Break ]  \n\t Time \t=  12  \n", "Break",
         "Time", "12"},
        {"one pair of enclosing quotes is dropped", "[A]\nk=\" padded \"\n", "A", "k", " padded "},
        {"single quotes too", "[A]\nk='x'\n", "A", "k", "x"},
        {"unmatched quotes stay", "[A]\nk=\"x\n", "A", "k", "\"x"},
        {"a lone quote stays", "[A]\nk=\"\n", "A", "k", "\""},
        {"an empty value", "[A]\nk=\n", "A", "k", ""},
        {"the first of duplicate keys counts", "[A]\nk=1\nk=2\n", "A", "k", "1"},
        {"only the first of duplicate sections counts", "[A]\nx=1\n[B]\nk=b\n[A]\nk=2\n", "A", "k",
         std::nullopt},
        {"the first section's key wins over a later one", "[A]\nk=1\n[a]\nk=2\n", "A", "k", "1"},
        {"a key in another section is not found", "[A]\nk=1\n[B]\n", "B", "k", std::nullopt},
        {"keys before any section belong to none", "k=0\n[A]\n", "A", "k", std::nullopt},
        {"comment lines are no keys", "[A]\n;k=1\n k=2\n", "A", "k", "2"},
        {"a key line without = has no value", "[A]\nk\nk=3\n", "A", "k", std::nullopt},
        {"a value may hold = and ;", "[A]\nk=a=b;c\n", "A", "k", "a=b;c"},
        {"a section name runs to its last ]", "[A]b]\nk=1\n", "A]b", "k", "1"},
        {"a line with [ and no ] is not a section", "[A]\n[B\nk=1\n", "A", "k", "1"},
        {"bytes are kept as stored", "[Foldery]\nFolderMIX=/m\xB9ka/\n", "Foldery", "FolderMIX",
         "/m\xB9ka/"},
        {"a UTF-8 byte-order mark before the first section", "\xEF\xBB\xBF[A]\nk=1\n", "A", "k",
         "1"},
        {"lone CR line ends", "[A]\rk=1\r", "A", "k", "1"},
        {"empty text", "", "A", "k", std::nullopt},
        {"garbage", "\0\x01[\xFF=]]\n=\n==\n[]\n=5\nk=1\n"s, "A", "k", std::nullopt},
    };
    for (const ReadCase& c : cases) {
        EXPECT_EQ(IniDocument(c.text).value(c.section, c.key), c.value) << c.name;
    }
}

struct WriteCase {
    const char* name;
    std::string before;
    const char* section;
    const char* key;
    std::string value;
    std::string after;
};

TEST(IniDocument, AWriteChangesOnlyItsKey) {
    const WriteCase cases[] = {
        {"a new file", "", "Break", "Time", "10", "[Break]\r\nTime=10\r\n"},
        {"replaces the value, keeps the rest byte for byte",
         "; settings\r\n[Foldery]\r\nFolderMIX=/a/\r\n\r\n[Break]\r\nStart=0\r\nOther=x\r\n",
         "break", "START", "1",
         "; settings\r\n[Foldery]\r\nFolderMIX=/a/\r\n\r\n[Break]\r\nStart=1\r\nOther=x\r\n"},
        {"keeps the key's spelling and LF line ends", "[A]\n  TIME = 5 \n[B]\n", "a", "time", "7",
         "[A]\nTIME=7\n[B]\n"},
        {"adds a key after the section's last line, before blank lines",
         "[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n", "A", "k", "v",
         "[A]\r\nx=1\r\nk=v\r\n\r\n[B]\r\ny=2\r\n"},
        {"adds a key to a section that is the last line, without a line end", "[A]", "A", "k", "v",
         "[A]\r\nk=v"},
        {"adds a section at the end", "[A]\nx=1", "B", "k", "v", "[A]\nx=1\n[B]\nk=v\n"},
        {"writes into the first of duplicate sections", "[A]\nk=1\n[A]\nk=2\n", "A", "k", "3",
         "[A]\nk=3\n[A]\nk=2\n"},
        {"gives a key without = its value", "[A]\nk\n", "A", "k", "1", "[A]\nk=1\n"},
        {"quotes a value with blanks at its ends", "", "A", "k", " x ", "[A]\r\nk=\" x \"\r\n"},
        {"quotes a value already in quotes", "", "A", "k", "\"q\"", "[A]\r\nk=\"\"q\"\"\r\n"},
        {"stores bytes unchanged", "", "Foldery", "FolderMIX", "/pi\xEA\x9C\xE6/",
         "[Foldery]\r\nFolderMIX=/pi\xEA\x9C\xE6/\r\n"},
        {"keeps CR line ends", "[A]\rx=1\r", "A", "k", "2", "[A]\rx=1\rk=2\r"},
    };
    for (const WriteCase& c : cases) {
        IniDocument ini(c.before);
        ini.set(c.section, c.key, c.value);
        EXPECT_EQ(ini.text(), c.after) << c.name;
        EXPECT_EQ(ini.value(c.section, c.key), c.value) << c.name << ": reads back";
    }
}

TEST(IniDocument, HugeContentIsHandled) {
    const std::string huge(10 * 1024 * 1024, 'x');
    IniDocument ini("[A]\nk=" + huge + "\n" + huge + "\n[B]\nj=1\n");
    EXPECT_EQ(ini.value("A", "k")->size(), huge.size());
    EXPECT_EQ(ini.value("B", "j"), "1");
    ini.set("B", "j", huge);
    EXPECT_EQ(ini.value("B", "j"), huge);
    EXPECT_EQ(ini.value("A", "k")->size(), huge.size());
}

}  // namespace
}  // namespace kalmero

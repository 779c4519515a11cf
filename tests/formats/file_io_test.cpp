#include "formats/file_io.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "formats/test_support.h"
#include "model/file_error.h"

namespace kalmero {
namespace {

using namespace std::string_literals;
using test::TempFolder;

TEST(Lines, SplitAtEveryKindOfLineEnd) {
    struct SplitCase {
        std::string text;
        std::vector<std::string> lines;
    };
    const SplitCase cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\nb\nc\rd", {"a", "b", "c", "d"}},
        {"a\r\n", {"a"}},
        {"a\n\n", {"a", ""}},
        {"\n", {""}},
        {"\r\r\n", {"", ""}},
        {"a\n\rb", {"a", "", "b"}},  // LF CR is two line ends, not one
        {"a\r", {"a"}},
        {"x\0y\nz"s, {"x\0y"s, "z"}},  // splitting alone does not stop at NUL
    };
    for (const SplitCase& c : cases) {
        const std::vector<std::string_view> views = splitLines(c.text);
        EXPECT_EQ(std::vector<std::string>(views.begin(), views.end()), c.lines);
        EXPECT_EQ(countLines(c.text), c.lines.size());
        std::vector<std::string> seen;
        EXPECT_EQ(forEachLine(c.text, [&seen](std::string_view l) { seen.emplace_back(l); }),
                  c.lines.size());
        EXPECT_EQ(seen, c.lines);
    }
    EXPECT_EQ(cutAtNul("ab\0cd"s), "ab");
    EXPECT_EQ(cutAtNul("abc"), "abc");
}

TEST(AtomicWrite, CreatesWithTheUsualPermissions) {
    TempFolder folder;
    const mode_t mask = ::umask(022);
    writeFileAtomically(folder / "new.txt", "bytes\r\n");
    ::umask(mask);
    EXPECT_EQ(test::readBytes(folder / "new.txt"), "bytes\r\n");
    struct stat info {};
    ASSERT_EQ(::stat((folder / "new.txt").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);

    writeFileAtomically(folder / "new.txt", "");
    EXPECT_EQ(test::readBytes(folder / "new.txt"), "");
    EXPECT_EQ(folder.entries(), std::set<std::string>{"new.txt"});
}

TEST(AtomicWrite, TheChosenFailureText) {
    TempFolder folder;
    const std::string path = folder / "missing/a.ini";
    try {
        writeFileAtomically(path, "x", WriteFailureText::UnableToWrite);
        ADD_FAILURE();
    } catch (const FileError& error) {
        EXPECT_EQ(std::string(error.what()), "Unable to write to " + path);
    }
    try {
        writeFileAtomically(path, "x");
        ADD_FAILURE();
    } catch (const FileError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Cannot create file \"" + path + "\". No such file or directory");
    }
}

TEST(AtomicWrite, ALongNameStillGetsATemporary) {
    TempFolder folder;
    const std::string name(250, 'n');
    writeFileAtomically(folder / name, "x");
    EXPECT_EQ(folder.entries(), std::set<std::string>{name});
}

}  // namespace
}  // namespace kalmero

#include "formats/text_lines.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kalmero {
namespace {

using namespace std::string_literals;

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

}  // namespace
}  // namespace kalmero

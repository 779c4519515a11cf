#include "platform/file_identity.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "support/temp_folder.h"

namespace kalmero {
namespace {

// Two spellings share a key exactly when a write through either lands in one place.
TEST(ResolvedFileKey, ByTheFolderReachedNotBySpelling) {
    test::TempFolder folder;
    ASSERT_EQ(::mkdir((folder / "o14").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir((folder / "o16").c_str(), 0755), 0);
    ASSERT_EQ(::symlink((folder / "o14").c_str(), (folder / "o15").c_str()), 0);
    ASSERT_EQ(::symlink("o14/w.mix", (folder / "named.mix").c_str()), 0);
    struct Row {
        std::string a;
        std::string b;
        bool same;
    };
    const Row rows[] = {
        {folder / "o14/w.mix", folder / "o15/w.mix", true},    // a linked folder
        {folder / "o14/w.mix", folder / "o14/./w.mix", true},  // spelling alone
        {folder / "o14/w.mix", folder / "o16/../o14/w.mix", true},
        {folder / "o14/w.mix", folder / "named.mix", true},  // a link at the name
        {folder / "o14/w.mix", folder / "o16/w.mix", false},
        {folder / "o14/w.mix", folder / "o14/W.mix", false},
        {folder / "gone/w.mix", folder / "gone/./w.mix", true},  // no folder: the spelling
        {folder / "gone/w.mix", folder / "gone/v.mix", false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(resolvedFileKey(row.a) == resolvedFileKey(row.b), row.same)
            << row.a << " " << row.b;
    }
}

}  // namespace
}  // namespace kalmero

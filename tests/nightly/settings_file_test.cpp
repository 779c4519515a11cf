// The settings file is read only where no one else could have put another in its place.
#include "nightly/settings_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace kalmero {
namespace {

namespace fs = std::filesystem;

TEST(SettingsFile, ReadOnlyWhereNoOneElseCouldChangeIt) {
    char pattern[] = "/tmp/kalmero-settings-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const fs::path root(pattern);
    fs::create_directories(root / "open");
    ::chmod((root / "open").c_str(), 0777);
    for (const char* name : {"good.conf", "open/other.conf", "loose.conf"}) {
        std::ofstream(root / name) << "TRYB=1\n";
        ::chmod((root / name).c_str(), 0644);
    }
    ::chmod((root / "loose.conf").c_str(), 0664);
    fs::create_symlink(root / "good.conf", root / "link.conf");
    fs::create_symlink(root / "open/other.conf", root / "swappable.conf");
    const struct {
        const char* name;
        const char* path;
        bool read;
        std::string why;
    } rows[] = {
        {"a file of its own", "good.conf", true, ""},
        {"a link to one: the file it leads to", "link.conf", true, ""},
        {"a link into a folder anyone may change", "swappable.conf", false,
         (root / "open").string() + " może zmienić grupa lub inni (tryb 777)"},
        {"a file the group may change", "loose.conf", false,
         (root / "loose.conf").string() + " może zmienić grupa lub inni (tryb 664)"},
        {"no file", "absent.conf", false, "brak pliku ustawień"},
    };
    for (const auto& row : rows) {
        std::vector<SettingsProblem> problems;
        const auto bytes = readSettingsFile((root / row.path).string(), ::getuid(), problems);
        EXPECT_EQ(bytes.has_value(), row.read) << row.name;
        if (row.read) {
            EXPECT_EQ(bytes.value_or(""), "TRYB=1\n") << row.name;
        } else {
            ASSERT_EQ(problems.size(), 1u) << row.name;
            EXPECT_NE(problems[0].text.find(row.why), std::string::npos) << problems[0].text;
        }
    }
    fs::remove_all(root);
}

}  // namespace
}  // namespace kalmero

// Where a program finds its settings: beside itself when it was unpacked as a portable
// folder, in the user's configuration folder when installed.
#include <gtest/gtest.h>

#include <filesystem>

#include "formats/test_support.h"
#include "model/file_error.h"
#include "platform/program_folder.h"

namespace kalmero {
namespace {

struct LocationCase {
    const char* name;
    const char* besideProgram;  // a file in the program's folder, or nullptr
    const char* xdgConfigHome;  // under the test folder; "" for unset
    const char* expected;       // under the test folder
    bool portable;
    const char* why;
};

void PrintTo(const LocationCase& c, std::ostream* out) { *out << c.name; }

const LocationCase kCases[] = {
    {"IniBesideProgram", "kalmero.ini", "xdg", "bin/", true,
     "ustawienia w folderze programu (układ przenośny)"},
    {"MatrixOnlyBesideProgram", "matryca.dat", "xdg", "bin/", true,
     "ustawienia w folderze programu (układ przenośny)"},
    {"NothingBesideProgram", nullptr, "xdg", "xdg/kalmero/", false, nullptr},
    {"XdgUnset", nullptr, "", "home/.config/kalmero/", false,
     "ustawienia użytkownika w ~/.config/kalmero/"},
};

class SettingsLocationTest : public ::testing::TestWithParam<LocationCase> {
protected:
    SettingsLocationTest() {
        for (const char* folder : {"bin", "home", "share/kalmero"}) {
            std::filesystem::create_directories(m_temp / folder);
        }
        test::writeBytes(m_temp / "share/kalmero/matryca.dat", kDefaultMatrix);
    }

    SettingsInputs inputs(const std::string& xdg) const {
        return {m_temp / "bin/", xdg.empty() ? "" : m_temp / xdg, m_temp / "home",
                m_temp / "share/kalmero/"};
    }

    static constexpr const char* kDefaultMatrix = "1111111111111111111111111\r\n";
    test::TempFolder m_temp;
};

TEST_P(SettingsLocationTest, ChoosesFolder) {
    const LocationCase& c = GetParam();
    if (c.besideProgram != nullptr) {
        test::writeBytes(m_temp / "bin/" + c.besideProgram, "");
    }
    const SettingsLocation location = settingsLocation(inputs(c.xdgConfigHome));

    EXPECT_EQ(location.folder, m_temp / c.expected);
    EXPECT_EQ(location.portable, c.portable);
    if (c.why != nullptr) {
        EXPECT_EQ(location.why, c.why);
    }
    // The default matrix goes only to the user's folder; a portable folder is left as found.
    EXPECT_EQ(std::filesystem::exists(location.folder + "matryca.dat"),
              !c.portable || std::string(c.besideProgram) == "matryca.dat");
    if (!c.portable) {
        EXPECT_EQ(test::readBytes(location.folder + "matryca.dat"), kDefaultMatrix);
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, SettingsLocationTest, ::testing::ValuesIn(kCases),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(SettingsLocationTest, OperatorsMatrixIsNeverReplaced) {
    settingsLocation(inputs("xdg"));
    test::writeBytes(m_temp / "xdg/kalmero/matryca.dat", "operator's week");
    test::writeBytes(m_temp / "share/kalmero/matryca.dat", "a newer default");

    settingsLocation(inputs("xdg"));
    EXPECT_EQ(test::readBytes(m_temp / "xdg/kalmero/matryca.dat"), "operator's week");
}

TEST_F(SettingsLocationTest, MissingDefaultMatrixLeavesFolderEmpty) {
    std::filesystem::remove(m_temp / "share/kalmero/matryca.dat");
    const SettingsLocation location = settingsLocation(inputs("xdg"));
    EXPECT_TRUE(std::filesystem::is_directory(location.folder));
    EXPECT_FALSE(std::filesystem::exists(location.folder + "matryca.dat"));
}

TEST_F(SettingsLocationTest, UncreatableFolderThrows) {
    test::writeBytes(m_temp / "xdg", "a file where the folder should be");
    EXPECT_THROW(settingsLocation(inputs("xdg")), FileError);
}

}  // namespace
}  // namespace kalmero

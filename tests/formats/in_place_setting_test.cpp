// The setting that lets a result be overwritten in place: off unless the key says otherwise.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "formats/konfiguracja_file.h"

namespace kalmero {
namespace {

TEST(InPlaceSetting, OffUnlessTheKeyTurnsItOn) {
    const std::pair<std::string, bool> rows[] = {
        {"", false},
        {"[Foldery]\r\nNadpisujWMiejscu=1\r\n", true},
        {"[Foldery]\r\nNadpisujWMiejscu=0\r\n", false},
        {"[foldery]\r\nnadpisujwmiejscu=2\r\n", true},
        {"[Foldery]\r\nNadpisujWMiejscu=tak\r\n", false},
        {"[Break]\r\nNadpisujWMiejscu=1\r\n", false},
    };
    for (const auto& [ini, allowed] : rows) {
        EXPECT_EQ(parseStoredSettings(ini).inPlaceAllowed, allowed) << ini;
    }
}

}  // namespace
}  // namespace kalmero

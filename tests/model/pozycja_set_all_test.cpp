#include <gtest/gtest.h>

#include <array>
#include <string>

#include "model/pozycja.h"

namespace kalmero {
namespace {

TEST(TPozycjaSetAll, StoresLikeOneSetPerField) {
    const std::string longTitle = "Tyt=" + std::string(60, 't');
    const std::string longPath = "Adr=" + std::string(300, 'p');
    std::array<std::string_view, kFieldCount> lines{};
    lines[static_cast<std::size_t>(Field::Emi)] = "Emi=06:00:00.000";
    lines[static_cast<std::size_t>(Field::Tyt)] = longTitle;
    lines[static_cast<std::size_t>(Field::Adr)] = longPath;
    lines[static_cast<std::size_t>(Field::KFO)] = "KFO=1";

    TPozycja viaSet;
    viaSet.CzasStart = 7;
    for (std::size_t i = kFieldCount; i-- > 0;) {
        viaSet.set(static_cast<Field>(i), lines[i]);
    }
    // Start from a record full of other lines: every field is replaced, the counts stay.
    TPozycja viaSetAll;
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        viaSetAll.set(static_cast<Field>(i), "old=" + std::to_string(i));
    }
    viaSetAll.CzasStart = 7;
    viaSetAll.setAll(lines);
    EXPECT_EQ(viaSetAll, viaSet);
    EXPECT_EQ(viaSetAll.line(Field::Tyt).size(), 50u);
    EXPECT_EQ(viaSetAll.line(Field::Adr).size(), 250u);
    EXPECT_TRUE(viaSetAll.empty(Field::Typ));

    // Lines taken from the record itself.
    TPozycja self = viaSetAll;
    std::array<std::string_view, kFieldCount> own{};
    own[static_cast<std::size_t>(Field::Typ)] = self.line(Field::Emi);
    self.setAll(own);
    EXPECT_EQ(self.line(Field::Typ), "Emi=06:00:00.000");
    EXPECT_TRUE(self.empty(Field::Emi));
}

}  // namespace
}  // namespace kalmero

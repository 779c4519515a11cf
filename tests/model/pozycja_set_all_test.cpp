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
    lines[static_cast<std::size_t>(Pole::Emi)] = "Emi=06:00:00.000";
    lines[static_cast<std::size_t>(Pole::Tyt)] = longTitle;
    lines[static_cast<std::size_t>(Pole::Adr)] = longPath;
    lines[static_cast<std::size_t>(Pole::KFO)] = "KFO=1";

    TPozycja viaSet;
    viaSet.CzasStart = 7;
    for (std::size_t i = kFieldCount; i-- > 0;) {
        viaSet.set(static_cast<Pole>(i), lines[i]);
    }
    // Start from a record full of other lines: every field is replaced, the counts stay.
    TPozycja viaSetAll;
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        viaSetAll.set(static_cast<Pole>(i), "old=" + std::to_string(i));
    }
    viaSetAll.CzasStart = 7;
    viaSetAll.setAll(lines);
    EXPECT_EQ(viaSetAll, viaSet);
    EXPECT_EQ(viaSetAll.line(Pole::Tyt).size(), 50u);
    EXPECT_EQ(viaSetAll.line(Pole::Adr).size(), 250u);
    EXPECT_TRUE(viaSetAll.empty(Pole::Typ));

    // Lines taken from the record itself.
    TPozycja self = viaSetAll;
    std::array<std::string_view, kFieldCount> own{};
    own[static_cast<std::size_t>(Pole::Typ)] = self.line(Pole::Emi);
    self.setAll(own);
    EXPECT_EQ(self.line(Pole::Typ), "Emi=06:00:00.000");
    EXPECT_TRUE(self.empty(Pole::Emi));
}

}  // namespace
}  // namespace kalmero

#include "model/pozycja.h"

#include <gtest/gtest.h>

#include <string>

namespace kalmero {
namespace {

TEST(TPozycja, EmptyRecordIsAllEmpty) {
    const TPozycja r;
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        EXPECT_TRUE(r.empty(static_cast<Pole>(i)));
    }
    EXPECT_EQ(r.CzasStart, 0);
    EXPECT_EQ(r, TPozycja{});
}

TEST(TPozycja, StoreCutsToCapacity) {
    TPozycja r;
    const std::string sixty = "Tyt=" + std::string(56, 'a');
    r.set(Pole::Tyt, sixty);
    EXPECT_EQ(r.line(Pole::Tyt), sixty.substr(0, 50));
    const std::string adr = "Adr=" + std::string(256, 'b');
    r.set(Pole::Adr, adr);
    EXPECT_EQ(r.line(Pole::Adr), adr.substr(0, 250));
    r.set(Pole::Adr, sixty);
    EXPECT_EQ(r.line(Pole::Adr), sixty);
}

TEST(TPozycja, ValueIsFromTheFifthCharacter) {
    TPozycja r;
    r.set(Pole::Tyt, "Tyt=");
    EXPECT_EQ(r.value(Pole::Tyt), "");
    r.set(Pole::Tyt, "Ty");
    EXPECT_EQ(r.value(Pole::Tyt), "");
    r.set(Pole::Tyt, "XYZ?Hello");
    EXPECT_EQ(r.value(Pole::Tyt), "Hello");
}

TEST(TPozycja, FieldsAreIndependentInAnyOrder) {
    TPozycja r;
    for (int pass = 0; pass < 2; ++pass) {
        for (std::size_t i = kFieldCount; i-- > 0;) {
            const auto f = static_cast<Pole>(i);
            r.set(f, std::string(key(f)) + "=" + std::to_string(i * 7 + pass));
        }
    }
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        const auto f = static_cast<Pole>(i);
        EXPECT_EQ(r.line(f), std::string(key(f)) + "=" + std::to_string(i * 7 + 1));
    }
    TPozycja copy = r;
    copy.clear(Pole::Mix);
    EXPECT_TRUE(copy.empty(Pole::Mix));
    EXPECT_FALSE(r.empty(Pole::Mix));
    EXPECT_EQ(copy.line(Pole::NwK), r.line(Pole::NwK));
}

}  // namespace
}  // namespace kalmero

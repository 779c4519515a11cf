#include "model/pozycja.h"

#include <gtest/gtest.h>

#include <string>

namespace kalmero {
namespace {

TEST(TPozycja, EmptyRecordIsAllEmpty) {
    const TPozycja r;
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        EXPECT_TRUE(r.empty(static_cast<Field>(i)));
    }
    EXPECT_EQ(r.CzasStart, 0);
    EXPECT_EQ(r, TPozycja{});
}

TEST(TPozycja, StoreCutsToCapacity) {
    TPozycja r;
    const std::string sixty = "Tyt=" + std::string(56, 'a');
    r.set(Field::Tyt, sixty);
    EXPECT_EQ(r.line(Field::Tyt), sixty.substr(0, 50));
    const std::string adr = "Adr=" + std::string(256, 'b');
    r.set(Field::Adr, adr);
    EXPECT_EQ(r.line(Field::Adr), adr.substr(0, 250));
    r.set(Field::Adr, sixty);
    EXPECT_EQ(r.line(Field::Adr), sixty);
}

TEST(TPozycja, ValueIsFromTheFifthCharacter) {
    TPozycja r;
    r.set(Field::Tyt, "Tyt=");
    EXPECT_EQ(r.value(Field::Tyt), "");
    r.set(Field::Tyt, "Ty");
    EXPECT_EQ(r.value(Field::Tyt), "");
    r.set(Field::Tyt, "XYZ?Hello");
    EXPECT_EQ(r.value(Field::Tyt), "Hello");
}

TEST(TPozycja, FieldsAreIndependentInAnyOrder) {
    TPozycja r;
    for (int pass = 0; pass < 2; ++pass) {
        for (std::size_t i = kFieldCount; i-- > 0;) {
            const auto f = static_cast<Field>(i);
            r.set(f, std::string(key(f)) + "=" + std::to_string(i * 7 + pass));
        }
    }
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        const auto f = static_cast<Field>(i);
        EXPECT_EQ(r.line(f), std::string(key(f)) + "=" + std::to_string(i * 7 + 1));
    }
    TPozycja copy = r;
    copy.clear(Field::Mix);
    EXPECT_TRUE(copy.empty(Field::Mix));
    EXPECT_FALSE(r.empty(Field::Mix));
    EXPECT_EQ(copy.line(Field::NwK), r.line(Field::NwK));
}

}  // namespace
}  // namespace kalmero

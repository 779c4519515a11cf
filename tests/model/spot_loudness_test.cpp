#include "model/spot_loudness.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace kalmero {
namespace {

// A decoded length within 50 ms of the header's either way is the same spot; beyond, its
// figures are doubtful.
TEST(SpotLoudness, TheDecodedLengthAgreesWithinFiftyMilliseconds) {
    const struct {
        std::int64_t header;
        std::int64_t decoded;
        bool agree;
    } cases[] = {
        {30'000, 30'000, true},  {30'000, 30'050, true},  {30'000, 29'950, true},
        {30'000, 30'051, false}, {30'000, 29'949, false}, {30'000, 0, false},
        {0, 12'345, true},       {-1, 12'345, true},
    };
    for (const auto& c : cases) {
        const SpotIssue problem = lengthDisagreement(c.header, c.decoded);
        const SpotIssue expected =
            c.agree ? SpotIssue{} : SpotIssue(SpotProblem::LengthDisagrees, c.header, c.decoded);
        EXPECT_EQ(problem, expected) << c.header << " " << c.decoded;
    }
}

}  // namespace
}  // namespace kalmero

#include "model/spot_problem.h"

#include <gtest/gtest.h>

namespace kalmero {
namespace {

// Every kind of spot problem against the day's verdict: a spot that can't air as delivered
// leaves the day not accounted for; doubts about its figures, or our own failures, don't.
TEST(SpotProblem, WhichKindsLeaveTheDayNotAccountedFor) {
    const struct {
        SpotProblem kind;
        bool unaccounted;
    } rows[] = {
        {SpotProblem::None, false},          {SpotProblem::EmptyPath, true},
        {SpotProblem::NoMap, true},          {SpotProblem::NotFound, true},
        {SpotProblem::CaseVariants, true},   {SpotProblem::CantOpen, true},
        {SpotProblem::NotAFile, true},       {SpotProblem::EmptyFile, true},
        {SpotProblem::TooManyTags, true},    {SpotProblem::Unreadable, true},
        {SpotProblem::LengthOpen, true},     {SpotProblem::ImpossibleLength, true},
        {SpotProblem::DecodeTimeout, true},  {SpotProblem::NoAudio, true},
        {SpotProblem::ZeroLength, true},     {SpotProblem::Cut, true},
        {SpotProblem::CutInsideFrame, true}, {SpotProblem::OggWithoutEnd, true},
        {SpotProblem::CantDecode, true},     {SpotProblem::FormatChanges, false},
        {SpotProblem::CantMeter, false},     {SpotProblem::LengthDisagrees, false},
        {SpotProblem::PathTooLong, true},    {SpotProblem::MeasuringFailed, false},
    };
    static_assert(std::size(rows) == static_cast<std::size_t>(SpotProblem::MeasuringFailed) + 1);
    for (const auto& row : rows) {
        EXPECT_EQ(leavesDayUnaccounted(row.kind), row.unaccounted) << static_cast<int>(row.kind);
        // Every kind but None has words of its own.
        EXPECT_EQ(spotIssueText(SpotIssue{row.kind}).empty(), row.kind == SpotProblem::None);
    }
}

}  // namespace
}  // namespace kalmero

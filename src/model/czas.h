#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kalmero {

// The integer reading used by every number in the MIX, LST and configuration texts: spaces
// before the number are skipped, then an optional sign, then an optional "$", "x" or "X"
// that makes the digits hexadecimal. Anything else (empty text, trailing characters, no
// digits, a value outside 64 bits) is not an integer: nullopt.
std::optional<std::int64_t> parseInteger(std::string_view text);

// parseInteger, or `fallback` when the text is not an integer.
std::int64_t parseIntegerOr(std::string_view text, std::int64_t fallback);

// Emission time line ("Emi=HH:MM:SS.mmm") to ms. Groups at 1-based positions 5-6, 8-9,
// 11-12, 14-16, each read by itself; a group the line does not fully contain, or that is
// not an integer, counts as 0. Never fails.
std::int64_t CzasStartInt(std::string_view line);

// Duration line ("Trw=MM:SS.mmm") to ms. Groups at positions 5-6, 8-9, 11-13.
std::int64_t CzasTrwInt(std::string_view line);

// ms to HH:MM:SS.mmm with truncating division; hours are not reduced modulo 24 and may
// take more digits; a negative part is written as "-" and its zero-padded digits.
std::string CzasStartString(std::int64_t ms);

// ms to MM:SS.mmm: the minutes, seconds and ms of CzasStartString, so whole hours (of any
// number of digits) are dropped from the text (the caller's count keeps them). For a
// negative time it is the 9 characters after the first 3 of CzasStartString's text.
std::string CzasTrwString(std::int64_t ms);

// The longest CzasStartString text, that of INT64_MIN: "-2562047788015:-12:-55.-808".
inline constexpr std::size_t kStartTimeMaxLength = 27;

// Every CzasTrwString text is this long.
inline constexpr std::size_t kDurationLength = 9;

// CzasStartString's text written to `out`, which must have room for kStartTimeMaxLength
// characters; no terminating NUL. Returns the number of characters written.
std::size_t formatStartTime(std::int64_t ms, char* out);

// CzasStartString's text appended to `out`, allocating only when `out` must grow.
void appendStartTime(std::string& out, std::int64_t ms);

// CzasTrwString's text written to `out`, which must have room for kDurationLength
// characters; no terminating NUL. Returns kDurationLength.
std::size_t formatDuration(std::int64_t ms, char* out);

// CzasTrwString's text appended to `out`, allocating only when `out` must grow.
void appendDuration(std::string& out, std::int64_t ms);

// Start of the whole hour of a time: (ms / 3,600,000) * 3,600,000, truncating.
std::int64_t pelna(std::int64_t ms);

}  // namespace kalmero

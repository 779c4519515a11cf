#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "model/lists.h"

namespace kalmero {

// The "pozycja" cell of a playlist or result row: Wyk value, " - ", Tyt value (the
// separator is there also when either is empty). Windows-1250 bytes.
std::string mixRowSubItem(const TPozycja& r);

// The caption of an advert row: the record's Emi value, empty when it equals the value of
// the record before, so that a block's time shows only on its first spot.
std::string_view lstRowCaption(const Lista& list, std::size_t index);

}  // namespace kalmero

#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "model/lists.h"
#include "model/window_port.h"

namespace kalmero {

// Measures a spot: the playing length in ms of the audio file named by a path line
// (Windows-1250 bytes), 0 when it can't be had.
using SpotMeter = std::function<std::int64_t(std::string_view pathCp1250)>;

// Loads the advert list at `path` into lists.ListaLST and the adverts view, replacing both:
// one "Typ=REK" record per spot, measured with `measure` once per distinct path. Reports
// progress through the window's status label and gauge. Throws FileError when the file
// can't be read; the list and the view are then empty and the status is not touched.
void OtworzPlikLST(const std::string& path, Lists& lists, WindowPort& window,
                   const SpotMeter& measure);

// Appends the adverts view's row for record `index` of lists.ListaLST.
void DodajPozycjeDoViewLst(const Lists& lists, std::size_t index, WindowPort& window);

// The caption of an advert row: the record's Emi value, empty when it equals the value of
// the record before, so that a block's time shows only on its first spot.
std::string_view lstRowCaption(const Lista& list, std::size_t index);

}  // namespace kalmero

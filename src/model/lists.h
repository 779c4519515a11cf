#pragma once

#include <vector>

#include "model/pozycja.h"

namespace kalmero {

using Lista = std::vector<TPozycja>;

// The four working lists of one operator's work, owned by the session (which the window and
// the batch command each hold) and handed down to the readers, the compiler and the writer;
// the front ends only read them.
struct Lists {
    Lista ListaMIX;       // the loaded playlist
    Lista ListaLST;       // the loaded advert spots
    Lista ListaBreak;     // the day's generated news breaks
    Lista ListaWynikowa;  // the compiled result
};

}  // namespace kalmero

#pragma once

#include <vector>

#include "model/pozycja.h"

namespace kalmero {

using Lista = std::vector<TPozycja>;

// The four working lists of one operator's session, owned by the window or the batch
// command and handed down to the readers, the compiler and the writer.
struct Lists {
    Lista ListaMIX;       // the loaded playlist
    Lista ListaLST;       // the loaded advert spots
    Lista ListaBreak;     // the day's generated news breaks
    Lista ListaWynikowa;  // the compiled result
};

}  // namespace kalmero

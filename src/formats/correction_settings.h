#pragma once

#include <string>

#include "formats/ini_document.h"

namespace kalmero {

// Whether and where loud spots get lowered copies before air (section Kontrola).
struct CorrectionSettings {
    // PoprawGlosnosc=1: loud spots are corrected; anything else leaves the day as it is.
    bool on = false;
    // FolderPoprawionych: the local folder the copies go to (Windows-1250 bytes as written);
    // empty puts each beside its original.
    std::string folder;
    // FolderPoprawionychEmisja: that folder as the playout names it in path lines
    // (Windows-1250), e.g. "P:\Poprawione".
    std::string playoutFolder;

    friend bool operator==(const CorrectionSettings&, const CorrectionSettings&) = default;
};

CorrectionSettings parseCorrectionSettings(const IniDocument& ini);

}  // namespace kalmero

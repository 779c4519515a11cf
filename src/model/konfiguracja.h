#pragma once

#include <string>

namespace kalmero {

// The process-wide settings, each mirroring the configuration key of the same name.
// Folder texts are Windows-1250 bytes as the configuration file holds them; a folder
// chosen in the program ends in "/".
struct Konfiguracja {
    std::string FolderMIX;
    std::string FolderLST;
    std::string FolderWynikowy;
    std::string FolderPlikBreak;
    bool CzyDzwiek = false;
};

}  // namespace kalmero

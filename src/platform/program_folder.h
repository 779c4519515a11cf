#pragma once

#include <string>

namespace kalmero {

// The folder of the running executable, ending in "/" (read from /proc/self/exe).
// Falls back to the current folder, "./", when the link can't be read.
std::string programFolder();

// Where kalmero.ini and matryca.dat are read and written.
struct SettingsLocation {
    std::string folder;  // ends in "/"
    bool portable;       // true: the program's own folder
    std::string why;     // for the operator, in Polish (UTF-8)
};

// What settingsLocation() decides from; every folder ends in "/" or is empty.
struct SettingsInputs {
    std::string programFolder;
    std::string xdgConfigHome;  // $XDG_CONFIG_HOME; empty when unset
    std::string home;           // $HOME
    std::string dataFolder;     // the installed data, holding the default matryca.dat
};

// The portable layout when the program's folder holds kalmero.ini or matryca.dat; otherwise
// <config home>/kalmero/, created when missing, where the data folder's matryca.dat is
// copied when the folder has none. A missing default matrix is not an error. Throws
// FileError when the folder can't be created or the matrix can't be copied.
SettingsLocation settingsLocation(const SettingsInputs& inputs);

// The same for the running program: its folder, the process environment and
// <program folder>/../share/kalmero/.
SettingsLocation settingsLocation();

}  // namespace kalmero

#include "platform/program_folder.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

#include "model/file_error.h"
#include "platform/file_io.h"

#ifndef KALMERO_DATA_FROM_PROGRAM
#define KALMERO_DATA_FROM_PROGRAM "../share/kalmero/"
#endif

namespace kalmero {

namespace {

namespace fs = std::filesystem;

bool holds(const std::string& folder, const char* name) {
    std::error_code ignored;
    return fs::exists(fs::path(folder) / name, ignored);
}

std::string withSlash(std::string folder) {
    if (!folder.empty() && folder.back() != '/') {
        folder += '/';
    }
    return folder;
}

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// A user without $HOME (a service started with a bare environment) still has a home in the
// password database.
std::string homeFolder() {
    std::string home = environment("HOME");
    if (home.empty()) {
        if (const passwd* entry = ::getpwuid(::getuid())) {
            home = entry->pw_dir != nullptr ? entry->pw_dir : "";
        }
    }
    return home;
}

// "/home/ala/.config/kalmero/" reads "~/.config/kalmero/" to its owner.
std::string shortened(const std::string& folder, const std::string& home) {
    const std::string prefix = withSlash(home);
    if (prefix.size() > 1 && folder.starts_with(prefix)) {
        return "~/" + folder.substr(prefix.size());
    }
    return folder;
}

void createFolder(const std::string& folder) {
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) {
        throw FileError("Nie można utworzyć katalogu \"" + folder +
                        "\": " + systemReason(error.value()));
    }
}

}  // namespace

std::string programFolder() {
    std::vector<char> buffer(4096);
    for (;;) {
        const ssize_t got = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (got < 0) {
            return "./";
        }
        if (static_cast<std::size_t>(got) < buffer.size()) {
            std::string path(buffer.data(), static_cast<std::size_t>(got));
            return path.substr(0, path.rfind('/') + 1);
        }
        buffer.resize(buffer.size() * 2);
    }
}

SettingsLocation settingsLocation(const SettingsInputs& inputs) {
    if (holds(inputs.programFolder, "kalmero.ini") || holds(inputs.programFolder, "matryca.dat")) {
        return {withSlash(inputs.programFolder), true,
                "ustawienia w folderze programu (układ przenośny)"};
    }

    // A relative $XDG_CONFIG_HOME is to be ignored, as the base directory rules say.
    const std::string base = inputs.xdgConfigHome.starts_with('/')
                                 ? withSlash(inputs.xdgConfigHome)
                                 : withSlash(inputs.home) + ".config/";
    const std::string folder = base + "kalmero/";
    createFolder(folder);

    const std::string matrix = folder + "matryca.dat";
    const std::string defaultMatrix = withSlash(inputs.dataFolder) + "matryca.dat";
    if (!inputs.dataFolder.empty() && !holds(folder, "matryca.dat") &&
        holds(inputs.dataFolder, "matryca.dat")) {
        // Written whole or not at all, so a window and a night's compile starting together
        // never read half a matrix.
        writeFileAtomically(matrix, readWholeFile(defaultMatrix));
    }
    return {folder, false, "ustawienia użytkownika w " + shortened(folder, inputs.home)};
}

SettingsLocation settingsLocation() {
    const std::string program = programFolder();
    return settingsLocation({program, environment("XDG_CONFIG_HOME"), homeFolder(),
                             program + KALMERO_DATA_FROM_PROGRAM});
}

}  // namespace kalmero

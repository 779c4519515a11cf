#include "formats/konfiguracja_file.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <limits>

#include "formats/file_io.h"
#include "formats/ini_document.h"
#include "model/czas.h"
#include "model/file_error.h"

namespace kalmero {

namespace {

constexpr std::string_view kFoldery = "Foldery";
constexpr std::string_view kBreak = "Break";

// The file as the profile functions read it: a file that is missing or can't be read
// reads as empty, so every key takes its default and nothing is reported.
IniDocument loadForReading(const std::string& path) {
    try {
        return IniDocument(readWholeFile(path));
    } catch (const FileError&) {
        return IniDocument(std::string{});
    }
}

[[noreturn]] void throwUnableToWrite(const std::string& path) {
    throw FileError("Unable to write to " + path);
}

// The file about to be changed: empty when it doesn't exist yet; any other failure to read
// it stops the write, so that a file we can't see whole is never replaced.
IniDocument loadForWriting(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 && errno == ENOENT) {
        return IniDocument(std::string{});
    }
    try {
        return IniDocument(readWholeFile(path));
    } catch (const FileError&) {
        throwUnableToWrite(path);
    }
}

std::optional<std::int32_t> readInteger(const IniDocument& ini, std::string_view section,
                                        std::string_view key) {
    const std::optional<std::string> text = ini.value(section, key);
    if (!text) {
        return std::nullopt;
    }
    const std::optional<std::int64_t> number = parseInteger(*text);
    if (!number || *number < std::numeric_limits<std::int32_t>::min() ||
        *number > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(*number);
}

bool readBool(const IniDocument& ini, std::string_view section, std::string_view key,
              bool fallback) {
    const std::optional<std::int32_t> number = readInteger(ini, section, key);
    return number ? *number != 0 : fallback;
}

void readFolder(const IniDocument& ini, std::string_view key, std::string& folder) {
    if (std::optional<std::string> stored = ini.value(kFoldery, key)) {
        folder = std::move(*stored);
    }
}

}  // namespace

std::string konfiguracjaPath(const std::string& programFolder) {
    return programFolder + "kalmero.ini";
}

std::optional<std::string> iniReadString(const std::string& path, std::string_view section,
                                         std::string_view key) {
    return loadForReading(path).value(section, key);
}

std::int32_t iniReadInteger(const std::string& path, std::string_view section, std::string_view key,
                            std::int32_t fallback) {
    return readInteger(loadForReading(path), section, key).value_or(fallback);
}

bool iniReadBool(const std::string& path, std::string_view section, std::string_view key,
                 bool fallback) {
    return readBool(loadForReading(path), section, key, fallback);
}

void iniWriteString(const std::string& path, std::string_view section, std::string_view key,
                    std::string_view value) {
    // A line break would end the line early and let the rest pose as another key.
    if (value.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos) {
        throwUnableToWrite(path);
    }
    IniDocument ini = loadForWriting(path);
    ini.set(section, key, value);
    writeFileAtomically(path, ini.text(), WriteFailureText::UnableToWrite);
}

void iniWriteInteger(const std::string& path, std::string_view section, std::string_view key,
                     std::int64_t value) {
    iniWriteString(path, section, key, std::to_string(value));
}

void iniWriteBool(const std::string& path, std::string_view section, std::string_view key,
                  bool value) {
    iniWriteString(path, section, key, value ? "1" : "0");
}

bool isExistingFolder(const std::string& folder) {
    struct stat info {};
    return ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

StoredSettings parseStoredSettings(std::string_view iniBytes) {
    const IniDocument ini{std::string(iniBytes)};
    StoredSettings stored;
    Konfiguracja& k = stored.konfiguracja;
    readFolder(ini, "FolderMIX", k.FolderMIX);
    readFolder(ini, "FolderLST", k.FolderLST);
    readFolder(ini, "FolderWynikowy", k.FolderWynikowy);
    readFolder(ini, "FolderPlikBreak", k.FolderPlikBreak);
    k.CzyDzwiek = readBool(ini, kBreak, "CzyDzwiek", false);

    stored.mode = breakModeFromIndex(readInteger(ini, kBreak, "Start").value_or(0));
    stored.fade = readBool(ini, kBreak, "Fade", false);
    const std::int64_t seconds =
        readInteger(ini, kBreak, "Time").value_or(BreakLength::kDefaultSeconds);
    // Too long is read as the longest; a negative time stays for the field to show as 0.
    stored.seconds = std::min(seconds, BreakLength::clamped(seconds).seconds());
    const std::int64_t drift = readInteger(ini, "Kontrola", "DriftMinutes").value_or(5);
    stored.driftLimitMs = std::clamp<std::int64_t>(drift, 0, std::int64_t{24} * 60) * 60'000;
    const std::int64_t longSpot = readInteger(ini, "Kontrola", "LongSpotMinutes").value_or(60);
    stored.longSpotMs = std::clamp<std::int64_t>(longSpot, 1, std::int64_t{24} * 60) * 60'000;
    return stored;
}

StoredSettings OdczytajKonfiguracje(const std::string& iniPath, Konfiguracja& konfiguracja,
                                    const FolderCheck& folderExists) {
    std::string bytes;
    try {
        bytes = readWholeFile(iniPath);
    } catch (const FileError&) {
        // A missing or unreadable file reads as empty, as the profile functions read it.
    }
    StoredSettings stored = parseStoredSettings(bytes);
    for (std::string* folder : {&stored.konfiguracja.FolderMIX, &stored.konfiguracja.FolderLST,
                                &stored.konfiguracja.FolderWynikowy}) {
        if (folder->empty() || !folderExists(*folder)) {
            folder->clear();
        }
    }
    konfiguracja = stored.konfiguracja;
    return stored;
}

void storeBreakMode(const std::string& iniPath, BreakMode mode) {
    if (mode == BreakMode::NotSelected) {
        return;
    }
    iniWriteInteger(iniPath, kBreak, "Start", breakModeIndex(mode));
}

void storeFade(const std::string& iniPath, bool fade) {
    iniWriteBool(iniPath, kBreak, "Fade", fade);
}

void storeBreakLength(const std::string& iniPath, BreakLength length) {
    iniWriteInteger(iniPath, kBreak, "Time", length.seconds());
}

void readBreakSoundSettings(const std::string& iniPath, Konfiguracja& konfiguracja) {
    const IniDocument ini = loadForReading(iniPath);
    readFolder(ini, "FolderPlikBreak", konfiguracja.FolderPlikBreak);
    konfiguracja.CzyDzwiek = readBool(ini, kBreak, "CzyDzwiek", konfiguracja.CzyDzwiek);
}

void storeBreakSound(const std::string& iniPath, const Konfiguracja& konfiguracja) {
    iniWriteString(iniPath, kFoldery, "FolderPlikBreak", konfiguracja.FolderPlikBreak);
    iniWriteBool(iniPath, kBreak, "CzyDzwiek", konfiguracja.CzyDzwiek);
}

}  // namespace kalmero

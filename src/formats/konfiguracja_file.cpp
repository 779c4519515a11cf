#include "formats/konfiguracja_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <limits>

#include "formats/file_io.h"
#include "formats/ini_document.h"
#include "model/czas.h"
#include "model/file_error.h"
#include "model/window_port.h"

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

void OdczytajKonfiguracje(const std::string& iniPath, Konfiguracja& konfiguracja,
                          SettingsControls& controls, const FolderCheck& folderExists) {
    // Read once: the handlers that run below write back only keys already read here.
    const IniDocument ini = loadForReading(iniPath);
    readFolder(ini, "FolderMIX", konfiguracja.FolderMIX);
    readFolder(ini, "FolderLST", konfiguracja.FolderLST);
    readFolder(ini, "FolderWynikowy", konfiguracja.FolderWynikowy);

    std::int32_t start = readInteger(ini, kBreak, "Start").value_or(0);
    if (start > 2) {
        start = 2;
    } else if (start < 0) {
        start = -1;
    }
    controls.setBreakModeIndex(start);
    controls.setFadeChecked(readBool(ini, kBreak, "Fade", false));
    std::int64_t seconds = readInteger(ini, kBreak, "Time").value_or(10);
    if (seconds > kMaxBreakSeconds) {
        seconds = kMaxBreakSeconds;
    }
    // A negative time is put in as it stands: the field's own change handler shows it as 0.
    controls.setBreakSecondsText(std::to_string(seconds));

    struct FolderEdit {
        std::string* folder;
        int tag;
    };
    const FolderEdit edits[] = {
        {&konfiguracja.FolderMIX, 1},
        {&konfiguracja.FolderLST, 2},
        {&konfiguracja.FolderWynikowy, 3},
    };
    for (const FolderEdit& edit : edits) {
        if (edit.folder->empty() || !folderExists(*edit.folder)) {
            edit.folder->clear();
        }
        controls.setFolderEditText(edit.tag, *edit.folder);
    }
}

void RadioGroup1Click(const std::string& iniPath, int index) {
    // No selection is not a mode; the file keeps the one it has.
    if (index < 0) {
        return;
    }
    iniWriteInteger(iniPath, kBreak, "Start", index);
}

void CheckBox1Click(const std::string& iniPath, bool checked) {
    iniWriteBool(iniPath, kBreak, "Fade", checked);
}

std::optional<std::string> LabeledEdit7Change(const std::string& iniPath, std::string_view text) {
    const std::optional<std::int64_t> number = parseInteger(text);
    std::optional<std::string> corrected;
    std::int64_t seconds = number.value_or(0);
    if (!number || *number < 0) {
        seconds = 0;
        corrected.emplace("0");
    } else if (*number > kMaxBreakSeconds) {
        seconds = kMaxBreakSeconds;
        corrected.emplace(std::to_string(kMaxBreakSeconds));
    }
    iniWriteInteger(iniPath, kBreak, "Time", seconds);
    return corrected;
}

void readBreakSoundSettings(const std::string& iniPath, Konfiguracja& konfiguracja) {
    const IniDocument ini = loadForReading(iniPath);
    readFolder(ini, "FolderPlikBreak", konfiguracja.FolderPlikBreak);
    konfiguracja.CzyDzwiek = readBool(ini, kBreak, "CzyDzwiek", konfiguracja.CzyDzwiek);
}

void ZapiszUstawieniaDzwieku(const std::string& iniPath, const Konfiguracja& konfiguracja) {
    iniWriteString(iniPath, kFoldery, "FolderPlikBreak", konfiguracja.FolderPlikBreak);
    iniWriteBool(iniPath, kBreak, "CzyDzwiek", konfiguracja.CzyDzwiek);
}

}  // namespace kalmero

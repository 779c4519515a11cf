#include "session/disk_files.h"

#include <sys/stat.h>

#include <cerrno>

#include "formats/ini_document.h"
#include "formats/matryca.h"
#include "formats/mix_file.h"
#include "model/file_error.h"

namespace kalmero {

namespace {

[[noreturn]] void throwUnableToWrite(const std::string& path, const std::string& reason) {
    throw FileError("Nie można zapisać pliku \"" + path + "\": " + reason);
}

// The file about to be changed: empty when it doesn't exist yet; any other failure to read
// it stops the write, so that a file we can't see whole is never replaced.
std::string loadForWriting(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 && errno == ENOENT) {
        return {};
    }
    try {
        return readWholeFile(path);
    } catch (const FileError& error) {
        // The read's own words, after the write's: what stopped the write was the read.
        const std::string what = error.what();
        const auto colon = what.rfind("\": ");
        throwUnableToWrite(path, colon == std::string::npos ? what : what.substr(colon + 3));
    }
}

void writeEntry(const std::string& path, const IniEntry& entry) { iniWriteEntries(path, {entry}); }

}  // namespace

void iniRewrite(const std::string& path,
                const std::function<std::optional<std::string>(std::string)>& change) {
    std::optional<std::string> text = change(loadForWriting(path));
    if (!text) {
        throwUnableToWrite(path, "wartość zawiera znak końca linii lub NUL");
    }
    writeFileAtomically(path, *text, WriteFailureText::UnableToWrite);
}

void iniWriteEntries(const std::string& path, const std::vector<IniEntry>& entries) {
    iniRewrite(path, [&entries](std::string bytes) -> std::optional<std::string> {
        for (const IniEntry& entry : entries) {
            std::optional<std::string> text = iniTextWith(std::move(bytes), entry);
            if (!text) {
                return std::nullopt;
            }
            bytes = std::move(*text);
        }
        return bytes;
    });
}

IniDocument readIniDocument(const std::string& iniPath) {
    // As the profile functions read it: nothing is reported.
    try {
        return IniDocument(readWholeFile(iniPath));
    } catch (const FileError&) {
        return IniDocument(std::string{});
    }
}

std::optional<std::string> iniReadString(const std::string& path, std::string_view section,
                                         std::string_view key) {
    return readIniDocument(path).value(section, key);
}

std::int32_t iniReadInteger(const std::string& path, std::string_view section, std::string_view key,
                            std::int32_t fallback) {
    return iniInteger(readIniDocument(path), section, key).value_or(fallback);
}

bool iniReadBool(const std::string& path, std::string_view section, std::string_view key,
                 bool fallback) {
    return iniBool(readIniDocument(path), section, key, fallback);
}

void iniWriteString(const std::string& path, std::string_view section, std::string_view key,
                    std::string_view value) {
    writeEntry(path, {section, key, std::string(value)});
}

void iniWriteInteger(const std::string& path, std::string_view section, std::string_view key,
                     std::int64_t value) {
    iniWriteString(path, section, key, std::to_string(value));
}

void iniWriteBool(const std::string& path, std::string_view section, std::string_view key,
                  bool value) {
    iniWriteString(path, section, key, value ? "1" : "0");
}

StoredSettings OdczytajKonfiguracje(const std::string& iniPath, Konfiguracja& konfiguracja,
                                    const FolderCheck& folderExists) {
    return OdczytajKonfiguracje(readIniDocument(iniPath), konfiguracja, folderExists);
}

StoredSettings OdczytajKonfiguracje(const IniDocument& ini, Konfiguracja& konfiguracja,
                                    const FolderCheck& folderExists) {
    StoredSettings stored = parseStoredSettings(ini);
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
    if (const std::optional<IniEntry> entry = breakModeEntry(mode)) {
        writeEntry(iniPath, *entry);
    }
}

void storeFade(const std::string& iniPath, bool fade) { writeEntry(iniPath, fadeEntry(fade)); }

void storeBreakLength(const std::string& iniPath, BreakLength length) {
    writeEntry(iniPath, breakLengthEntry(length));
}

void readBreakSoundSettings(const std::string& iniPath, Konfiguracja& konfiguracja) {
    readBreakSound(readIniDocument(iniPath), konfiguracja);
}

void storeBreakSound(const std::string& iniPath, const Konfiguracja& konfiguracja) {
    iniWriteEntries(iniPath, breakSoundEntries(konfiguracja));
}

std::vector<std::string> readMatrixLines(const std::string& path) {
    return parseMatrixLines(readWholeFile(path));
}

void writeMatrixLines(const std::string& path, const std::vector<std::string>& lines) {
    writeFileAtomically(path, matrixLinesText(lines));
}

void ZmienStan(const std::string& path, int day, int hourIndex, bool on) {
    writeMatrixLines(path, withMatrixCell(readMatrixLines(path), day, hourIndex, on));
}

ReplaceOutcome zapiszNowyMix(const std::string& path, const Lista& list, const LineSteps& steps) {
    // Nothing shows at `path` until the file is complete.
    AtomicFileWriter file(path, WriteFailureText::CannotCreate);
    appendMix(file, list, steps);
    return file.commit();
}

void appendMix(AtomicFileWriter& file, const Lista& list, const LineSteps& steps) {
    produceMixText(
        list, [&file](std::string_view piece) { file.append(piece); }, steps);
}

}  // namespace kalmero

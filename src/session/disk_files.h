#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "formats/konfiguracja_file.h"
#include "formats/line_steps.h"
#include "model/konfiguracja.h"
#include "model/lists.h"
#include "model/settings.h"
#include "platform/file_io.h"

// The program's own files on disk: the formats' texts read and written through the platform
// layer, each write one atomic replacement that keeps the replaced file's owner and mode.
namespace kalmero {

// Profile-style access to an ini file: section and key names match without regard to
// case; reading never creates the file; a missing file, section or key gives nullopt or
// the fallback. Values are bytes as stored (Windows-1250).
std::optional<std::string> iniReadString(const std::string& path, std::string_view section,
                                         std::string_view key);
// A 32-bit integer read like the time groups (blanks, sign, "$"/"x"/"X" hexadecimal);
// `fallback` when missing or not an integer.
std::int32_t iniReadInteger(const std::string& path, std::string_view section, std::string_view key,
                            std::int32_t fallback);
// Any non-zero integer is true; `fallback` when missing or not an integer.
bool iniReadBool(const std::string& path, std::string_view section, std::string_view key,
                 bool fallback);

// Writes one key and keeps everything else in the file as it was (other sections and keys,
// comments, order), creating the file or section when missing. Throws FileError
// `Nie można zapisać pliku "<path>": <reason>` on failure, leaving the previous file intact; a
// value holding CR, LF or NUL, which the format can't hold, fails the same way.
void iniWriteString(const std::string& path, std::string_view section, std::string_view key,
                    std::string_view value);
void iniWriteInteger(const std::string& path, std::string_view section, std::string_view key,
                     std::int64_t value);
void iniWriteBool(const std::string& path, std::string_view section, std::string_view key,
                  bool value);
// Several keys in one replacement of the file, so that they change together or not at all.
void iniWriteEntries(const std::string& path, const std::vector<IniEntry>& entries);
// The file's bytes (empty when it doesn't exist yet) through `change`, written back in one
// replacement; nullopt from `change` fails as a value the format can't hold does.
void iniRewrite(const std::string& path,
                const std::function<std::optional<std::string>(std::string)>& change);

// Start-up reading of the file at `iniPath` (missing or unreadable: the defaults). The
// folders, with each that names no existing directory dropped, and the break-sound option
// go into `konfiguracja`; the returned settings hold the rest. The file is not changed.
StoredSettings OdczytajKonfiguracje(const std::string& iniPath, Konfiguracja& konfiguracja,
                                    const FolderCheck& folderExists = isExistingFolder);
// The same of the file's document already read.
StoredSettings OdczytajKonfiguracje(const IniDocument& ini, Konfiguracja& konfiguracja,
                                    const FolderCheck& folderExists = isExistingFolder);
// The file's bytes as start-up reads them: a file that is missing or can't be read reads as
// empty, so that every key takes its default.
IniDocument readIniDocument(const std::string& iniPath);

// The writes of the window's settings controls, each at once when its control changes.
// No mode selected writes nothing: the file keeps the one it has.
void storeBreakMode(const std::string& iniPath, BreakMode mode);
void storeFade(const std::string& iniPath, bool fade);
void storeBreakLength(const std::string& iniPath, BreakLength length);

// The break-sound keys, read when the matrix editor opens and written when it closes.
void readBreakSoundSettings(const std::string& iniPath, Konfiguracja& konfiguracja);
void storeBreakSound(const std::string& iniPath, const Konfiguracja& konfiguracja);

// The matrix file's lines as parseMatrixLines gives them. Throws FileError
// `Nie można otworzyć pliku "<path>": <reason>` when it can't be read; never creates it.
std::vector<std::string> readMatrixLines(const std::string& path);

// Writes lines each ended by CR LF, atomically (FileError on failure).
void writeMatrixLines(const std::string& path, const std::vector<std::string>& lines);

// The one-cell update: reads the file, sets the cell as withMatrixCell does and writes all
// lines back.
void ZmienStan(const std::string& path, int day, int hourIndex, bool on);

// Writes `list` to `path` (the output folder, the name and ".mix" already joined) as one
// atomic replacement, keeping a replaced file's owner and mode; `steps` hears of the
// records written. Throws FileError `Nie można utworzyć pliku "<path>": <reason>`; any previous
// file stays intact.
ReplaceOutcome zapiszNowyMix(const std::string& path, const Lista& list,
                             const LineSteps& steps = {});
// Appends `list` as MIX text to `file`, a write staged with others; `steps` as above.
void appendMix(AtomicFileWriter& file, const Lista& list, const LineSteps& steps = {});

}  // namespace kalmero

#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "model/konfiguracja.h"

namespace kalmero {

// "kalmero.ini" in the given folder (which ends in "/").
std::string konfiguracjaPath(const std::string& programFolder);

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
// `Unable to write to <path>` on failure, leaving the previous file intact; a value holding
// CR, LF or NUL, which the format can't hold, fails the same way.
void iniWriteString(const std::string& path, std::string_view section, std::string_view key,
                    std::string_view value);
void iniWriteInteger(const std::string& path, std::string_view section, std::string_view key,
                     std::int64_t value);
void iniWriteBool(const std::string& path, std::string_view section, std::string_view key,
                  bool value);

// The main window's settings controls as the start-up reading sees them. Each setter acts
// as the control does when the program sets it: if the new value differs from the one the
// control holds, the control's change handler runs and writes its key.
class SettingsControls {
public:
    virtual ~SettingsControls() = default;
    virtual void setBreakModeIndex(int index) = 0;                  // RadioGroup1, -1 .. 2
    virtual void setFadeChecked(bool checked) = 0;                  // CheckBox1
    virtual void setBreakSecondsText(const std::string& text) = 0;  // LabeledEdit7
    // LabeledEdit1 (tag 1), LabeledEdit2 (2), LabeledEdit3 (3); Windows-1250 bytes.
    virtual void setFolderEditText(int tag, const std::string& folder) = 0;
};

// Whether a folder setting (Windows-1250 bytes as stored) names an existing directory.
using FolderCheck = std::function<bool(const std::string& folder)>;

// The bytes taken as the path as they are. The core has no encoding conversion: a caller
// with the platform layer passes a check that converts Windows-1250 to UTF-8 first, so
// that folders with Polish letters are found.
bool isExistingFolder(const std::string& folder);

// Start-up reading: folders into `konfiguracja` (kept only when they name an existing
// directory), then the break mode, fade and break length into the controls, in that order.
// A Start above 2 is 2, below 0 no selection (-1); a Time above the largest break length
// is that length, a negative one is put in as read (the field's change handler shows it
// as "0"). Every folder edit is set, to "" for a folder dropped. The file's folder keys
// stay as they are. May throw FileError from a handler's write.
void OdczytajKonfiguracje(const std::string& iniPath, Konfiguracja& konfiguracja,
                          SettingsControls& controls,
                          const FolderCheck& folderExists = isExistingFolder);

// The file side of the settings handlers, shared by the window and the tests.
// Writes Start; no selection (-1) writes nothing.
void RadioGroup1Click(const std::string& iniPath, int index);
void CheckBox1Click(const std::string& iniPath, bool checked);  // writes Fade
// LabeledEdit7Change: the text the field must show instead (when it is not an integer of
// 0 or more, "0"; above the largest break length, that length), or nullopt when the text
// stands; writes Time from the text that stands.
std::optional<std::string> LabeledEdit7Change(const std::string& iniPath, std::string_view text);

// The break-sound keys, read when the matrix editor opens (the batch command reads them
// at start), and written when it closes.
void readBreakSoundSettings(const std::string& iniPath, Konfiguracja& konfiguracja);
void ZapiszUstawieniaDzwieku(const std::string& iniPath, const Konfiguracja& konfiguracja);

}  // namespace kalmero

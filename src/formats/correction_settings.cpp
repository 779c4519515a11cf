#include "formats/correction_settings.h"

namespace kalmero {

CorrectionSettings parseCorrectionSettings(const IniDocument& ini) {
    constexpr std::string_view kKontrola = "Kontrola";
    CorrectionSettings settings;
    settings.on = ini.value(kKontrola, "PoprawGlosnosc").value_or("") == "1";
    settings.folder = ini.value(kKontrola, "FolderPoprawionych").value_or("");
    settings.playoutFolder = ini.value(kKontrola, "FolderPoprawionychEmisja").value_or("");
    return settings;
}

}  // namespace kalmero

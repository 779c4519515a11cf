#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

#include "nightly/night_settings.h"

namespace kalmero {

// The settings file's bytes. As the file chooses the account and folders root writes as, it
// is read only when it and every folder on its resolved path (a link followed) belong to
// root or `me` and can't be changed by group or others; the file read is the one checked
// (opened once, its descriptor checked). Each refusal is added to `problems` (line 0).
std::optional<std::string> readSettingsFile(const std::string& path, uid_t me,
                                            std::vector<SettingsProblem>& problems);

}  // namespace kalmero

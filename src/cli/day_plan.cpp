#include "cli/day_plan.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <map>

#include "cli/batch.h"
#include "platform/encoding.h"
#include "platform/file_identity.h"
#include "platform/program_folder.h"

namespace kalmero {

SettingOverrides settingOverrides(const BatchOptions& options) {
    SettingOverrides overrides;
    if (options.mode) {
        overrides.mode = breakModeFromIndex(*options.mode);
    }
    overrides.fade = options.fade;
    overrides.length = options.breakLength;
    if (options.breakSound) {
        overrides.breakSound = BreakSound{true, pathToCp1250(*options.breakSound)};
    } else if (options.noBreakSound) {
        overrides.breakSound = BreakSound{};
    }
    overrides.driftLimitMs = options.driftLimitMs;
    if (options.correctLoudness) {
        overrides.correctLoudness = true;
    }
    if (options.inPlace) {
        overrides.inPlaceAllowed = true;
    }
    overrides.pathMapAdded = options.pathMap;
    return overrides;
}

int worseExit(int a, int b) {
    // A day not written at all is worse than one written with spots to see to.
    auto rank = [](int code) { return code == kExitUnaccounted ? 1 : code * 2; };
    return rank(b) > rank(a) ? b : a;
}

bool tellsDaySummary(const Outcome& outcome) {
    return outcome.done() || outcome.refusal == Refusal::UnaccountedSpots;
}

SessionFiles settingsFiles(const BatchOptions& options) {
    if (!options.config.empty() && !options.matrix.empty()) {
        return {options.config, options.matrix};
    }
    SessionFiles files = SessionFiles::inFolder(settingsLocation().folder);
    if (!options.config.empty()) {
        files.ini = options.config;
    }
    if (!options.matrix.empty()) {
        files.matrix = options.matrix;
    }
    return files;
}

DayRun dayRun(const BatchOptions& options, int weekday) {
    DayRun day;
    day.playlist = options.mix;
    day.adverts = options.lst;
    day.weekday = weekday;
    day.date = options.date.value_or("");
    day.strict = options.strict;
    day.report = options.report;
    day.picture = options.picture;
    day.result = options.out;
    return day;
}

BatchOptions forDay(const BatchOptions& options, const Day& day) {
    BatchOptions dayOptions = options;
    for (std::string* path : {&dayOptions.mix, &dayOptions.lst, &dayOptions.out, &dayOptions.report,
                              &dayOptions.picture}) {
        *path = expandDay(*path, day);
    }
    // From here on the day is known by its date, whatever words named it.
    dayOptions.date = expandDay("%Y-%m-%d", day);
    return dayOptions;
}

std::optional<std::string> clobbered(const BatchOptions& options) {
    struct Named {
        const char* option;
        const std::string* path;
    };
    const Named outputs[] = {
        {"--out", &options.out}, {"--report", &options.report}, {"--picture", &options.picture}};
    const Named inputs[] = {{"--mix", &options.mix},       {"--lst", &options.lst},
                            {"--config", &options.config}, {"--matrix", &options.matrix},
                            {"--report", &options.report}, {"--picture", &options.picture}};
    // The program and what it loads: the picture module beside it or in the library folder.
    const std::string folder = programFolder();
    const std::string ownFiles[] = {"/proc/self/exe", folder + "kalmero-picture.so",
                                    folder + "../lib/kalmero/kalmero-picture.so"};
    for (const Named& output : outputs) {
        const std::filesystem::path name(*output.path);
        const std::string outputFolder =
            name.has_parent_path() ? name.parent_path().string() : std::string(".");
        struct stat info {};
        if (!output.path->empty() &&
            ((sameFile(outputFolder, folder) && ::stat(output.path->c_str(), &info) == 0) ||
             std::any_of(std::begin(ownFiles), std::end(ownFiles),
                         [&](const std::string& own) { return sameFile(*output.path, own); }))) {
            return std::string(output.option) + " " + *output.path +
                   " wskazuje plik samego programu; zostałby nadpisany";
        }
        for (const Named& input : inputs) {
            if (output.path == input.path || output.path->empty() || input.path->empty()) {
                continue;
            }
            if (sameFile(*output.path, *input.path)) {
                return std::string(output.option) + " " + *output.path +
                       " wskazuje ten sam plik co " + input.option + "; zostałby nadpisany";
            }
        }
    }
    return std::nullopt;
}

std::optional<std::string> sharedDayOutput(const BatchOptions& options, const Day& first) {
    struct Written {
        const char* option;
        Day day;
    };
    std::map<std::string, Written> written;
    for (int n = 0; n < options.days; ++n) {
        const Day day = addDays(first, n);
        const BatchOptions dayOptions = forDay(options, day);
        const std::pair<const char*, const std::string*> outputs[] = {
            {"--out", &dayOptions.out},
            {"--report", &dayOptions.report},
            {"--picture", &dayOptions.picture}};
        for (const auto& [option, path] : outputs) {
            if (path->empty()) {
                continue;
            }
            // By the file reached, not the spelling: o15 may be a link to o14.
            const std::string key = resolvedFileKey(*path);
            const auto [earlier, added] = written.emplace(key, Written{option, day});
            if (!added) {
                return std::string(option) + " " + *path + ": dni " + isoText(earlier->second.day) +
                       " i " + isoText(day) + " zapisałyby ten sam plik (" +
                       earlier->second.option + "); dodaj do nazwy datę, np. %Y-%m-%d";
            }
        }
    }
    return std::nullopt;
}

std::string missingInputs(const BatchOptions& options) {
    std::string missing;
    for (const std::string* input : {&options.mix, &options.lst}) {
        struct stat info {};
        if (!input->empty() && ::stat(input->c_str(), &info) != 0) {
            missing += (missing.empty() ? "" : ", ") + *input;
        }
    }
    return missing;
}

std::optional<std::string> firstDayProblem(
    const BatchOptions& options, const Day& first,
    const std::function<std::optional<std::string>(const BatchOptions& day, int weekday)>& check) {
    for (int n = 0; n < options.days; ++n) {
        const Day day = addDays(first, n);
        const BatchOptions dayOptions = forDay(options, day);
        if (!missingInputs(dayOptions).empty()) {
            continue;
        }
        if (auto problem = check(dayOptions, weekdayOf(day))) {
            return isoText(day) + ": " + *problem;
        }
    }
    return std::nullopt;
}

int forEachDay(const BatchOptions& options, const Day& first, const Messages& messages,
               const std::function<int(const BatchOptions& day, int weekday)>& runDay) {
    int worst = kExitWritten;
    for (int n = 0; n < options.days; ++n) {
        const Day day = addDays(first, n);
        const BatchOptions dayOptions = forDay(options, day);
        const std::string name =
            isoText(day) + " (" + std::string(weekdayAbbreviation(weekdayOf(day))) + ")";
        messages.print(Messages::kInfo, "== " + name);
        // A day the music or traffic department has not delivered yet keeps whatever
        // result it has; the other days go on.
        if (const std::string missing = missingInputs(dayOptions); !missing.empty()) {
            messages.print(Messages::kError,
                           "kalmero-batch: " + name + " pominięty: brak " + missing);
            worst = worseExit(worst, kExitFileError);
            continue;
        }
        worst = worseExit(worst, runDay(dayOptions, weekdayOf(day)));
    }
    return worst;
}

}  // namespace kalmero

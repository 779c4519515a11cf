#include "cli/day_plan.h"

#include <sys/stat.h>

#include <algorithm>

#include "cli/batch.h"
#include "platform/encoding.h"
#include "platform/file_identity.h"

namespace kalmero {

CompileSettings compileSettings(const BatchOptions& options, const StoredSettings& stored) {
    CompileSettings settings;
    settings.mode = options.mode ? breakModeFromIndex(*options.mode) : stored.mode;
    settings.fade = options.fade.value_or(stored.fade);
    settings.length = options.breakLength.value_or(BreakLength::clamped(stored.seconds));
    settings.weekday = options.weekday.value_or(0);
    settings.sound = {stored.konfiguracja.CzyDzwiek, stored.konfiguracja.FolderPlikBreak};
    if (options.breakSound) {
        settings.sound = {true, pathToCp1250(*options.breakSound)};
    } else if (options.noBreakSound) {
        settings.sound.on = false;
    }
    return settings;
}

BatchOptions forDay(const BatchOptions& options, const Day& day) {
    BatchOptions dayOptions = options;
    for (std::string* path : {&dayOptions.mix, &dayOptions.lst, &dayOptions.out, &dayOptions.report,
                              &dayOptions.picture}) {
        *path = expandDay(*path, day);
    }
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
    for (const Named& output : outputs) {
        for (const Named& input : inputs) {
            if (output.path == input.path || output.path->empty() || input.path->empty()) {
                continue;
            }
            if (sameFile(*output.path, *input.path)) {
                return std::string(output.option) + " " + *output.path +
                       " names the same file as " + input.option + "; it would be overwritten";
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
                           "kalmero-batch: " + name + " skipped: missing " + missing);
            worst = std::max(worst, kExitFileError);
            continue;
        }
        worst = std::max(worst, runDay(dayOptions, weekdayOf(day)));
    }
    return worst;
}

}  // namespace kalmero

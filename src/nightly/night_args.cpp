#include <set>

#include "cli/batch_options.h"
#include "nightly/night_run.h"
#include "nightly/night_settings.h"

#ifndef KALMERO_NIGHTLY_CONF
#define KALMERO_NIGHTLY_CONF "/etc/kalmero/nightly.conf"
#endif

namespace kalmero {

const char* const kNightUsage =
    "użycie: kalmero-nightly [--settings PLIK] [--day RRRR-MM-DD] [--redo] [--force] "
    "[--scratch FOLDER]\n"
    "        kalmero-nightly [--settings PLIK] --acknowledge RRRR-MM-DD";

namespace {

Day dayArgument(const std::string& option, const std::string& text) {
    const auto day = parseDay(text, Day{});
    if (!day || text.size() != 10) {
        throw UsageError(option + " " + text + ": podaj dzień jako RRRR-MM-DD");
    }
    return *day;
}

}  // namespace

NightArgs parseNightArgs(int argc, const char* const* argv) {
    NightArgs args;
    args.settings = KALMERO_NIGHTLY_CONF;
    std::set<std::string> given;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (!given.insert(option).second) {
            throw UsageError(option + " podana drugi raz");
        }
        if (option == "--help" || option == "-h") {
            args.help = true;
            return args;
        }
        if (option == "--redo") {
            args.redo = true;
            continue;
        }
        if (option == "--force") {
            args.force = true;
            continue;
        }
        if (option != "--settings" && option != "--scratch" && option != "--day" &&
            option != "--acknowledge") {
            throw UsageError("nieznana opcja " + shortEcho(option, 40));
        }
        if (i + 1 >= argc || argv[i + 1][0] == '\0') {
            throw UsageError(option + ": brak wartości");
        }
        const std::string value = argv[++i];
        if (option == "--settings") {
            args.settings = value;
        } else if (option == "--scratch") {
            args.scratch = value;
        } else if (option == "--day") {
            args.day = dayArgument(option, value);
        } else {
            args.acknowledge = dayArgument(option, value);
        }
    }
    if (args.acknowledge && given.size() > (given.contains("--settings") ? 2u : 1u)) {
        throw UsageError("--acknowledge idzie sam (ewentualnie z --settings)");
    }
    if (args.force && !args.redo && !args.day) {
        throw UsageError("--force wymusza --redo albo --day; podaj jedno z nich");
    }
    return args;
}

}  // namespace kalmero

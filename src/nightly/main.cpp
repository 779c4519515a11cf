#include <csignal>
#include <cstdio>
#include <exception>
#include <new>

#include "cli/batch.h"
#include "cli/messages.h"
#include "nightly/night_run.h"
#include "platform/file_io.h"
#include "platform/measure_cache.h"

int main(int argc, char** argv) {
    // A closed pipe on stderr costs only the messages, never the night's result.
    std::signal(SIGPIPE, SIG_IGN);
    kalmero::installTemporaryCleanup();
    const kalmero::Messages messages;
    try {
        const kalmero::NightArgs args = kalmero::parseNightArgs(argc, argv);
        if (args.help) {
            std::printf("%s\n(man 8 kalmero-nightly)\n", kalmero::kNightUsage);
            return kalmero::kExitWritten;
        }
        // Every day's spots measured through one cache, opened once the night has its account.
        kalmero::MeasureCacheOnDemand cache;
        return kalmero::runNight(args, cache);
    } catch (const kalmero::UsageError& e) {
        messages.print(kalmero::Messages::kError, std::string("kalmero-nightly: ") + e.what());
        messages.print(kalmero::Messages::kError, kalmero::kNightUsage);
        return kalmero::kExitUsage;
    } catch (const std::bad_alloc&) {
        messages.print(kalmero::Messages::kError,
                       "kalmero-nightly: za mało pamięci; poprzedni wynik bez zmian");
    } catch (const std::exception& error) {
        messages.print(kalmero::Messages::kError, std::string("kalmero-nightly: ") + error.what());
    }
    return kalmero::kExitFileError;
}

#include <csignal>
#include <cstdio>
#include <exception>
#include <new>

#include "cli/batch.h"
#include "platform/file_io.h"
#include "platform/measure_cache.h"

int main(int argc, char** argv) {
    // A closed pipe on stderr costs only the messages, never the night's result.
    std::signal(SIGPIPE, SIG_IGN);
    kalmero::installTemporaryCleanup();
    try {
        // The tools every day's session works with, made here and handed down.
        kalmero::MeasureCacheOnDemand cache;
        return kalmero::runBatch(argc, argv, cache);
    } catch (const std::bad_alloc&) {
        std::fputs("kalmero-batch: za mało pamięci; nic nie zostało zapisane\n", stderr);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "kalmero-batch: %s\n", error.what());
    }
    return kalmero::kExitFileError;
}

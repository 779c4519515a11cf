#include <csignal>
#include <cstdio>
#include <exception>
#include <new>

#include "cli/batch.h"
#include "platform/file_io.h"

int main(int argc, char** argv) {
    // A closed pipe on stderr costs only the messages, never the night's result.
    std::signal(SIGPIPE, SIG_IGN);
    kalmero::installTemporaryCleanup();
    try {
        return kalmero::runBatch(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fputs("kalmero-batch: za mało pamięci; nic nie zostało zapisane\n", stderr);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "kalmero-batch: %s\n", error.what());
    }
    return kalmero::kExitFileError;
}

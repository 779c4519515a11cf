// Preloaded into a run of the batch command so that a test can stop it on chosen steps of a
// save: before each fsync ('f') and rename ('r') it writes the step's letter to the descriptor
// KALMERO_STEP_GATE names first and waits for a byte on the second. A closed gate lets every
// later step through.
#include <dlfcn.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace {

struct Gate {
    int tell = -1;
    int wait = -1;
    std::atomic<bool> open{true};
    Gate() {
        const char* gate = std::getenv("KALMERO_STEP_GATE");
        open = gate == nullptr || std::sscanf(gate, "%d,%d", &tell, &wait) != 2;
    }
};

void await(char step) {
    static Gate gate;
    char go = 0;
    if (!gate.open && (::write(gate.tell, &step, 1) != 1 || ::read(gate.wait, &go, 1) != 1)) {
        gate.open = true;
    }
}

template <typename Function>
Function next(const char* name) {
    return reinterpret_cast<Function>(::dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" int fsync(int fd) {
    await('f');
    static const auto real = next<int (*)(int)>("fsync");
    return real(fd);
}

extern "C" int renameat(int fromFolder, const char* from, int toFolder, const char* to) {
    await('r');
    static const auto real = next<int (*)(int, const char*, int, const char*)>("renameat");
    return real(fromFolder, from, toFolder, to);
}

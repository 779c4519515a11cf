#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace kalmero::fuzz {

// A path naming `bytes` held in memory (a memfd of this process, one per name), for the
// audio decoders, which open what they measure: nothing is written to any disk.
inline std::string memoryFile(const char* name, std::string_view bytes) {
    static std::map<std::string, int> files;
    int& fd = files[name];
    if (fd == 0) {
        fd = ::memfd_create(name, 0);
        if (fd < 0) {
            std::perror("memfd_create");
            std::abort();
        }
    }
    if (::ftruncate(fd, 0) != 0 ||
        ::pwrite(fd, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size())) {
        std::perror("memfd write");
        std::abort();
    }
    return "/proc/self/fd/" + std::to_string(fd);
}

// The parts of an input that feeds several files, split at lines "@@@@" (at most `count`
// parts; missing parts are empty).
inline std::vector<std::string_view> splitParts(std::string_view input, std::size_t count) {
    constexpr std::string_view kSeparator = "\n@@@@\n";
    std::vector<std::string_view> parts;
    while (parts.size() + 1 < count) {
        const auto at = input.find(kSeparator);
        if (at == std::string_view::npos) {
            break;
        }
        parts.push_back(input.substr(0, at));
        input.remove_prefix(at + kSeparator.size());
    }
    parts.push_back(input);
    parts.resize(count);
    return parts;
}

// Stops the run with a message: a broken promise of the code under test, which libFuzzer
// reports and saves like a crash.
[[noreturn]] inline void fail(const std::string& what) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what.c_str());
    std::abort();
}

inline void check(bool ok, const std::string& what) {
    if (!ok) {
        fail(what);
    }
}

}  // namespace kalmero::fuzz

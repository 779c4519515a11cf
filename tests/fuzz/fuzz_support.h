#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace kalmero::fuzz {

// A folder of this process for the files a target hands to the path-based readers, in
// shared memory when the machine has it so that the writers' fsync costs nothing.
inline const std::string& scratchFolder() {
    static const std::string folder = [] {
        const char* base = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        std::string pattern = std::string(base) + "/kalmero-fuzz-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::abort();
        }
        // The folder goes when the run ends, however many inputs it saw.
        static const std::string copy = pattern;
        std::atexit([] { std::system(("rm -rf '" + copy + "'").c_str()); });
        return pattern;
    }();
    return folder;
}

// Writes `bytes` to `name` in the scratch folder and returns its path.
inline std::string scratchFile(const std::string& name, std::string_view bytes) {
    const std::string path = scratchFolder() + "/" + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
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

#include "platform/program_folder.h"

#include <unistd.h>

#include <vector>

namespace kalmero {

std::string programFolder() {
    std::vector<char> buffer(4096);
    for (;;) {
        const ssize_t got = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (got < 0) {
            return "./";
        }
        if (static_cast<std::size_t>(got) < buffer.size()) {
            std::string path(buffer.data(), static_cast<std::size_t>(got));
            return path.substr(0, path.rfind('/') + 1);
        }
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace kalmero

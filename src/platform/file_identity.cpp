#include "platform/file_identity.h"

#include <sys/stat.h>

#include <climits>
#include <cstdlib>
#include <memory>

namespace kalmero {

namespace {

// The path with its folder resolved (links, "." and ".."), the name kept as given.
std::string resolved(const std::string& path) {
    const auto slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::unique_ptr<char, decltype(&std::free)> real(::realpath(folder.c_str(), nullptr),
                                                           &std::free);
    return real ? std::string(real.get()) + "/" + name : path;
}

}  // namespace

bool sameFile(const std::string& a, const std::string& b) {
    struct stat first {};
    struct stat second {};
    const bool firstThere = ::stat(a.c_str(), &first) == 0;
    const bool secondThere = ::stat(b.c_str(), &second) == 0;
    if (firstThere && secondThere) {
        return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
    }
    if (firstThere != secondThere) {
        return false;
    }
    return resolved(a) == resolved(b);
}

}  // namespace kalmero

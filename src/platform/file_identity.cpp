#include "platform/file_identity.h"

#include <sys/stat.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
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

std::string resolvedFileKey(const std::string& path) {
    std::filesystem::path current = std::filesystem::absolute(path).lexically_normal();
    // The kernel's own limit on links in one lookup.
    for (int hop = 0; hop < 40; ++hop) {
        std::error_code error;
        if (!std::filesystem::is_symlink(current, error)) {
            break;
        }
        const std::filesystem::path to = std::filesystem::read_symlink(current, error);
        if (error) {
            break;
        }
        current = (current.parent_path() / to).lexically_normal();
    }
    struct stat folder {};
    if (::stat(current.parent_path().c_str(), &folder) != 0) {
        return current.string();
    }
    return std::to_string(folder.st_dev) + ":" + std::to_string(folder.st_ino) + "/" +
           current.filename().string();
}

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

#include "nightly/settings_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "platform/descriptor.h"
#include "platform/file_io.h"

namespace kalmero {

namespace {

// Larger than any settings file a person writes.
constexpr std::size_t kLargestFile = 1 << 20;

std::string octal(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%o", static_cast<unsigned>(mode & 07777));
    return text;
}

// Why `info` of `path` can't be trusted; nullopt when it can.
std::optional<std::string> untrusted(const std::string& path, const struct stat& info, uid_t me) {
    if (info.st_uid != 0 && info.st_uid != me) {
        return path + " nie należy do root (właściciel: " + std::to_string(info.st_uid) +
               "); nie korzystam z niego (chown root: " + path + ")";
    }
    // A sticky folder (/tmp) lets no one else rename or remove what root or `me` put in it.
    const bool sticky = S_ISDIR(info.st_mode) && (info.st_mode & S_ISVTX) != 0;
    if ((info.st_mode & 022) != 0 && !sticky) {
        return path + " może zmienić grupa lub inni (tryb " + octal(info.st_mode) +
               "); nie korzystam z niego (chmod go-w " + path + ")";
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> readSettingsFile(const std::string& path, uid_t me,
                                            std::vector<SettingsProblem>& problems) {
    const std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr),
                                                           &std::free);
    if (!real) {
        problems.push_back({0, "brak pliku ustawień " + path + ": " + systemReason(errno)});
        return std::nullopt;
    }
    const std::string resolved = real.get();
    // Every folder from / down: whoever may change one could put another file in its place.
    for (std::size_t slash = 0; slash != std::string::npos; slash = resolved.find('/', slash + 1)) {
        const std::string folder = slash == 0 ? "/" : resolved.substr(0, slash);
        struct stat info {};
        if (::lstat(folder.c_str(), &info) != 0) {
            problems.push_back({0, folder + ": " + systemReason(errno)});
            return std::nullopt;
        }
        if (auto why = untrusted(folder, info, me)) {
            problems.push_back({0, *why});
            return std::nullopt;
        }
    }
    const Descriptor file(::open(resolved.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
    const int fd = file.get();
    if (fd < 0) {
        problems.push_back(
            {0, "nie mogę otworzyć pliku ustawień " + resolved + ": " + systemReason(errno)});
        return std::nullopt;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        problems.push_back({0, resolved + " nie jest zwykłym plikiem"});
        return std::nullopt;
    }
    if (auto why = untrusted(resolved, info, me)) {
        problems.push_back({0, *why});
        return std::nullopt;
    }
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            problems.push_back({0, "nie mogę czytać " + resolved + ": " + systemReason(errno)});
            return std::nullopt;
        }
        if (got == 0) {
            return bytes;
        }
        bytes.append(buffer, static_cast<std::size_t>(got));
        if (bytes.size() > kLargestFile) {
            problems.push_back({0, resolved + " ma ponad 1 MiB: to nie plik ustawień"});
            return std::nullopt;
        }
    }
}

}  // namespace kalmero

#include "formats/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "model/file_error.h"

namespace kalmero {

namespace {

[[noreturn]] void throwOpenError(const std::string& path, const std::string& reason) {
    throw FileError("Cannot open file \"" + path + "\". " + reason);
}

std::string describe(int error) { return std::strerror(error); }

class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }
    int release() {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string readWholeFile(const std::string& path) {
    // O_NONBLOCK: opening a FIFO must not wait for a writer.
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0) {
        throwOpenError(path, describe(errno));
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) {
        throwOpenError(path, describe(errno));
    }
    if (S_ISDIR(info.st_mode)) {
        throwOpenError(path, describe(EISDIR));
    }
    if (!S_ISREG(info.st_mode)) {
        throwOpenError(path, "Not a regular file");
    }
    std::string bytes;
    if (info.st_size > 0) {
        bytes.reserve(static_cast<std::size_t>(info.st_size));
    }
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            throwOpenError(path, describe(errno));
        }
        if (got == 0) {
            break;
        }
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    return bytes;
}

std::size_t forEachLine(std::string_view text,
                        const std::function<void(std::string_view)>& onLine) {
    return visitLines(text, onLine);
}

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    visitLines(text, [&lines](std::string_view line) { lines.push_back(line); });
    return lines;
}

std::size_t countLines(std::string_view text) {
    return visitLines(text, [](std::string_view) {});
}

std::string_view cutAtNul(std::string_view text) {
    const auto nul = text.find('\0');
    return nul == std::string_view::npos ? text : text.substr(0, nul);
}

namespace {

[[noreturn]] void throwWriteError(const std::string& path, WriteFailureText failureText,
                                  const std::string& reason) {
    if (failureText == WriteFailureText::UnableToWrite) {
        throw FileError("Unable to write to " + path);
    }
    throw FileError("Cannot create file \"" + path + "\". " + reason);
}

// Where the bytes must land: through a symbolic link to the file it names, so that saving
// keeps a link the administrator made instead of replacing it with a plain file.
std::string resolvedTarget(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
        return path;
    }
    char* real = ::realpath(path.c_str(), nullptr);
    if (real == nullptr) {
        return path;
    }
    std::string target = real;
    std::free(real);
    return target;
}

// A name for the temporary beside `target` that no other writer uses at the same moment.
std::string temporaryName(const std::string& target, unsigned attempt) {
    static std::atomic<unsigned> counter{0};
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    const unsigned long long mix = static_cast<unsigned long long>(now) * 0x9E3779B97F4A7C15ULL ^
                                   (static_cast<unsigned long long>(::getpid()) << 20) ^
                                   (counter.fetch_add(1) + attempt);
    char suffix[24];
    std::snprintf(suffix, sizeof suffix, ".%012llx", mix & 0xFFFFFFFFFFFFULL);
    // Cut the name so that the temporary's name stays within the file system's limit.
    return folderOf(target) + "/." + nameOf(target).substr(0, 200) + suffix;
}

void syncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        // Only makes the rename durable; the data itself is already on disk.
        (void)::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

void writeFileAtomically(const std::string& path, std::string_view bytes,
                         WriteFailureText failureText) {
    auto fail = [&](int error) { throwWriteError(path, failureText, describe(error)); };

    const std::string target = resolvedTarget(path);
    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode)) {
        fail(EISDIR);
    }
    if (exists && !S_ISREG(existing.st_mode)) {
        // Renaming over a device or FIFO would replace the node itself.
        throwWriteError(path, failureText, "Not a regular file");
    }
    const mode_t mode = exists ? (existing.st_mode & 07777) : 0666;

    std::string temp;
    int rawFd = -1;
    for (unsigned attempt = 0; attempt < 100 && rawFd < 0; ++attempt) {
        temp = temporaryName(target, attempt);
        rawFd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
        if (rawFd < 0 && errno != EEXIST) {
            fail(errno);
        }
    }
    if (rawFd < 0) {
        fail(EEXIST);
    }
    Descriptor fd(rawFd);
    auto abandon = [&](int error) {
        ::close(fd.release());
        ::unlink(temp.c_str());
        fail(error);
    };

    // The umask applied to a new file; an existing file keeps its exact mode.
    if (exists && ::fchmod(fd.get(), mode) != 0) {
        abandon(errno);
    }
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t put = ::write(fd.get(), bytes.data() + written, bytes.size() - written);
        if (put < 0) {
            if (errno == EINTR) {
                continue;
            }
            abandon(errno);
        }
        written += static_cast<std::size_t>(put);
    }
    if (::fsync(fd.get()) != 0) {
        abandon(errno);
    }
    if (::close(fd.release()) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        fail(error);
    }
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        fail(error);
    }
    syncFolder(folderOf(target));
}

}  // namespace kalmero

#include "formats/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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

std::size_t forEachLine(std::string_view text, const std::function<void(std::string_view)>& onLine) {
    std::size_t count = 0;
    std::size_t start = 0;
    const std::size_t size = text.size();
    while (start < size) {
        std::size_t end = start;
        while (end < size && text[end] != '\n' && text[end] != '\r') {
            ++end;
        }
        onLine(text.substr(start, end - start));
        ++count;
        if (end < size && text[end] == '\r' && end + 1 < size && text[end + 1] == '\n') {
            start = end + 2;
        } else {
            start = end + 1;
        }
    }
    return count;
}

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    forEachLine(text, [&lines](std::string_view line) { lines.push_back(line); });
    return lines;
}

std::size_t countLines(std::string_view text) {
    std::size_t count = 0;
    std::size_t start = 0;
    const std::size_t size = text.size();
    while (start < size) {
        const void* hitLf = std::memchr(text.data() + start, '\n', size - start);
        const void* hitCr = std::memchr(text.data() + start, '\r', size - start);
        std::size_t end = size;
        if (hitLf != nullptr) {
            end = static_cast<std::size_t>(static_cast<const char*>(hitLf) - text.data());
        }
        if (hitCr != nullptr) {
            const auto cr = static_cast<std::size_t>(static_cast<const char*>(hitCr) - text.data());
            end = cr < end ? cr : end;
        }
        ++count;
        if (end < size && text[end] == '\r' && end + 1 < size && text[end + 1] == '\n') {
            start = end + 2;
        } else {
            start = end + 1;
        }
    }
    return count;
}

std::string_view cutAtNul(std::string_view text) {
    const auto nul = text.find('\0');
    return nul == std::string_view::npos ? text : text.substr(0, nul);
}

void writeFileAtomically(const std::string& path, std::string_view bytes,
                         WriteFailureText failureText) {
    auto fail = [&](int error) -> void {
        if (failureText == WriteFailureText::UnableToWrite) {
            throw FileError("Unable to write to " + path);
        }
        throw FileError("Cannot create file \"" + path + "\". " + describe(error));
    };

    struct stat target {};
    if (::stat(path.c_str(), &target) == 0 && S_ISDIR(target.st_mode)) {
        fail(EISDIR);
    }

    std::string temp = folderOf(path) + "/." + nameOf(path) + ".XXXXXX";
    Descriptor fd(::mkostemp(temp.data(), O_CLOEXEC));
    if (fd.get() < 0) {
        fail(errno);
    }
    auto abandon = [&](int error) {
        ::close(fd.release());
        ::unlink(temp.c_str());
        fail(error);
    };

    // mkstemp makes the file private; give it the mode a plain create would.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    const mode_t mode =
        ::stat(path.c_str(), &target) == 0 ? (target.st_mode & 07777) : (0666 & ~mask);
    if (::fchmod(fd.get(), mode) != 0) {
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
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        fail(error);
    }
}

}  // namespace kalmero

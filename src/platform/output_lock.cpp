#include "platform/output_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <ctime>
#include <string_view>
#include <thread>

#include "model/file_error.h"
#include "platform/file_io.h"

namespace kalmero {

namespace {

constexpr std::chrono::seconds kDefaultWait{30};
constexpr std::chrono::milliseconds kRetryEvery{100};

std::string localTime(std::time_t when) {
    std::tm parts{};
    ::localtime_r(&when, &parts);
    char text[32] = {};
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &parts);
    return text;
}

// What the holder wrote: "<pid> <start>" as the message shows it.
std::string holderOf(int fd) {
    char text[128] = {};
    const ssize_t got = ::pread(fd, text, sizeof text - 1, 0);
    std::string_view holder(text, got > 0 ? static_cast<std::size_t>(got) : 0);
    while (!holder.empty() && (holder.back() == '\n' || holder.back() == '\0')) {
        holder.remove_suffix(1);
    }
    const std::size_t space = holder.find(' ');
    if (holder.empty() || space == std::string_view::npos) {
        return "nieznane uruchomienie";
    }
    return "pid " + std::string(holder.substr(0, space)) + ", od " +
           std::string(holder.substr(space + 1));
}

// Whether `fd` is still the file named `name` in the folder: a holder letting go removes the
// file it locked, and a lock on the removed file guards nothing.
bool stillNamed(int folderFd, const std::string& name, int fd) {
    struct stat held {};
    struct stat named {};
    return ::fstat(fd, &held) == 0 &&
           ::fstatat(folderFd, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
           held.st_ino == named.st_ino && held.st_dev == named.st_dev;
}

}  // namespace

std::chrono::seconds outputLockWait() {
    const char* text = std::getenv("KALMERO_LOCK_WAIT_SECONDS");
    if (text == nullptr) {
        return kDefaultWait;
    }
    const std::string_view value(text);
    long seconds = -1;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), seconds);
    if (error != std::errc{} || end != value.data() + value.size() || seconds < 0) {
        return kDefaultWait;
    }
    return std::chrono::seconds(seconds);
}

OutputLock::OutputLock(const std::string& path, std::chrono::seconds wait) {
    const std::size_t slash = path.rfind('/');
    const std::string folder =
        slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    m_name = "." + path.substr(slash == std::string::npos ? 0 : slash + 1) + ".lock";
    bool refused = false;
    m_folderFd = openFolderWithLinkRule(folder, refused);
    if (refused) {
        throw FileError("Unable to write to " + path +
                        ". The link belongs to another user in a shared folder");
    }
    if (m_folderFd < 0) {
        return;
    }
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        constexpr int kFlags = O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
        m_fd = ::openat(m_folderFd, m_name.c_str(), O_RDWR | O_CREAT | kFlags, 0644);
        if (m_fd < 0 && (errno == EACCES || errno == EPERM)) {
            // Another user's lock file in a shared folder: a read-only descriptor locks too.
            m_fd = ::openat(m_folderFd, m_name.c_str(), O_RDONLY | kFlags);
        }
        struct stat info {};
        if (m_fd < 0 || ::fstat(m_fd, &info) != 0 || !S_ISREG(info.st_mode)) {
            closeAll();
            return;
        }
        if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0) {
            if (stillNamed(m_folderFd, m_name, m_fd)) {
                break;
            }
        } else if (std::chrono::steady_clock::now() >= deadline) {
            const std::string holder = holderOf(m_fd);
            closeAll();
            throw FileError("Plik \"" + path + "\" zapisuje teraz inne uruchomienie (" + holder +
                            "); czekano " + std::to_string(wait.count()) +
                            " s, nic nie zostało zapisane.");
        } else {
            std::this_thread::sleep_for(kRetryEvery);
        }
        ::close(m_fd);
        m_fd = -1;
    }
    m_held = true;
    const std::string holder =
        std::to_string(::getpid()) + " " + localTime(std::time(nullptr)) + "\n";
    // Who holds it is only told to a waiting run: a lock file we can't write still locks.
    if (::ftruncate(m_fd, 0) == 0) {
        [[maybe_unused]] const ssize_t written = ::pwrite(m_fd, holder.data(), holder.size(), 0);
    }
}

OutputLock::~OutputLock() {
    if (m_held) {
        // Removed while still held, so that no later run locks a file no longer named.
        ::unlinkat(m_folderFd, m_name.c_str(), 0);
    }
    closeAll();
}

void OutputLock::closeAll() {
    for (int* fd : {&m_fd, &m_folderFd}) {
        if (*fd >= 0) {
            ::close(*fd);
            *fd = -1;
        }
    }
}

}  // namespace kalmero

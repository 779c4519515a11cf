#include "platform/output_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <ctime>
#include <optional>
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

std::chrono::seconds lockWaitFrom(const char* text) {
    if (text == nullptr) {
        return kDefaultWait;
    }
    const std::string_view value(text);
    if (value.empty() || value.find_first_not_of("0123456789") != std::string_view::npos) {
        return kDefaultWait;
    }
    // Digits only: a value past the longest wait, however long, is the longest wait.
    const std::string_view digits =
        value.substr(std::min(value.find_first_not_of('0'), value.size()));
    long long seconds = 0;
    if (digits.size() > 9) {
        return kLongestLockWait;
    }
    std::from_chars(digits.data(), digits.data() + digits.size(), seconds);
    return std::chrono::seconds(std::min<long long>(seconds, kLongestLockWait.count()));
}

std::chrono::seconds outputLockWait() {
    return lockWaitFrom(std::getenv("KALMERO_LOCK_WAIT_SECONDS"));
}

bool OutputLock::lockable(const struct stat& info) {
    if (S_ISREG(info.st_mode) && info.st_nlink == 1) {
        return true;
    }
    m_warning = "nie założono blokady " + m_shownName +
                ": to nie jest zwykły plik z jedną nazwą, więc został nietknięty; dwa "
                "uruchomienia naraz mogą wymieszać swoje pliki";
    return false;
}

OutputLock::OutputLock(const std::string& path, std::chrono::seconds wait) {
    OutputPlace place;
    const int failure = findOutputPlace(path, place);
    if (failure == kPlantedLink || failure == kDanglingLink) {
        throw FileError("Nie można utworzyć pliku \"" + path +
                        "\": " + placeFailureReason(failure));
    }
    if (failure != 0) {
        return;
    }
    m_folderFd = place.folderFd;
    m_name = "." + place.name + ".lock";
    m_shownName = "\"" + place.folder + "/" + m_name + "\"";
    wait = std::clamp(wait, std::chrono::seconds(0), kLongestLockWait);
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        struct stat info {};
        if (::fstatat(m_folderFd, m_name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0) {
            struct stat folder {};
            if (S_ISLNK(info.st_mode) && ::fstat(m_folderFd, &folder) == 0 &&
                !linkMayBeFollowed(folder.st_mode, folder.st_uid, info.st_uid, ::geteuid())) {
                closeAll();
                throw FileError("Nie można utworzyć pliku \"" + path +
                                "\": " + placeFailureReason(kPlantedLink));
            }
            if (!lockable(info)) {
                closeAll();
                return;
            }
        }
        constexpr int kFlags = O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
        // A stop between creating the lock file and registering it would leave it behind.
        std::optional<StopSignalsHeld> held(std::in_place);
        m_fd = ::openat(m_folderFd, m_name.c_str(), O_RDWR | O_CREAT | kFlags, 0644);
        if (m_fd < 0 && (errno == EACCES || errno == EPERM)) {
            // Another user's lock file in a shared folder: a read-only descriptor locks too.
            m_fd = ::openat(m_folderFd, m_name.c_str(), O_RDONLY | kFlags);
        }
        if (m_fd < 0 || ::fstat(m_fd, &info) != 0) {
            // A link put there since (ELOOP) is no lock either.
            if (m_fd < 0 && errno == ELOOP) {
                info.st_mode = S_IFLNK;
                lockable(info);
            }
            closeAll();
            return;
        }
        if (!lockable(info)) {
            closeAll();
            return;
        }
        if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0) {
            if (stillNamed(m_folderFd, m_name, m_fd)) {
                m_slot = removeOnStopSignal(m_folderFd, m_name);
                break;
            }
        } else if (std::chrono::steady_clock::now() >= deadline) {
            const std::string holder = holderOf(m_fd);
            closeAll();
            throw FileError("Plik \"" + path + "\" zapisuje teraz inne uruchomienie (" + holder +
                            "); czekano " + std::to_string(wait.count()) +
                            " s, nic nie zostało zapisane.");
        } else {
            held.reset();
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
        removeNowNotOnStopSignal(m_slot, m_folderFd, m_name);
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

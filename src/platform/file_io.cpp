#include "platform/file_io.h"

#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cassert>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <vector>

#include "model/file_error.h"
#include "platform/descriptor.h"

namespace kalmero {

namespace {

[[noreturn]] void throwOpenError(const std::string& path, const std::string& reason) {
    throw FileError("Nie można otworzyć pliku \"" + path + "\": " + reason);
}

std::string errorText(int error) { return systemReason(error); }

constexpr const char* kNotRegular = "to nie jest zwykły plik";

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

namespace {

// A regular file opened for reading, its status in `info`; anything else throws the open
// error before a byte is read, so a reader never blocks.
Descriptor openRegularFile(const std::string& path, struct stat& info) {
    // O_NONBLOCK: opening a FIFO must not wait for a writer.
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0) {
        throwOpenError(path, errorText(errno));
    }
    if (::fstat(fd.get(), &info) != 0) {
        throwOpenError(path, errorText(errno));
    }
    if (S_ISDIR(info.st_mode)) {
        throwOpenError(path, errorText(EISDIR));
    }
    if (!S_ISREG(info.st_mode)) {
        throwOpenError(path, kNotRegular);
    }
    return fd;
}

}  // namespace

std::string systemReason(int error) {
    // The operator reads these beside the file's name, so they speak of files and folders
    // ("katalog") in the operator's words, whatever language the system is set to.
    switch (error) {
        case ENOSPC:
            return "brak miejsca na dysku";
        case EDQUOT:
            return "przekroczony przydział miejsca na dysku";
        case EACCES:
            return "brak uprawnień";
        case EPERM:
            return "operacja niedozwolona";
        case ENOENT:
            return "nie ma takiego pliku ani katalogu";
        case EROFS:
            return "system plików jest tylko do odczytu";
        case EEXIST:
            return "plik już istnieje";
        case EISDIR:
            return "to jest katalog";
        case ENOTDIR:
            return "część ścieżki nie jest katalogiem";
        case ELOOP:
            return "za dużo dowiązań symbolicznych w ścieżce";
        case EMLINK:
            return "za dużo dowiązań";
        case ENAMETOOLONG:
            return "za długa nazwa";
        case EIO:
            return "błąd odczytu lub zapisu na dysku";
        case EFBIG:
            return "plik jest za duży";
        case EBUSY:
            return "urządzenie lub zasób jest zajęty";
        case ETXTBSY:
            return "plik programu jest w użyciu";
        case EMFILE:
        case ENFILE:
            return "za dużo otwartych plików";
        case ENOMEM:
            return "brak pamięci";
        case EXDEV:
            return "pliki leżą na różnych systemach plików";
        case ENXIO:
        case ENODEV:
            return "brak urządzenia";
        case EAGAIN:
            return "zasób chwilowo niedostępny";
        case ESTALE:
            return "nieaktualny uchwyt pliku w udziale sieciowym";
        case ENOTEMPTY:
            return "katalog nie jest pusty";
        case EINVAL:
            return "nieprawidłowy argument";
        case EBADF:
            return "nieprawidłowy deskryptor pliku";
        case EINTR:
            return "przerwane przez sygnał";
        case ETIMEDOUT:
            return "przekroczony czas oczekiwania";
        case ENOTSUP:
            return "operacja nieobsługiwana przez system plików";
        default:
            return "błąd systemu " + std::to_string(error);
    }
}

std::string readWholeFile(const std::string& path) {
    struct stat info {};
    const Descriptor fd = openRegularFile(path, info);
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
            throwOpenError(path, errorText(errno));
        }
        if (got == 0) {
            break;
        }
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    return bytes;
}

MappedFile::MappedFile(const std::string& path) {
    struct stat info {};
    const Descriptor fd = openRegularFile(path, info);
    m_size = static_cast<std::size_t>(info.st_size);
    if (m_size == 0) {
        return;
    }
    m_map = ::mmap(nullptr, m_size, PROT_READ, MAP_PRIVATE, fd.get(), 0);
    if (m_map != MAP_FAILED) {
        ::madvise(m_map, m_size, MADV_SEQUENTIAL);
        m_bytes = std::string_view(static_cast<const char*>(m_map), m_size);
        return;
    }
    m_map = nullptr;
    // Read to the size it had when opened: a file that keeps growing is not followed.
    m_copy.resize(m_size);
    std::size_t done = 0;
    while (done < m_size) {
        const ssize_t got = ::read(fd.get(), m_copy.data() + done, m_size - done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            throwOpenError(path, errorText(errno));
        }
        if (got == 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    m_copy.resize(done);
    m_bytes = m_copy;
}

MappedFile::~MappedFile() {
    if (m_map != nullptr) {
        ::munmap(m_map, m_size);
    }
}

void MappedFile::release(std::size_t offset) {
    if (m_map == nullptr) {
        return;
    }
    const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    const std::size_t whole = std::min(offset, m_size) / page * page;
    // A megabyte at a time: each call walks the pages it is given.
    if (whole >= m_released + (std::size_t{1} << 20)) {
        ::madvise(static_cast<char*>(m_map) + m_released, whole - m_released, MADV_DONTNEED);
        m_released = whole;
    }
}

bool isExistingFolder(const std::string& folder) {
    struct stat info {};
    return ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

namespace {

constexpr std::size_t kNameMax = NAME_MAX;
constexpr int kMaxLinkHops = 40;  // the kernel's own limit
// A temporary of a gone writer is left alone this long: on a folder shared between computers
// its writer may be alive elsewhere under a process id that is free here.
constexpr std::time_t kStaleAfterSeconds = 600;

std::string writeErrorText(const std::string& path, WriteFailureText failureText,
                           const std::string& reason) {
    return (failureText == WriteFailureText::UnableToWrite ? "Nie można zapisać pliku \""
                                                           : "Nie można utworzyć pliku \"") +
           path + "\": " + reason;
}

constexpr int kStopSignals[] = {SIGTERM, SIGINT, SIGHUP, SIGQUIT};

// Temporaries of writes in progress, for the signal handlers. A fixed static table because a
// handler may neither allocate nor lock; a slot is free while its folder is -1.
struct TemporarySlot {
    std::atomic<int> folderFd{-1};  // -2 while being filled
    pid_t writer = 0;
    char name[kNameMax + 1] = {};
};
TemporarySlot g_temporaries[16];

int registerTemporary(int folderFd, const std::string& name) {
    for (int i = 0; i < static_cast<int>(std::size(g_temporaries)); ++i) {
        TemporarySlot& slot = g_temporaries[i];
        int expected = -1;
        if (slot.folderFd.compare_exchange_strong(expected, -2)) {
            std::memcpy(slot.name, name.c_str(), name.size() + 1);
            slot.writer = ::getpid();
            slot.folderFd.store(folderFd, std::memory_order_release);
            return i;
        }
    }
    return -1;  // more writes at once than slots: a signal leaves this one for a later writer
}

void removeTemporariesAndDie(int signal);

// Stops asked for while some thread is in a step that must not be cut (creating and
// registering a temporary, putting outputs in place): acted on when the last such step ends.
std::atomic<int> g_holding{0};
std::atomic<int> g_pendingStop{0};

// Acts on a stop that came while the steps were held, when this thread ends the last of them.
void actOnPendingStop() {
    if (g_holding.load() == 0) {
        if (const int signal = g_pendingStop.exchange(0); signal != 0) {
            removeTemporariesAndDie(signal);
        }
    }
}

void unregisterTemporary(int slot) {
    if (slot >= 0) {
        g_temporaries[slot].folderFd.store(-1, std::memory_order_release);
    }
}

void removeTemporariesAndDie(int signal) {
    const int savedErrno = errno;
    if (g_holding.load() > 0) {
        g_pendingStop.store(signal);
        // The holding scope may have ended meanwhile without seeing the stop.
        if (g_holding.load() > 0 || g_pendingStop.exchange(0) == 0) {
            errno = savedErrno;
            return;
        }
    }
    const pid_t self = ::getpid();
    for (TemporarySlot& slot : g_temporaries) {
        const int folderFd = slot.folderFd.load(std::memory_order_acquire);
        // A forked child shares the table but not the writes.
        if (folderFd >= 0 && slot.writer == self) {
            ::unlinkat(folderFd, slot.name, 0);
        }
    }
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    ::sigaction(signal, &fallback, nullptr);
    errno = savedErrno;
    ::raise(signal);  // the default action is back: the process ends as asked
}

std::uint32_t randomTag() {
    static std::atomic<std::uint64_t> counter{0};
    std::uint64_t x =
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        (counter.fetch_add(1) << 32);
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;  // splitmix64's finaliser
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return static_cast<std::uint32_t>(x ^ (x >> 31));
}

// The longest name the folder's file system takes (some take less than NAME_MAX).
std::size_t nameLimit(int folderFd) {
    const long limit = ::fpathconf(folderFd, _PC_NAME_MAX);
    return limit > 32 && static_cast<std::size_t>(limit) < kNameMax
               ? static_cast<std::size_t>(limit)
               : kNameMax;
}

// `.<name>.<pid>.<8 hex>.tmp`, the name cut so that the whole stays within `limit`.
std::string temporaryName(const std::string& name, std::size_t limit) {
    char tail[48];
    const int tailSize = std::snprintf(tail, sizeof tail, ".%ld.%08x.tmp",
                                       static_cast<long>(::getpid()), randomTag());
    const std::size_t keep = std::min(name.size(), limit - 1 - static_cast<std::size_t>(tailSize));
    // Appended piece by piece: GCC 12 takes `"." + std::string` for an overlapping copy.
    std::string temporary;
    temporary.reserve(1 + keep + static_cast<std::size_t>(tailSize));
    temporary += '.';
    temporary.append(name, 0, keep);
    temporary.append(tail, static_cast<std::size_t>(tailSize));
    return temporary;
}

bool allOf(std::string_view text, const char* alphabet) {
    return !text.empty() && text.find_first_not_of(alphabet) == std::string_view::npos;
}

// The writer's process id when `entry` is a temporary of `name` as temporaryName makes them;
// 0 otherwise.
pid_t writerOf(std::string_view entry, const std::string& name, std::size_t limit) {
    const std::size_t fullSize = entry.size();
    if (fullSize < 6 || entry.front() != '.' || !entry.ends_with(".tmp")) {
        return 0;
    }
    entry = entry.substr(1, entry.size() - 5);
    auto dot = entry.rfind('.');
    if (dot == std::string_view::npos || entry.size() - dot - 1 != 8 ||
        !allOf(entry.substr(dot + 1), "0123456789abcdef")) {
        return 0;
    }
    entry = entry.substr(0, dot);
    dot = entry.rfind('.');
    if (dot == std::string_view::npos) {
        return 0;
    }
    const std::string_view digits = entry.substr(dot + 1);
    const std::string_view kept = entry.substr(0, dot);
    const bool cut = fullSize == limit && kept.size() < name.size() && name.starts_with(kept);
    long pid = 0;
    if (!allOf(digits, "0123456789") || (kept != name && !cut) ||
        std::from_chars(digits.data(), digits.data() + digits.size(), pid).ec != std::errc()) {
        return 0;
    }
    return pid > 0 && pid <= INT_MAX ? static_cast<pid_t>(pid) : 0;
}

// Removes temporaries of `name` whose writer process is gone and that have not changed for a
// while. Quietly does nothing where the folder can't be listed.
void removeStaleTemporaries(int folderFd, const std::string& name, std::size_t limit) {
    const int listFd = ::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listFd < 0) {
        return;
    }
    DIR* folder = ::fdopendir(listFd);
    if (folder == nullptr) {
        ::close(listFd);
        return;
    }
    const pid_t self = ::getpid();
    const std::time_t now = std::time(nullptr);
    while (const dirent* entry = ::readdir(folder)) {
        const pid_t writer = writerOf(entry->d_name, name, limit);
        if (writer == 0 || writer == self || ::kill(writer, 0) == 0 || errno != ESRCH) {
            continue;
        }
        struct stat info {};
        if (::fstatat(folderFd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(info.st_mode) && now - info.st_mtime >= kStaleAfterSeconds) {
            ::unlinkat(folderFd, entry->d_name, 0);
        }
    }
    ::closedir(folder);
}

// Reads extended attributes through a descriptor, or, for a file this user may not read,
// through /proc's name of an O_PATH descriptor (the ACL is readable by anyone).
class AttributeSource {
public:
    AttributeSource(int folderFd, const std::string& name)
        : m_fd(::openat(folderFd, name.c_str(),
                        O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)),
          m_pathFd(m_fd.get() >= 0
                       ? -1
                       : ::openat(folderFd, name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC)),
          m_procPath("/proc/self/fd/" + std::to_string(m_pathFd.get())) {}
    ssize_t list(char* names, std::size_t size) const {
        return m_fd.get() >= 0 ? ::flistxattr(m_fd.get(), names, size)
                               : ::listxattr(m_procPath.c_str(), names, size);
    }
    ssize_t get(const char* name, char* value, std::size_t size) const {
        return m_fd.get() >= 0 ? ::fgetxattr(m_fd.get(), name, value, size)
                               : ::getxattr(m_procPath.c_str(), name, value, size);
    }

private:
    Descriptor m_fd;
    Descriptor m_pathFd;
    std::string m_procPath;
};

// Copies every extended attribute (the ACL among them) the new file lacks; false when one
// could not be read or set.
bool copyExtendedAttributes(const AttributeSource& from, int to) {
    ssize_t size = from.list(nullptr, 0);
    if (size < 0) {
        return errno == ENOTSUP;  // nothing to keep on such a file system
    }
    std::string names(static_cast<std::size_t>(size), '\0');
    size = from.list(names.data(), names.size());
    if (size < 0) {
        return false;
    }
    names.resize(static_cast<std::size_t>(size));
    bool copied = true;
    std::string value;
    std::string present;
    for (std::size_t at = 0, end = 0; at < names.size(); at = end + 1) {
        end = std::min(names.find('\0', at), names.size());
        const char* name = names.c_str() + at;
        const ssize_t length = from.get(name, nullptr, 0);
        value.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
        if (length < 0 || from.get(name, value.data(), value.size()) != length) {
            copied = false;
            continue;
        }
        // An attribute the new file already has with this value (a security label the folder
        // gave it) needs no privilege to keep.
        present.resize(value.size());
        if (::fgetxattr(to, name, present.data(), present.size()) == length && present == value) {
            continue;
        }
        if (::fsetxattr(to, name, value.data(), value.size(), 0) != 0) {
            copied = false;
        }
    }
    return copied;
}

int writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t put = ::write(fd, bytes.data(), bytes.size());
        if (put < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        bytes.remove_prefix(static_cast<std::size_t>(put));
    }
    return 0;
}

bool followsForbiddenLink(const struct stat& link, int folderFd) {
    struct stat folder {};
    if (::fstat(folderFd, &folder) != 0) {
        return true;
    }
    return !linkMayBeFollowed(folder.st_mode, folder.st_uid, link.st_uid, ::geteuid());
}

// Gives the temporary `fd` the owner, group, extended attributes and mode of `existing`, the
// file `name` it will replace, as far as this user may.
void keepOwnerAndAttributes(int fd, int folderFd, const std::string& name,
                            const struct stat& existing, ReplaceOutcome& outcome) {
    struct stat mine {};
    if (::fstat(fd, &mine) != 0 ||
        ((mine.st_uid != existing.st_uid || mine.st_gid != existing.st_gid) &&
         ::fchown(fd, existing.st_uid, existing.st_gid) != 0)) {
        // Only root may give a file away; the group may still be one of this user's, and
        // when it isn't, the owner's note below says so already.
        [[maybe_unused]] const int groupKept =
            ::fchown(fd, static_cast<uid_t>(-1), existing.st_gid);
        outcome.ownerNotKept = true;
    }
    if (!copyExtendedAttributes(AttributeSource(folderFd, name), fd)) {
        outcome.attributesNotKept = true;
    }
    // Last: a change of owner clears the set-id bits, and the mode must agree with the ACL.
    if (::fchmod(fd, existing.st_mode & 07777) != 0) {
        outcome.attributesNotKept = true;
    }
}

// Whether the folder's sticky bit keeps this account from replacing `existing` (another
// account's file in another account's folder); it may then only be overwritten.
bool stickyForbidsReplacing(int folderFd, const struct stat& existing) {
    struct stat folder {};
    const uid_t self = ::geteuid();
    return ::fstat(folderFd, &folder) == 0 && (folder.st_mode & S_ISVTX) != 0 && self != 0 &&
           existing.st_uid != self && folder.st_uid != self;
}

// Makes sure `size` bytes fit in the file before any of its bytes is overwritten; 0 or errno.
int reserveSpace(int fd, off_t size) {
    if (size <= 0) {
        return 0;
    }
    // Kept size: the old file must not grow zeros at its end while it is still the old file.
    if (::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, size) == 0) {
        return 0;
    }
    if (errno != EOPNOTSUPP && errno != ENOSYS) {
        return errno;
    }
    // A file system that can't reserve: at least the free space must hold what grows.
    struct stat info {};
    struct statvfs space {};
    if (::fstat(fd, &info) != 0 || ::fstatvfs(fd, &space) != 0) {
        return errno;
    }
    const auto free = static_cast<unsigned long long>(space.f_bavail) * space.f_frsize;
    return size > info.st_size && static_cast<unsigned long long>(size - info.st_size) > free
               ? ENOSPC
               : 0;
}

// Splits a path into its names, empty ones and "." dropped.
std::vector<std::string> pathNames(const std::string& path) {
    std::vector<std::string> names;
    for (std::size_t at = 0; at <= path.size();) {
        const std::size_t end = std::min(path.find('/', at), path.size());
        if (end > at && path.compare(at, end - at, ".") != 0) {
            names.push_back(path.substr(at, end - at));
        }
        at = end + 1;
    }
    return names;
}

}  // namespace

bool linkMayBeFollowed(mode_t folderMode, uid_t folderOwner, uid_t linkOwner, uid_t self) {
    // Applied by hand because the links are resolved by hand, and whether the machine enforces
    // its own rule (sticky folders only) is a setting. A group-writable folder counts: a
    // station's shared output folder is usually root:radio 2775, not sticky.
    const bool othersMayWrite = (folderMode & (S_IWGRP | S_IWOTH)) != 0;
    return !othersMayWrite || linkOwner == self || linkOwner == folderOwner;
}

int openFolderWithLinkRule(const std::string& folder, bool& refused) {
    refused = false;
    const auto root = [](bool absolute) {
        return ::open(absolute ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC);
    };
    Descriptor at(root(folder.starts_with('/')));
    if (at.get() < 0) {
        return -1;
    }
    // Names still to walk, the next one last.
    std::vector<std::string> names = pathNames(folder);
    std::reverse(names.begin(), names.end());
    int hops = 0;
    while (!names.empty()) {
        const std::string name = std::move(names.back());
        names.pop_back();
        struct stat link {};
        if (name != ".." && ::fstatat(at.get(), name.c_str(), &link, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISLNK(link.st_mode)) {
            if (++hops > kMaxLinkHops) {
                errno = ELOOP;
                return -1;
            }
            if (followsForbiddenLink(link, at.get())) {
                refused = true;
                return -1;
            }
            std::string to(PATH_MAX, '\0');
            const ssize_t size = ::readlinkat(at.get(), name.c_str(), to.data(), to.size());
            if (size < 0 || static_cast<std::size_t>(size) == to.size()) {
                errno = size < 0 ? errno : ENAMETOOLONG;
                return -1;
            }
            to.resize(static_cast<std::size_t>(size));
            std::vector<std::string> target = pathNames(to);
            names.insert(names.end(), target.rbegin(), target.rend());
            if (to.starts_with('/')) {
                at.reset(root(true));
                if (at.get() < 0) {
                    return -1;
                }
            }
            continue;
        }
        const int next =
            ::openat(at.get(), name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (next < 0) {
            return -1;
        }
        at.reset(next);
    }
    const int fd = ::openat(at.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0 || errno != EACCES) {
        return fd;
    }
    // A folder one may write in but not list: still usable, without the folder fsync and
    // stale temporary clean-up.
    return at.release();
}

std::string replacementNote(const ReplaceOutcome& outcome) {
    std::string note;
    auto add = [&note](bool when, const char* text) {
        if (when) {
            note += note.empty() ? "" : " ";
            note += text;
        }
    };
    add(outcome.rewrittenInPlace, "Plik nadpisano w miejscu, nie jako jedną operację.");
    add(outcome.ownerNotKept, "Nie udało się zachować właściciela pliku.");
    add(outcome.attributesNotKept,
        "Nie udało się zachować uprawnień ani atrybutów rozszerzonych pliku.");
    add(outcome.otherNamesDetached,
        "Pozostałe twarde dowiązania pliku zachowały poprzednią treść.");
    return note;
}

int findOutputPlace(const std::string& path, OutputPlace& place) {
    Descriptor folderFd(-1);
    std::string current = path;
    bool viaLink = false;
    for (int hop = 0;; ++hop) {
        place.name = nameOf(current);
        place.folder = folderOf(current);
        if (place.name.empty() || place.name == "." || place.name == "..") {
            return EISDIR;
        }
        bool refused = false;
        folderFd.reset(openFolderWithLinkRule(place.folder, refused));
        if (refused) {
            return kPlantedLink;
        }
        if (folderFd.get() < 0) {
            return errno;
        }
        struct stat link {};
        if (::fstatat(folderFd.get(), place.name.c_str(), &link, AT_SYMLINK_NOFOLLOW) != 0) {
            // A link to nowhere would make the write create a file wherever it points.
            if (viaLink && errno == ENOENT) {
                return kDanglingLink;
            }
            break;
        }
        if (!S_ISLNK(link.st_mode)) {
            break;
        }
        if (hop == kMaxLinkHops) {
            return ELOOP;
        }
        if (followsForbiddenLink(link, folderFd.get())) {
            return kPlantedLink;
        }
        std::string to(PATH_MAX, '\0');
        const ssize_t size = ::readlinkat(folderFd.get(), place.name.c_str(), to.data(), to.size());
        if (size < 0 || static_cast<std::size_t>(size) == to.size()) {
            return size < 0 ? errno : ENAMETOOLONG;
        }
        to.resize(static_cast<std::size_t>(size));
        current = to.starts_with('/') ? to : folderOf(current) + "/" + to;
        viaLink = true;
    }
    place.folderFd = folderFd.release();
    return 0;
}

std::string placeFailureReason(int failure) {
    switch (failure) {
        case kPlantedLink:
            return "dowiązanie symboliczne w katalogu, w którym mogą zapisywać inni, należy do "
                   "innego użytkownika";
        case kDanglingLink:
            return "dowiązanie symboliczne wskazuje nieistniejący plik";
        default:
            return systemReason(failure);
    }
}

AtomicFileWriter::AtomicFileWriter(std::string path, WriteFailureText failureText, InPlace inPlace)
    : m_path(std::move(path)), m_failureText(failureText), m_inPlaceRule(inPlace) {
    OutputPlace place;
    if (const int failure = findOutputPlace(m_path, place)) {
        failWith(placeFailureReason(failure));
    }
    m_folderFd = place.folderFd;
    m_name = std::move(place.name);
    m_folder = std::move(place.folder);

    struct stat existing {};
    const bool exists = regularTarget(existing);
    const std::size_t limit = nameLimit(m_folderFd);
    removeStaleTemporaries(m_folderFd, m_name, limit);
    if (exists && stickyForbidsReplacing(m_folderFd, existing)) {
        goInPlace(EPERM);
        return;
    }

    int error = EEXIST;
    {
        // A stop signal between creating the temporary and registering it would leave it
        // behind: it waits until the handlers can find the file.
        const StopSignalsHeld held;
        for (unsigned attempt = 0; attempt < 100 && m_fd < 0 && error == EEXIST; ++attempt) {
            m_temporary = temporaryName(m_name, limit);
            // Private until it gets the replaced file's mode; a new file gets the umask's.
            m_fd =
                ::openat(m_folderFd, m_temporary.c_str(),
                         O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, exists ? 0600 : 0666);
            error = errno;
        }
        if (m_fd >= 0) {
            m_slot = registerTemporary(m_folderFd, m_temporary);
        }
    }
    if (m_fd >= 0) {
        return;
    }
    m_temporary.clear();
    if (exists && (error == EACCES || error == EPERM)) {
        goInPlace(error);
        return;
    }
    fail(error);
}

void AtomicFileWriter::goInPlace(int error) {
    if (m_inPlaceRule == InPlace::Refused) {
        failWith("plik można tylko nadpisać w miejscu (" + systemReason(error) +
                 " przy tworzeniu nowego pliku w katalogu \"" + m_folder +
                 "\"), a przerwany zapis zostawiłby go niekompletnym; nadaj uruchomieniu prawo "
                 "zapisu do katalogu (np. chmod g+w) albo zezwól na zapis w miejscu: "
                 "NadpisujWMiejscu=1 w sekcji [Foldery] pliku kalmero.ini lub --in-place");
    }
    m_fd = ::openat(m_folderFd, m_name.c_str(),
                    O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (m_fd < 0) {
        fail(error);
    }
    m_inPlace = true;
}

AtomicFileWriter::~AtomicFileWriter() {
    if (!m_done) {
        discardTemporary();
    }
    if (m_folderFd >= 0) {
        ::close(m_folderFd);
    }
}

void AtomicFileWriter::fail(int error) { failWith(errorText(error)); }

void AtomicFileWriter::failWith(const std::string& reason) {
    if (m_failure.empty()) {
        m_failure = writeErrorText(m_path, m_failureText, reason);
    }
    discardTemporary();
    if (m_folderFd >= 0) {
        ::close(m_folderFd);  // the destructor does not run when the constructor throws
        m_folderFd = -1;
    }
    throw FileError(m_failure);
}

void AtomicFileWriter::discardTemporary() {
    unregisterTemporary(m_slot);
    m_slot = -1;
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temporary.empty() && m_folderFd >= 0) {
        ::unlinkat(m_folderFd, m_temporary.c_str(), 0);
    }
    m_temporary.clear();
    m_buffer = std::string();
}

void AtomicFileWriter::writeToTemporary(std::string_view bytes) {
    if (const int error = writeAll(m_fd, bytes)) {
        fail(error);
    }
}

void AtomicFileWriter::flushBuffer() {
    writeToTemporary(m_buffer);
    m_buffer.clear();
}

void AtomicFileWriter::append(std::string_view bytes) {
    if (!m_failure.empty()) {
        throw FileError(m_failure);
    }
    assert(!m_done);
    if (m_inPlace || m_buffer.size() + bytes.size() < kChunkBytes) {
        if (!m_inPlace && m_buffer.capacity() < kChunkBytes) {
            m_buffer.reserve(kChunkBytes);
        }
        m_buffer.append(bytes);
        return;
    }
    flushBuffer();
    if (bytes.size() >= kChunkBytes) {
        writeToTemporary(bytes);
    } else {
        m_buffer.append(bytes);
    }
}

bool AtomicFileWriter::regularTarget(struct stat& existing) {
    if (::fstatat(m_folderFd, m_name.c_str(), &existing, AT_SYMLINK_NOFOLLOW) != 0) {
        return false;
    }
    if (S_ISDIR(existing.st_mode)) {
        fail(EISDIR);
    }
    if (!S_ISREG(existing.st_mode)) {
        failWith(kNotRegular);
    }
    return true;
}

void AtomicFileWriter::prepare() {
    if (!m_failure.empty()) {
        throw FileError(m_failure);
    }
    assert(!m_done && !m_prepared);
    m_prepared = true;
    if (m_inPlace) {
        // The bytes wait in memory for commit(); a full disk must fail before any is written.
        if (const int error = reserveSpace(m_fd, static_cast<off_t>(m_buffer.size()))) {
            fail(error);
        }
        return;
    }
    flushBuffer();
    if (::fsync(m_fd) != 0) {
        fail(errno);
    }
    if (regularTarget(m_prepareTarget)) {
        keepOwnerAndAttributes(m_fd, m_folderFd, m_name, m_prepareTarget, m_prepareOutcome);
    } else {
        m_prepareTarget.st_nlink = 0;
    }
}

ReplaceOutcome AtomicFileWriter::commit() {
    if (!m_prepared) {
        prepare();
    }
    if (!m_failure.empty()) {
        throw FileError(m_failure);
    }
    assert(!m_done);
    if (m_inPlace) {
        const int target = m_fd;
        m_fd = -1;
        const ReplaceOutcome outcome = rewriteInPlace(target, false);
        m_done = true;
        return outcome;
    }
    ReplaceOutcome outcome = m_prepareOutcome;
    struct stat existing {};
    const bool exists = regularTarget(existing);
    if (exists) {
        // Another file put there since prepare(): its owner and mode are the ones to keep.
        if (m_prepareTarget.st_nlink == 0 || existing.st_ino != m_prepareTarget.st_ino ||
            existing.st_dev != m_prepareTarget.st_dev) {
            outcome = ReplaceOutcome{};
            keepOwnerAndAttributes(m_fd, m_folderFd, m_name, existing, outcome);
        }
        outcome.otherNamesDetached = existing.st_nlink > 1;
    }
    if (::renameat(m_folderFd, m_temporary.c_str(), m_folderFd, m_name.c_str()) != 0) {
        const int error = errno;
        // Another user's file in a sticky folder may not be replaced, only written to.
        const int target =
            exists && (error == EPERM || error == EACCES) && m_inPlaceRule == InPlace::Allowed
                ? ::openat(m_folderFd, m_name.c_str(),
                           O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)
                : -1;
        if (target < 0) {
            fail(error);
        }
        outcome = rewriteInPlace(target, true);
        discardTemporary();
        m_done = true;
        return outcome;
    }
    unregisterTemporary(m_slot);
    m_slot = -1;
    m_temporary.clear();
    ::close(m_fd);  // its data is already on disk
    m_fd = -1;
    m_done = true;
    // Only makes the rename durable; an O_PATH folder can't be synced and needn't be.
    (void)::fsync(m_folderFd);
    return outcome;
}

ReplaceOutcome AtomicFileWriter::rewriteInPlace(int targetFd, bool fromTemporary) {
    Descriptor target(targetFd);
    struct stat info {};
    if (::fstat(target.get(), &info) != 0) {
        fail(errno);
    }
    if (!S_ISREG(info.st_mode)) {
        failWith(kNotRegular);
    }
    off_t size = static_cast<off_t>(m_buffer.size());
    if (fromTemporary) {
        if (::fstat(m_fd, &info) != 0 || ::lseek(m_fd, 0, SEEK_SET) != 0) {
            fail(errno);
        }
        size = info.st_size;
    }
    // Reserving the space first makes a full disk fail before any old byte is overwritten.
    if (const int error = reserveSpace(target.get(), size)) {
        fail(error);
    }
    if (!fromTemporary) {
        if (const int error = writeAll(target.get(), m_buffer)) {
            fail(error);
        }
    } else {
        std::string chunk(kChunkBytes, '\0');
        for (;;) {
            const ssize_t got = ::read(m_fd, chunk.data(), chunk.size());
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got < 0) {
                fail(errno);
            }
            if (got == 0) {
                break;
            }
            if (const int error = writeAll(target.get(), std::string_view(chunk).substr(
                                                             0, static_cast<std::size_t>(got)))) {
                fail(error);
            }
        }
    }
    // Overwritten rather than truncated first: a shorter old file needs no new space, and a
    // reader sees old and new bytes for a moment instead of an empty file.
    if (::ftruncate(target.get(), size) != 0 || ::fsync(target.get()) != 0) {
        fail(errno);
    }
    if (::close(target.release()) != 0) {
        fail(errno);
    }
    m_buffer = std::string();
    ReplaceOutcome outcome;
    outcome.rewrittenInPlace = true;
    return outcome;
}

ReplaceOutcome writeFileAtomically(const std::string& path, std::string_view bytes,
                                   WriteFailureText failureText) {
    AtomicFileWriter writer(path, failureText);
    writer.append(bytes);
    return writer.commit();
}

AtomicFileWriter& StagedWrites::stage(std::string path, WriteFailureText failureText) {
    m_writers.push_back(
        std::make_unique<AtomicFileWriter>(std::move(path), failureText, m_inPlace));
    return *m_writers.back();
}

std::vector<ReplaceOutcome> StagedWrites::commitAll() {
    for (const auto& writer : m_writers) {
        writer->prepare();
    }
    std::vector<ReplaceOutcome> outcomes(m_writers.size());
    // A stop asked for now is acted on once every file is in place: a package removal's
    // SIGTERM must not leave a new report beside the old result.
    const StopSignalsHeld held;
    for (const bool inPlaceRound : {true, false}) {
        for (std::size_t i = 0; i < m_writers.size(); ++i) {
            if (m_writers[i]->inPlace() == inPlaceRound) {
                outcomes[i] = m_writers[i]->commit();
            }
        }
    }
    return outcomes;
}

int removeOnStopSignal(int folderFd, const std::string& name) {
    return registerTemporary(folderFd, name);
}

StopSignalsHeld::StopSignalsHeld() {
    sigset_t stops;
    sigemptyset(&stops);
    for (const int signal : kStopSignals) {
        sigaddset(&stops, signal);
    }
    ::pthread_sigmask(SIG_BLOCK, &stops, &m_previous);
    g_holding.fetch_add(1);
}

StopSignalsHeld::~StopSignalsHeld() {
    g_holding.fetch_sub(1);
    actOnPendingStop();
    ::pthread_sigmask(SIG_SETMASK, &m_previous, nullptr);
}

void removeNowNotOnStopSignal(int slot, int folderFd, const std::string& name) {
    const StopSignalsHeld held;
    ::unlinkat(folderFd, name.c_str(), 0);
    unregisterTemporary(slot);
}

void installTemporaryCleanup() {
    for (const int signal : kStopSignals) {
        struct sigaction current {};
        if (::sigaction(signal, nullptr, &current) != 0 || (current.sa_flags & SA_SIGINFO) != 0 ||
            current.sa_handler != SIG_DFL) {
            continue;
        }
        struct sigaction action {};
        action.sa_handler = removeTemporariesAndDie;
        sigemptyset(&action.sa_mask);
        for (const int stop : kStopSignals) {
            sigaddset(&action.sa_mask, stop);
        }
        action.sa_flags = 0;  // not reset at once: a stop put off must find the handler again
        ::sigaction(signal, &action, nullptr);
    }
}

}  // namespace kalmero

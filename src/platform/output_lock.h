#pragma once

#include <sys/stat.h>

#include <chrono>
#include <string>

namespace kalmero {

// The longest wait for another run's outputs: a night that waits longer has missed its air.
constexpr std::chrono::seconds kLongestLockWait{3600};

// How long a run waits for another run's outputs, given the text of KALMERO_LOCK_WAIT_SECONDS
// (nullptr when not set): a whole number of seconds, at most kLongestLockWait (more, however
// many digits, is that); 30 s when not set or not a whole number.
std::chrono::seconds lockWaitFrom(const char* text);
// The wait as the environment sets it.
std::chrono::seconds outputLockWait();

// An advisory lock on a run's outputs, held as a lock on `.<name>.lock` beside the file
// `path` whose presence claims the run (the result), links resolved, so that two runs writing
// the same result by any name never mix their report, picture and result. The holder writes
// its process id and the time it took the lock into the file, for the run that has to wait;
// the file is removed when the lock is let go, or when a stop signal ends the run.
//
// A lock file that can't be made (no such folder, a folder this user may not add to) holds
// nothing and stops nothing: the write itself then says what is wrong. Something else at the
// lock's name (a link, a FIFO, a folder, a file with other names) is left alone: no lock, and
// warning() says so.
class OutputLock {
public:
    // Waits up to `wait` for the lock; throws FileError naming the holding run (Polish, UTF-8)
    // when it stays taken. A link the link rule refuses, on the way to the result or at the
    // lock's name, is refused as the write refuses it.
    explicit OutputLock(const std::string& path, std::chrono::seconds wait = outputLockWait());
    ~OutputLock();
    OutputLock(const OutputLock&) = delete;
    OutputLock& operator=(const OutputLock&) = delete;

    // Why no lock was taken where one was expected, Polish (UTF-8); "" otherwise.
    const std::string& warning() const { return m_warning; }

private:
    void closeAll();
    // Whether the node at the lock's name (or `opened`) is one a lock may be taken on.
    bool lockable(const struct stat& info);

    bool m_held = false;
    int m_slot = -1;
    std::string m_warning;
    std::string m_shownName;  // the lock file as messages name it
    int m_folderFd = -1;
    int m_fd = -1;
    std::string m_name;
};

}  // namespace kalmero

#pragma once

#include <chrono>
#include <string>

namespace kalmero {

// How long a run waits for another run's outputs: 30 s, or KALMERO_LOCK_WAIT_SECONDS when it
// holds a whole number of seconds.
std::chrono::seconds outputLockWait();

// An advisory lock on a run's outputs, held as a lock on `.<name>.lock` beside the file
// `path` whose presence claims the run (the result), so that two runs writing the same
// result never mix their report, picture and result. The holder writes its process id and
// the time it took the lock into the file, for the run that has to wait; the file is removed
// when the lock is let go.
//
// A lock file that can't be made (no such folder, a folder this user may not add to) holds
// nothing and stops nothing: the write itself then says what is wrong.
class OutputLock {
public:
    // Waits up to `wait` for the lock; throws FileError naming the holding run (Polish, UTF-8)
    // when it stays taken. A link among the folders planted by another user in a shared sticky
    // folder is refused like the write's.
    explicit OutputLock(const std::string& path, std::chrono::seconds wait = outputLockWait());
    ~OutputLock();
    OutputLock(const OutputLock&) = delete;
    OutputLock& operator=(const OutputLock&) = delete;

private:
    void closeAll();

    bool m_held = false;
    int m_folderFd = -1;
    int m_fd = -1;
    std::string m_name;
};

}  // namespace kalmero

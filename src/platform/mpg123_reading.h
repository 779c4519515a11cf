#pragma once

#include <mpg123.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <limits>
#include <vector>

#include "platform/audio_reading.h"

// MPEG audio through libmpg123, reading the file through a buffer of its own.
namespace kalmero::audio {

// mpg123_init must run once before any handle is made, and only once per process.
bool mpg123Ready();

class Mpg123Handle {
public:
    // Null when the library can't be set up or the handle can't be made.
    Mpg123Handle() : m_handle(mpg123Ready() ? ::mpg123_new(nullptr, nullptr) : nullptr) {}
    ~Mpg123Handle() {
        if (m_handle != nullptr) {
            ::mpg123_close(m_handle);
            ::mpg123_delete(m_handle);
        }
    }
    Mpg123Handle(const Mpg123Handle&) = delete;
    Mpg123Handle& operator=(const Mpg123Handle&) = delete;
    mpg123_handle* get() const { return m_handle; }

private:
    mpg123_handle* m_handle;
};

// What mpg123 reads: a range of the file, seen as a whole file of its own, through a
// buffer. mpg123 asks for each frame's header and then its body, a few hundred bytes at a
// time, and a system call for each cost ten times the counting itself. Reading stops with
// an error once the budget is spent.
class BufferedView {
public:
    BufferedView(int fd, ByteRange range, const DecodeBudget& budget)
        : m_fd(fd), m_range(range), m_budget(budget), m_buffer(kReadBuffer) {}

    mpg123_ssize_t read(void* out, std::size_t size) {
        auto* bytes = static_cast<unsigned char*>(out);
        std::size_t copied = 0;
        while (copied < size && m_at < length()) {
            if (m_at < m_bufferAt || m_at >= m_bufferAt + static_cast<off_t>(m_filled)) {
                const ssize_t got = refill();
                if (got < 0 && copied == 0) {
                    return -1;
                }
                if (got <= 0) {
                    break;
                }
            }
            const auto inBuffer = static_cast<std::size_t>(m_at - m_bufferAt);
            const std::size_t n = std::min(size - copied, m_filled - inBuffer);
            std::memcpy(bytes + copied, m_buffer.data() + inBuffer, n);
            copied += n;
            m_at += static_cast<off_t>(n);
        }
        return static_cast<mpg123_ssize_t>(copied);
    }

    off_t seek(off_t offset, int whence) {
        const off_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? m_at : length();
        if (offset < -base || offset > std::numeric_limits<off_t>::max() - base) {
            return -1;
        }
        m_at = base + offset;
        return m_at;
    }

    bool budgetSpent() const { return m_budgetSpent; }

private:
    off_t length() const { return m_range.end - m_range.begin; }

    // Fills the buffer from m_at on: bytes read, 0 at the file's end, -1 on an error.
    ssize_t refill() {
        if (m_budget.spent()) {
            m_budgetSpent = true;
            return -1;
        }
        const auto want = static_cast<std::size_t>(
            std::min<off_t>(length() - m_at, static_cast<off_t>(m_buffer.size())));
        ssize_t got = 0;
        do {
            got = ::pread(m_fd, m_buffer.data(), want, m_range.begin + m_at);
        } while (got < 0 && errno == EINTR);
        m_bufferAt = m_at;
        m_filled = got > 0 ? static_cast<std::size_t>(got) : 0;
        return got;
    }

    int m_fd;
    ByteRange m_range;
    const DecodeBudget& m_budget;
    std::vector<unsigned char> m_buffer;
    off_t m_at = 0;  // from m_range.begin, as are the two below
    off_t m_bufferAt = 0;
    std::size_t m_filled = 0;
    bool m_budgetSpent = false;
};

// Sets a quiet mpg123 handle to read `view`; false when it can't.
bool openView(mpg123_handle* mh, BufferedView& view);

// The length of the MPEG audio in `range` by counting every frame (mpg123_scan): exact
// when the file carries an encoder tag (gapless trimming), else the decoded length.
Reading lengthByMpg123(int fd, ByteRange range, const DecodeBudget& budget);

}  // namespace kalmero::audio

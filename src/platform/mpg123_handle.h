#pragma once

#include <mpg123.h>

#include <mutex>

namespace kalmero {

// mpg123_init must run once before any handle is made, and only once per process.
inline bool mpg123Ready() {
    static std::once_flag once;
    static bool ready = false;
    std::call_once(once, [] { ready = ::mpg123_init() == MPG123_OK; });
    return ready;
}

// An mpg123 decoder, closed and deleted when it goes.
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

}  // namespace kalmero

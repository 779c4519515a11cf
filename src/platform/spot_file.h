#pragma once

#include <sys/stat.h>

#include <string>
#include <string_view>

namespace kalmero::audio {

// A spot's file opened for measuring, or why it can't be; closed when it goes. Never
// blocks: FIFOs and devices are refused before any decoder sees them.
class OpenSpot {
public:
    // From a path line's Windows-1250 bytes.
    explicit OpenSpot(std::string_view pathCp1250);
    struct Utf8 {
        const std::string& path;
    };
    // From a local path in UTF-8.
    explicit OpenSpot(Utf8 local);
    ~OpenSpot();
    OpenSpot(const OpenSpot&) = delete;
    OpenSpot& operator=(const OpenSpot&) = delete;

    int fd() const { return m_fd; }
    const struct stat& info() const { return m_info; }
    // nullptr when the file can be measured.
    const char* problem() const { return m_problem; }

private:
    bool refused(std::string_view path);
    void open(const std::string& path);

    int m_fd = -1;
    struct stat m_info {};
    const char* m_problem = nullptr;
};

}  // namespace kalmero::audio

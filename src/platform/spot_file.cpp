#include "platform/spot_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/audio_reading.h"
#include "platform/encoding.h"

namespace kalmero::audio {

OpenSpot::OpenSpot(std::string_view pathCp1250) {
    if (!refused(pathCp1250)) {
        open(cp1250ToUtf8(pathCp1250));
    }
}

OpenSpot::OpenSpot(Utf8 local) {
    if (!refused(local.path)) {
        open(local.path);
    }
}

OpenSpot::~OpenSpot() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

bool OpenSpot::refused(std::string_view path) {
    // A NUL inside the path would make open() see another, shorter path.
    if (path.empty() || path.find('\0') != std::string_view::npos) {
        m_problem = path.empty() ? kBadPath : kNoFile;
    }
    return m_problem != nullptr;
}

void OpenSpot::open(const std::string& path) {
    // O_NONBLOCK: opening a FIFO must not wait for a writer; every decoder would.
    m_fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (m_fd < 0) {
        m_problem = errno == ENOENT || errno == ENOTDIR ? kNoFile : kCantOpen;
    } else if (::fstat(m_fd, &m_info) != 0) {
        m_problem = kCantOpen;
    } else if (!S_ISREG(m_info.st_mode)) {
        m_problem = kNotAFile;
    } else if (m_info.st_size <= 0) {
        m_problem = kEmptyFile;
    }
}

}  // namespace kalmero::audio

#include "platform/audio_length.h"

#include <fcntl.h>
#include <mpg123.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <limits>
#include <mutex>
#include <optional>

#include "platform/encoding.h"

#ifndef KALMERO_MPG123_VERSION
#define KALMERO_MPG123_VERSION "(unknown version)"
#endif

namespace kalmero {

namespace {

// mpg123_init must run once before any handle is made, and only once per process.
bool mpg123Ready() {
    static std::once_flag once;
    static bool ready = false;
    std::call_once(once, [] { ready = ::mpg123_init() == MPG123_OK; });
    return ready;
}

// An MPEG audio frame header: sync bits, and no reserved version, layer, bit rate or
// sample rate (which also tells it from AAC's ADTS header).
bool isMpegFrameHeader(const unsigned char* h) {
    return h[0] == 0xFF && (h[1] & 0xE0) == 0xE0 && ((h[1] >> 3) & 3) != 1 &&
           ((h[1] >> 1) & 3) != 0 && (h[2] >> 4) != 15 && ((h[2] >> 2) & 3) != 3;
}

// Whether the file's audio starts with an MPEG frame, after an ID3v2 tag if there is one.
// Such files go straight to mpg123: libsndfile would only estimate their length, and its
// own MPEG decoder prints to stderr on broken frames.
bool startsWithMpegFrame(int fd) {
    unsigned char head[10];
    if (::pread(fd, head, sizeof head, 0) != static_cast<ssize_t>(sizeof head)) {
        return false;
    }
    if (head[0] == 'I' && head[1] == 'D' && head[2] == '3') {
        // The tag's size is a syncsafe integer (7 bits a byte); a footer adds 10 bytes.
        const off_t size = (off_t{head[6]} & 0x7F) << 21 | (off_t{head[7]} & 0x7F) << 14 |
                           (off_t{head[8]} & 0x7F) << 7 | (off_t{head[9]} & 0x7F);
        const off_t audio = 10 + size + ((head[5] & 0x10) != 0 ? 10 : 0);
        if (::pread(fd, head, 4, audio) != 4) {
            return false;
        }
    }
    return isMpegFrameHeader(head);
}

bool isMpegAudio(int format) {
    const int sub = format & SF_FORMAT_SUBMASK;
    return (format & SF_FORMAT_TYPEMASK) == SF_FORMAT_MPEG || sub == SF_FORMAT_MPEG_LAYER_I ||
           sub == SF_FORMAT_MPEG_LAYER_II || sub == SF_FORMAT_MPEG_LAYER_III;
}

// The length libsndfile reads from the file's header, or nullopt when it refuses the file
// or the audio is MPEG: for MPEG it only estimates from the first frame's bit rate and the
// file size, which is far off for VBR files without a Xing header or with large tags.
std::optional<std::int64_t> lengthBySndfile(int fd) {
    // sf_open_fd closes the descriptor it is given even when it fails.
    const int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (copy < 0) {
        return std::nullopt;
    }
    SF_INFO info{};
    SNDFILE* file = ::sf_open_fd(copy, SFM_READ, &info, SF_TRUE);
    if (file == nullptr) {
        return std::nullopt;
    }
    ::sf_close(file);
    if (isMpegAudio(info.format)) {
        return std::nullopt;
    }
    // SF_COUNT_MAX stands for "length unknown".
    if (info.frames == SF_COUNT_MAX) {
        return 0;
    }
    return framesToMs(info.frames, info.samplerate);
}

class Mpg123Handle {
  public:
    Mpg123Handle() : m_handle(::mpg123_new(nullptr, nullptr)) {}
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

// The length of MPEG audio by counting every frame (mpg123_scan): exact when the file
// carries an encoder tag (gapless trimming), else the decoded length. 0 when no MPEG
// audio is found. mpg123 does not close the descriptor.
std::int64_t lengthByMpg123(int fd) {
    if (!mpg123Ready() || ::lseek(fd, 0, SEEK_SET) != 0) {
        return 0;
    }
    Mpg123Handle handle;
    mpg123_handle* mh = handle.get();
    if (mh == nullptr) {
        return 0;
    }
    ::mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
    if (::mpg123_open_fd(mh, fd) != MPG123_OK || ::mpg123_scan(mh) != MPG123_OK) {
        return 0;
    }
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    if (::mpg123_getformat(mh, &rate, &channels, &encoding) != MPG123_OK) {
        return 0;
    }
    const off_t frames = ::mpg123_length(mh);
    return frames > 0 ? framesToMs(frames, rate) : 0;
}

std::int64_t lengthOfOpenFile(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0) {
        return 0;
    }
    if (startsWithMpegFrame(fd)) {
        return lengthByMpg123(fd);
    }
    if (const auto ms = lengthBySndfile(fd)) {
        return *ms;
    }
    return lengthByMpg123(fd);
}

}  // namespace

std::int64_t framesToMs(std::int64_t frames, std::int64_t rate) {
    constexpr std::int64_t kMaxRate = std::numeric_limits<std::int64_t>::max() / 1000;
    if (frames < 0 || rate <= 0 || rate > kMaxRate) {
        return 0;
    }
    // Whole seconds and the remainder apart, so that nothing overflows and ties are exact.
    const std::int64_t seconds = frames / rate;
    if (seconds > std::numeric_limits<std::int64_t>::max() / 1000 - 1) {
        return 0;
    }
    const std::int64_t scaled = (frames % rate) * 1000;
    std::int64_t ms = scaled / rate;
    const std::int64_t twiceRest = 2 * (scaled % rate);
    if (twiceRest > rate || (twiceRest == rate && ms % 2 != 0)) {
        ++ms;
    }
    return seconds * 1000 + ms;
}

std::int64_t PobierzCzasSpotu(std::string_view pathCp1250) {
    // A NUL inside the path would make open() see another, shorter path.
    if (pathCp1250.empty() || pathCp1250.find('\0') != std::string_view::npos) {
        return 0;
    }
    const std::string path = cp1250ToUtf8(pathCp1250);
    // O_NONBLOCK: opening a FIFO must not wait for a writer; every decoder would.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return 0;
    }
    const std::int64_t ms = lengthOfOpenFile(fd);
    ::close(fd);
    return ms;
}

DecoderInfo decoderInfo() {
    const bool mpeg =
        mpg123Ready() && ::mpg123_decoders() != nullptr && ::mpg123_decoders()[0] != nullptr;
    std::string description = ::sf_version_string();
    description += ", libmpg123 ";
    description += KALMERO_MPG123_VERSION;
    return DecoderInfo{description, mpeg};
}

}  // namespace kalmero

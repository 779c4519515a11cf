#include "platform/audio_length.h"

#include <fcntl.h>
#include <mpg123.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <mutex>
#include <optional>
#include <vector>

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

// Bytes of the MPEG frame whose header is `h` (checked by isMpegFrameHeader), or 0 for a
// free-format frame, whose size no header tells.
std::size_t mpegFrameBytes(const unsigned char* h) {
    static const int kKbps[5][15] = {
        {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},  // 1, I
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},     // 1, II
        {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},      // 1, III
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},     // 2, I
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},          // 2, II/III
    };
    static const int kRates[3] = {44'100, 48'000, 32'000};
    const int version = (h[1] >> 3) & 3;  // 3: MPEG-1, 2: MPEG-2, 0: MPEG-2.5
    const int layer = 4 - ((h[1] >> 1) & 3);
    const bool mpeg1 = version == 3;
    const int table = mpeg1 ? layer - 1 : (layer == 1 ? 3 : 4);
    const long kbps = kKbps[table][h[2] >> 4];
    const long rate = kRates[(h[2] >> 2) & 3] >> (mpeg1 ? 0 : (version == 2 ? 1 : 2));
    const long padding = (h[2] >> 1) & 1;
    if (kbps == 0) {
        return 0;
    }
    if (layer == 1) {
        return static_cast<std::size_t>((12'000 * kbps / rate + padding) * 4);
    }
    const long perKbps = layer == 3 && !mpeg1 ? 72'000 : 144'000;
    return static_cast<std::size_t>(perKbps * kbps / rate + padding);
}

// Whether three MPEG frames follow each other from `at` with the same version, layer and
// sample rate. One header alone turns up by chance every few KB of any data (AAC, PCM,
// pictures), and mpg123 would decode such stray frames into a length of their own.
bool startsMpegFrameRun(const std::vector<unsigned char>& bytes, std::size_t at) {
    constexpr int kRun = 3;
    const unsigned char* first = &bytes[at];
    for (int i = 0; i < kRun; ++i) {
        if (at + 4 > bytes.size()) {
            return false;
        }
        const unsigned char* h = &bytes[at];
        if (!isMpegFrameHeader(h) || (h[1] & 0xFE) != (first[1] & 0xFE) ||
            (h[2] & 0x0C) != (first[2] & 0x0C)) {
            return false;
        }
        const std::size_t size = mpegFrameBytes(h);
        if (size == 0) {
            return false;
        }
        at += size;
    }
    return true;
}

// Offset of the audio after the ID3v2 tags at the file's start (taggers sometimes leave
// more than one). The tag's size is a syncsafe integer (7 bits a byte); a footer adds 10.
off_t skipId3v2Tags(int fd, off_t fileSize) {
    off_t at = 0;
    unsigned char h[10];
    while (at < fileSize && ::pread(fd, h, sizeof h, at) == static_cast<ssize_t>(sizeof h) &&
           h[0] == 'I' && h[1] == 'D' && h[2] == '3') {
        const off_t size = (off_t{h[6]} & 0x7F) << 21 | (off_t{h[7]} & 0x7F) << 14 |
                           (off_t{h[8]} & 0x7F) << 7 | (off_t{h[9]} & 0x7F);
        at += 10 + size + ((h[5] & 0x10) != 0 ? 10 : 0);
    }
    return at;
}

// Whether the audio starts with an MPEG frame right after the tags. Such files go straight
// to mpg123: libsndfile would only estimate their length, and its own MPEG decoder prints
// to stderr on broken frames.
bool startsWithMpegFrame(int fd, off_t audio) {
    unsigned char h[4];
    return ::pread(fd, h, sizeof h, audio) == static_cast<ssize_t>(sizeof h) &&
           isMpegFrameHeader(h);
}

// A stretch of the file, in bytes from its start.
struct ByteRange {
    off_t begin;
    off_t end;
};

std::uint32_t littleEndian32(const unsigned char* bytes) {
    return std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 | std::uint32_t{bytes[2]} << 16 |
           std::uint32_t{bytes[3]} << 24;
}

// The data chunk of a RIFF/RF64 WAVE file, or nullopt for other files. Broadcast WAVs may
// carry large chunks (peak envelopes) before it.
std::optional<ByteRange> waveDataChunk(int fd, off_t fileSize) {
    unsigned char h[12];
    if (::pread(fd, h, sizeof h, 0) != static_cast<ssize_t>(sizeof h) ||
        (std::memcmp(h, "RIFF", 4) != 0 && std::memcmp(h, "RF64", 4) != 0) ||
        std::memcmp(h + 8, "WAVE", 4) != 0) {
        return std::nullopt;
    }
    off_t at = 12;
    for (int chunks = 0; chunks < 1'000 && at + 8 <= fileSize; ++chunks) {
        if (::pread(fd, h, 8, at) != 8) {
            break;
        }
        const off_t size = littleEndian32(h + 4);
        if (std::memcmp(h, "data", 4) == 0) {
            // RF64 and unfinished files leave the size open (0xFFFFFFFF, or too large).
            return ByteRange{at + 8, std::min(fileSize, at + 8 + size)};
        }
        at += 8 + size + (size & 1);
    }
    return std::nullopt;
}

// Where a run of MPEG frames starts, searched within the first MB of `range`, and the
// rest of the range from there: MPEG audio behind junk, or inside a WAV. Files that are no
// MPEG audio at all (AAC, MP4, broken headers) never reach mpg123, which would find stray
// frames in them or scan a long file for nothing.
std::optional<ByteRange> findMpegFrameRun(int fd, ByteRange range) {
    constexpr off_t kWindow = 1 << 20;
    constexpr off_t kRunBytes = 3 * 1'800;  // three frames of the largest kind
    std::vector<unsigned char> bytes(static_cast<std::size_t>(
        std::clamp<off_t>(range.end - range.begin, 0, kWindow + kRunBytes)));
    const ssize_t got = ::pread(fd, bytes.data(), bytes.size(), range.begin);
    if (got <= 0) {
        return std::nullopt;
    }
    bytes.resize(static_cast<std::size_t>(got));
    for (std::size_t at = 0; at < kWindow && at + 4 <= bytes.size(); ++at) {
        if (bytes[at] == 0xFF && startsMpegFrameRun(bytes, at)) {
            return ByteRange{range.begin + static_cast<off_t>(at), range.end};
        }
    }
    return std::nullopt;
}

bool isMpegAudio(int format) {
    const int sub = format & SF_FORMAT_SUBMASK;
    return (format & SF_FORMAT_TYPEMASK) == SF_FORMAT_MPEG || sub == SF_FORMAT_MPEG_LAYER_I ||
           sub == SF_FORMAT_MPEG_LAYER_II || sub == SF_FORMAT_MPEG_LAYER_III;
}

// Frames decoded to the end, for files whose header leaves the length open (FLAC written
// to a pipe, a cut Opus file). 0 past a bound no spot comes near, so that a decoder going
// round in circles on a broken file can't hold up the load.
std::int64_t countFramesByDecoding(SNDFILE* file, const SF_INFO& info) {
    constexpr sf_count_t kChunk = 4'096;
    const std::int64_t most = std::int64_t{info.samplerate} * 3'600 * 100;
    std::vector<float> buffer(static_cast<std::size_t>(kChunk * info.channels));
    std::int64_t frames = 0;
    for (sf_count_t got = 0; (got = ::sf_readf_float(file, buffer.data(), kChunk)) > 0;) {
        frames += got;
        if (frames > most) {
            return 0;
        }
    }
    return frames;
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
    std::optional<std::int64_t> frames;
    if (!isMpegAudio(info.format)) {
        // SF_COUNT_MAX stands for "length unknown".
        frames = info.frames != SF_COUNT_MAX ? info.frames : countFramesByDecoding(file, info);
    }
    ::sf_close(file);
    if (!frames) {
        return std::nullopt;
    }
    return framesToMs(*frames, info.samplerate);
}

// FLAC in Ogg, which libsndfile fails to open: the length from the STREAMINFO block that
// the first Ogg packet carries. nullopt when the file is no Ogg FLAC, 0 when the block
// leaves the length open.
std::optional<std::int64_t> lengthOfOggFlac(int fd) {
    unsigned char page[27 + 255 + 51];
    const ssize_t got = ::pread(fd, page, sizeof page, 0);
    if (got < 27 || std::memcmp(page, "OggS", 4) != 0) {
        return std::nullopt;
    }
    // The packet follows the page header and its segment table; 0x7F "FLAC", the mapping's
    // version and header count, "fLaC", a metadata block header, then STREAMINFO.
    const std::size_t packet = 27 + std::size_t{page[26]};
    const unsigned char* p = page + packet;
    if (packet + 51 > static_cast<std::size_t>(got) || std::memcmp(p, "\177FLAC", 5) != 0 ||
        std::memcmp(p + 9, "fLaC", 4) != 0 || (p[13] & 0x7F) != 0) {
        return std::nullopt;
    }
    const unsigned char* info = p + 17;
    const std::int64_t rate = std::int64_t{info[10]} << 12 | info[11] << 4 | info[12] >> 4;
    const std::int64_t frames = std::int64_t{info[13] & 0x0F} << 32 | std::int64_t{info[14]} << 24 |
                                info[15] << 16 | info[16] << 8 | info[17];
    return framesToMs(frames, rate);
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

// What mpg123 reads: a range of the file, seen as a whole file of its own.
struct FileView {
    int fd;
    ByteRange range;
    off_t at;  // from range.begin
};

mpg123_ssize_t readView(void* handle, void* buffer, size_t size) {
    auto& view = *static_cast<FileView*>(handle);
    const off_t left = view.range.end - view.range.begin - view.at;
    if (left <= 0) {
        return 0;
    }
    const ssize_t got = ::pread(view.fd, buffer, std::min<off_t>(left, static_cast<off_t>(size)),
                                view.range.begin + view.at);
    if (got > 0) {
        view.at += got;
    }
    return got;
}

off_t seekView(void* handle, off_t offset, int whence) {
    auto& view = *static_cast<FileView*>(handle);
    const off_t size = view.range.end - view.range.begin;
    const off_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? view.at : size;
    if (offset < -base || offset > std::numeric_limits<off_t>::max() - base) {
        return -1;
    }
    view.at = base + offset;
    return view.at;
}

// The length of the MPEG audio in `range` by counting every frame (mpg123_scan): exact
// when the file carries an encoder tag (gapless trimming), else the decoded length. 0 when
// no MPEG audio is found.
std::int64_t lengthByMpg123(int fd, ByteRange range) {
    if (!mpg123Ready()) {
        return 0;
    }
    Mpg123Handle handle;
    mpg123_handle* mh = handle.get();
    if (mh == nullptr) {
        return 0;
    }
    ::mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
    FileView view{fd, range, 0};
    if (::mpg123_replace_reader_handle(mh, readView, seekView, nullptr) != MPG123_OK ||
        ::mpg123_open_handle(mh, &view) != MPG123_OK || ::mpg123_scan(mh) != MPG123_OK) {
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
    const ByteRange file{0, info.st_size};
    const off_t audio = skipId3v2Tags(fd, info.st_size);
    if (startsWithMpegFrame(fd, audio)) {
        return lengthByMpg123(fd, file);
    }
    if (const auto ms = lengthBySndfile(fd)) {
        return *ms;
    }
    if (const auto ms = lengthOfOggFlac(fd)) {
        return *ms;
    }
    const ByteRange search = waveDataChunk(fd, info.st_size).value_or(ByteRange{audio, file.end});
    const auto run = findMpegFrameRun(fd, search);
    return run ? lengthByMpg123(fd, *run) : 0;
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

SpotMeasurer newLoadMeasurer() {
    return [](std::string_view path) { return SpotMeasure{PobierzCzasSpotu(path), {}}; };
}

}  // namespace kalmero

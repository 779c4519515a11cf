#include "platform/audio_length.h"

#include <fcntl.h>
#include <mpg123.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include "platform/encoding.h"
#include "platform/spot_decoding.h"

#ifndef KALMERO_MPG123_VERSION
#define KALMERO_MPG123_VERSION "(unknown version)"
#endif

namespace kalmero {

namespace {

// Why a spot has no length, for the operator's placement report.
constexpr const char* kBadPath = "pusta ścieżka";
constexpr const char* kNoFile = kNoSpotFile;
constexpr const char* kCantOpen = "nie można otworzyć pliku";
constexpr const char* kNotAFile = "to nie jest zwykły plik";
constexpr const char* kEmptyFile = "pusty plik";
constexpr const char* kUnreadable = "nie można odczytać pliku";
constexpr const char* kNoAudio = "plik bez dźwięku";
// Taggers leave one tag, now and then two or three; a file of a million chained empty tags
// would cost a read for each.
constexpr int kMostId3v2Tags = 64;
constexpr const char* kLengthOpen = "nagłówek nie podaje długości";
constexpr const char* kImpossibleLength = "długość z nagłówka niemożliwa dla rozmiaru pliku";
constexpr const char* kTooManyTags = "zbyt wiele znaczników ID3";
// FLAC at its most compact (a constant subframe for a block of 65,535 frames) takes about
// 12 bytes a block, Vorbis and Opus on silence far more; a header claiming more than this
// describes audio that isn't there.
constexpr std::int64_t kMostFramesPerCompressedByte = 8'192;
// What mpg123 reads at once through BufferedView.
constexpr std::size_t kReadBuffer = std::size_t{64} * 1'024;

// Wall time one spot may spend reading its audio to the end.
class DecodeBudget {
public:
    explicit DecodeBudget(std::chrono::milliseconds limit)
        : m_limit(limit), m_end(std::chrono::steady_clock::now() + limit) {}
    bool spent() const { return std::chrono::steady_clock::now() >= m_end; }
    std::string cutReason() const {
        const auto ms = m_limit.count();
        return "dekodowanie przerwane po " +
               (ms % 1'000 == 0 ? std::to_string(ms / 1'000) + " s" : std::to_string(ms) + " ms");
    }

private:
    std::chrono::milliseconds m_limit;
    std::chrono::steady_clock::time_point m_end;
};

// What a decoder made of a file: a frame count at a rate, or why it gives none.
struct Reading {
    std::int64_t frames = 0;
    std::int64_t rate = 0;
    // The most frames the file's bytes can hold in the coding found.
    std::int64_t mostFrames = 0;
    std::string problem;
};

Reading failed(std::string problem) {
    Reading reading;
    reading.problem = std::move(problem);
    return reading;
}

std::int64_t saturatingProduct(std::int64_t a, std::int64_t b) {
    return a > std::numeric_limits<std::int64_t>::max() / b
               ? std::numeric_limits<std::int64_t>::max()
               : a * b;
}

std::int64_t mostCompressedFrames(off_t fileSize) {
    return saturatingProduct(fileSize, kMostFramesPerCompressedByte);
}

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
// more than one), or nullopt past kMostId3v2Tags. The tag's size is a syncsafe integer
// (7 bits a byte); a footer adds 10.
std::optional<off_t> skipId3v2Tags(int fd, off_t fileSize) {
    off_t at = 0;
    unsigned char h[10];
    for (int tags = 0;
         at < fileSize && ::pread(fd, h, sizeof h, at) == static_cast<ssize_t>(sizeof h) &&
         h[0] == 'I' && h[1] == 'D' && h[2] == '3';
         ++tags) {
        if (tags == kMostId3v2Tags) {
            return std::nullopt;
        }
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

// What a RIFF/RF64 WAVE file holds: its data chunk, and the coding its format chunk names.
struct WaveChunks {
    ByteRange data;
    unsigned formatTag;  // 0 when no format chunk comes before the data
};

// MPEG-1 Layer I/II (0x50) and Layer III (0x55) in a WAV file.
bool isMpegFormatTag(unsigned tag) { return tag == 0x50 || tag == 0x55; }

// The chunks of a RIFF/RF64 WAVE file, or nullopt for other files. Broadcast WAVs may
// carry large chunks (peak envelopes) before the data.
std::optional<WaveChunks> waveChunks(int fd, off_t fileSize) {
    unsigned char h[12];
    if (::pread(fd, h, sizeof h, 0) != static_cast<ssize_t>(sizeof h) ||
        (std::memcmp(h, "RIFF", 4) != 0 && std::memcmp(h, "RF64", 4) != 0) ||
        std::memcmp(h + 8, "WAVE", 4) != 0) {
        return std::nullopt;
    }
    unsigned formatTag = 0;
    off_t at = 12;
    for (int chunks = 0; chunks < 1'000 && at + 8 <= fileSize; ++chunks) {
        const ssize_t got = ::pread(fd, h, 10, at);
        if (got < 8) {
            break;
        }
        const off_t size = littleEndian32(h + 4);
        if (std::memcmp(h, "fmt ", 4) == 0 && size >= 2 && got == 10) {
            formatTag = unsigned{h[8]} | unsigned{h[9]} << 8;
        }
        if (std::memcmp(h, "data", 4) == 0) {
            // RF64 and unfinished files leave the size open (0xFFFFFFFF, or too large).
            return WaveChunks{ByteRange{at + 8, std::min(fileSize, at + 8 + size)}, formatTag};
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
    constexpr off_t kRunBytes = off_t{3} * 1'800;  // three frames of the largest kind
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

// Bits a sample takes in libsndfile's uncompressed codings, 0 for the others. FLAC names
// its sample size as a PCM subformat.
int pcmBitsPerSample(int format) {
    if ((format & SF_FORMAT_TYPEMASK) == SF_FORMAT_FLAC) {
        return 0;
    }
    switch (format & SF_FORMAT_SUBMASK) {
        case SF_FORMAT_PCM_S8:
        case SF_FORMAT_PCM_U8:
        case SF_FORMAT_ULAW:
        case SF_FORMAT_ALAW:
        case SF_FORMAT_DPCM_8:
            return 8;
        case SF_FORMAT_PCM_16:
        case SF_FORMAT_DPCM_16:
            return 16;
        case SF_FORMAT_PCM_24:
            return 24;
        case SF_FORMAT_PCM_32:
        case SF_FORMAT_FLOAT:
            return 32;
        case SF_FORMAT_DOUBLE:
            return 64;
        default:
            return 0;
    }
}

// The most frames `fileSize` bytes can hold in the file's coding: every sample stored for
// PCM, kMostFramesPerCompressedByte for everything else.
std::int64_t mostFrames(const SF_INFO& info, off_t fileSize) {
    const std::int64_t bitsPerFrame = std::int64_t{pcmBitsPerSample(info.format)} * info.channels;
    if (bitsPerFrame <= 0) {
        return mostCompressedFrames(fileSize);
    }
    return saturatingProduct(fileSize, 8) / bitsPerFrame;
}

// Frames decoded to the end, for files whose header leaves the length open (FLAC written
// to a pipe, a cut Opus file), or nullopt once the budget is spent: a long file, or a
// decoder going round in circles on a broken one, can't hold up the load.
std::optional<std::int64_t> countFramesByDecoding(SNDFILE* file, const SF_INFO& info,
                                                  const DecodeBudget& budget) {
    constexpr sf_count_t kChunk = 4'096;
    std::vector<float> buffer(static_cast<std::size_t>(kChunk * info.channels));
    std::int64_t frames = 0;
    while (!budget.spent()) {
        const sf_count_t got = ::sf_readf_float(file, buffer.data(), kChunk);
        if (got <= 0) {
            return frames;
        }
        frames += got;
    }
    return std::nullopt;
}

struct SndfileCloser {
    void operator()(SNDFILE* file) const { ::sf_close(file); }
};
using SndfileHandle = std::unique_ptr<SNDFILE, SndfileCloser>;

// libsndfile reading the file open at `fd`, which stays open; nullptr when it can't.
SndfileHandle openSndfile(int fd, SF_INFO& info) {
    // sf_open_fd closes the descriptor it is given even when it fails.
    const int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (copy < 0) {
        return nullptr;
    }
    // A copy shares the offset, which libsndfile takes for the audio's start and an
    // earlier reading of the same file left elsewhere.
    if (::lseek(copy, 0, SEEK_SET) != 0) {
        ::close(copy);
        return nullptr;
    }
    return SndfileHandle(::sf_open_fd(copy, SFM_READ, &info, SF_TRUE));
}

// The length libsndfile reads from the file's header, or nullopt when it refuses the file
// or the audio is MPEG: for MPEG it only estimates from the first frame's bit rate and the
// file size, which is far off for VBR files without a Xing header or with large tags.
std::optional<Reading> lengthBySndfile(int fd, off_t fileSize, const DecodeBudget& budget) {
    SF_INFO info{};
    const SndfileHandle file = openSndfile(fd, info);
    if (!file || isMpegAudio(info.format)) {
        return std::nullopt;
    }
    // SF_COUNT_MAX stands for "length unknown".
    const auto frames = info.frames != SF_COUNT_MAX
                            ? std::optional<std::int64_t>(info.frames)
                            : countFramesByDecoding(file.get(), info, budget);
    return frames ? Reading{*frames, info.samplerate, mostFrames(info, fileSize), {}}
                  : failed(budget.cutReason());
}

// FLAC in Ogg, which libsndfile fails to open: the length from the STREAMINFO block that
// the first Ogg packet carries. nullopt when the file is no Ogg FLAC.
std::optional<Reading> lengthOfOggFlac(int fd, off_t fileSize) {
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
    if (frames == 0) {
        return failed(kLengthOpen);
    }
    return Reading{frames, rate, mostCompressedFrames(fileSize), {}};
}

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

mpg123_ssize_t readView(void* handle, void* buffer, size_t size) {
    return static_cast<BufferedView*>(handle)->read(buffer, size);
}

off_t seekView(void* handle, off_t offset, int whence) {
    return static_cast<BufferedView*>(handle)->seek(offset, whence);
}

// Sets a quiet mpg123 handle to read `view`; false when it can't.
bool openView(mpg123_handle* mh, BufferedView& view) {
    ::mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
    return ::mpg123_replace_reader_handle(mh, readView, seekView, nullptr) == MPG123_OK &&
           ::mpg123_open_handle(mh, &view) == MPG123_OK;
}

// The length of the MPEG audio in `range` by counting every frame (mpg123_scan): exact
// when the file carries an encoder tag (gapless trimming), else the decoded length.
Reading lengthByMpg123(int fd, ByteRange range, const DecodeBudget& budget) {
    Mpg123Handle handle;
    mpg123_handle* mh = handle.get();
    if (mh == nullptr) {
        return failed(kUnreadable);
    }
    BufferedView view(fd, range, budget);
    if (!openView(mh, view) || ::mpg123_scan(mh) != MPG123_OK) {
        return failed(view.budgetSpent() ? budget.cutReason() : kUnreadable);
    }
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    if (::mpg123_getformat(mh, &rate, &channels, &encoding) != MPG123_OK) {
        return failed(view.budgetSpent() ? budget.cutReason() : kUnreadable);
    }
    const off_t frames = ::mpg123_length(mh);
    if (frames <= 0) {
        return failed(kNoAudio);
    }
    return Reading{frames, rate, mostCompressedFrames(range.end - range.begin), {}};
}

// Reads a spot with the decoder its audio calls for, the same choice for every kind of
// reading: `readers` has mpeg(fd, range) for MPEG audio (after tags, behind junk, inside a
// WAV), and sndfile(fd, size) and oggFlac(fd, size) that give nullopt for audio they don't
// read.
template <class Readers>
Reading readWith(int fd, off_t fileSize, Readers& readers) {
    const ByteRange file{0, fileSize};
    const auto audio = skipId3v2Tags(fd, fileSize);
    if (!audio) {
        return failed(kTooManyTags);
    }
    if (startsWithMpegFrame(fd, *audio)) {
        return readers.mpeg(fd, file);
    }
    const auto wave = waveChunks(fd, fileSize);
    // libsndfile gives no length for MPEG anyway, and reads its way through a WAV's chunks
    // so slowly that a broadcast WAV's peak envelope costs seconds.
    const bool mpegWave = wave && isMpegFormatTag(wave->formatTag);
    if (!mpegWave) {
        if (auto reading = readers.sndfile(fd, fileSize)) {
            return std::move(*reading);
        }
    }
    if (auto reading = readers.oggFlac(fd, fileSize)) {
        return std::move(*reading);
    }
    const ByteRange search = wave ? wave->data : ByteRange{*audio, file.end};
    const auto run = findMpegFrameRun(fd, search);
    return run ? readers.mpeg(fd, *run) : failed(kUnreadable);
}

// The header's length, as far as the file carries one.
struct LengthReaders {
    const DecodeBudget& budget;
    Reading mpeg(int fd, ByteRange range) const { return lengthByMpg123(fd, range, budget); }
    std::optional<Reading> sndfile(int fd, off_t fileSize) const {
        return lengthBySndfile(fd, fileSize, budget);
    }
    static std::optional<Reading> oggFlac(int fd, off_t fileSize) {
        return lengthOfOggFlac(fd, fileSize);
    }
};

Reading readLength(int fd, off_t fileSize, const DecodeBudget& budget) {
    LengthReaders readers{budget};
    return readWith(fd, fileSize, readers);
}

// The reading as the operator gets it: lengths the file can't hold are not trusted.
SpotMeasure judged(Reading reading) {
    if (!reading.problem.empty()) {
        return SpotMeasure{0, std::move(reading.problem)};
    }
    if (reading.frames > reading.mostFrames) {
        return SpotMeasure{0, kImpossibleLength};
    }
    if (reading.rate <= 0) {
        return SpotMeasure{0, kUnreadable};
    }
    const std::int64_t ms = framesToMs(reading.frames, reading.rate);
    if (ms == 0) {
        return SpotMeasure{0, kNoAudio};
    }
    return SpotMeasure{ms, {}};
}

SpotMeasure measureOpenFile(int fd, off_t fileSize, const MeasureSettings& settings) {
    if (settings.filesDecoded != nullptr) {
        ++*settings.filesDecoded;
    }
    const DecodeBudget budget(settings.decodeLimit);
    return judged(readLength(fd, fileSize, budget));
}

// A spot's file opened for measuring, or why it can't be; closed when it goes.
class OpenSpot {
public:
    // From a path line's Windows-1250 bytes.
    explicit OpenSpot(std::string_view pathCp1250) {
        if (refused(pathCp1250)) {
            return;
        }
        open(cp1250ToUtf8(pathCp1250));
    }
    struct Utf8 {
        const std::string& path;
    };
    // From a local path in UTF-8.
    explicit OpenSpot(Utf8 local) {
        if (!refused(local.path)) {
            open(local.path);
        }
    }
    ~OpenSpot() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    OpenSpot(const OpenSpot&) = delete;
    OpenSpot& operator=(const OpenSpot&) = delete;

    int fd() const { return m_fd; }
    const struct stat& info() const { return m_info; }
    // nullptr when the file can be measured.
    const char* problem() const { return m_problem; }

private:
    bool refused(std::string_view path) {
        // A NUL inside the path would make open() see another, shorter path.
        if (path.empty() || path.find('\0') != std::string_view::npos) {
            m_problem = path.empty() ? kBadPath : kNoFile;
        }
        return m_problem != nullptr;
    }
    void open(const std::string& path) {
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

    int m_fd = -1;
    struct stat m_info {};
    const char* m_problem = nullptr;
};

constexpr const char* kCantDecode = "nie można zdekodować pliku";
constexpr const char* kFormatChanges = "format dźwięku zmienia się w pliku";
// Frames handed to a sink at once.
constexpr std::size_t kDecodeChunk = 4'096;

// Every sample of the audio, into a sink.
class DecodeReaders {
public:
    DecodeReaders(SampleSink& sink, const DecodeBudget& budget) : m_sink(sink), m_budget(budget) {}

    Reading mpeg(int fd, ByteRange range) {
        Mpg123Handle handle;
        mpg123_handle* mh = handle.get();
        if (mh == nullptr) {
            return failed(kUnreadable);
        }
        // Floats at whatever rate and channels the stream has.
        ::mpg123_format_none(mh);
        const long* rates = nullptr;
        std::size_t rateCount = 0;
        ::mpg123_rates(&rates, &rateCount);
        for (std::size_t i = 0; i < rateCount; ++i) {
            ::mpg123_format(mh, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_FLOAT_32);
        }
        BufferedView view(fd, range, m_budget);
        long rate = 0;
        int channels = 0;
        int encoding = 0;
        if (!openView(mh, view) ||
            ::mpg123_getformat(mh, &rate, &channels, &encoding) != MPG123_OK) {
            return failed(view.budgetSpent() ? m_budget.cutReason() : kUnreadable);
        }
        if (encoding != MPG123_ENC_FLOAT_32 || channels <= 0 || !start(channels, rate)) {
            return failed(kCantDecode);
        }
        std::vector<float> buffer(kDecodeChunk * static_cast<std::size_t>(channels));
        const std::size_t frameBytes = sizeof(float) * static_cast<std::size_t>(channels);
        std::int64_t frames = 0;
        for (;;) {
            std::size_t done = 0;
            const int result =
                ::mpg123_read(mh, buffer.data(), buffer.size() * sizeof(float), &done);
            const std::size_t got = done / frameBytes;
            frames += static_cast<std::int64_t>(got);
            if (got > 0 && !take(buffer.data(), got)) {
                return failed(kCantDecode);
            }
            if (result == MPG123_DONE) {
                break;
            }
            if (result == MPG123_NEW_FORMAT) {
                long newRate = 0;
                int newChannels = 0;
                ::mpg123_getformat(mh, &newRate, &newChannels, &encoding);
                if (newRate != rate || newChannels != channels) {
                    return failed(kFormatChanges);
                }
            } else if (result != MPG123_OK) {
                return failed(view.budgetSpent() ? m_budget.cutReason() : kUnreadable);
            }
        }
        if (frames == 0) {
            return failed(kNoAudio);
        }
        return Reading{frames, rate, frames, {}};
    }

    std::optional<Reading> sndfile(int fd, off_t /*fileSize*/) {
        SF_INFO info{};
        const SndfileHandle file = openSndfile(fd, info);
        if (!file || isMpegAudio(info.format)) {
            return std::nullopt;
        }
        if (info.channels <= 0 || !start(info.channels, info.samplerate)) {
            return failed(kCantDecode);
        }
        std::vector<float> buffer(kDecodeChunk * static_cast<std::size_t>(info.channels));
        std::int64_t frames = 0;
        for (;;) {
            if (m_budget.spent()) {
                return failed(m_budget.cutReason());
            }
            const sf_count_t got = ::sf_readf_float(file.get(), buffer.data(), kDecodeChunk);
            if (got <= 0) {
                break;
            }
            frames += got;
            if (!take(buffer.data(), static_cast<std::size_t>(got))) {
                return failed(kCantDecode);
            }
        }
        // A file cut short ends in an error after what it holds: the length tells the rest.
        if (frames == 0 && ::sf_error(file.get()) != SF_ERR_NO_ERROR) {
            return failed(kCantDecode);
        }
        return Reading{frames, info.samplerate, frames, {}};
    }

    // libsndfile can't open FLAC in Ogg, and nothing else here decodes it.
    static std::optional<Reading> oggFlac(int fd, off_t fileSize) {
        return lengthOfOggFlac(fd, fileSize) ? std::optional(failed(kCantDecode)) : std::nullopt;
    }

    // Whether the sink stopped the decoding.
    bool stopped() const { return m_stopped; }

private:
    bool start(int channels, long rate) {
        m_stopped = !m_sink.start(channels, rate);
        return !m_stopped;
    }
    bool take(const float* frames, std::size_t count) {
        m_stopped = !m_sink.take(frames, count);
        return !m_stopped;
    }

    SampleSink& m_sink;
    const DecodeBudget& m_budget;
    bool m_stopped = false;
};

// A load's measurings, by the file's device and inode.
struct LoadCache {
    std::mutex mutex;
    std::map<std::pair<dev_t, ino_t>, SpotMeasure> measured;
};

SpotProblem problemKind(std::string_view problem) {
    if (problem.empty()) {
        return SpotProblem::None;
    }
    if (problem == kBadPath || problem == kNoFile) {
        return SpotProblem::NotFound;
    }
    return problem == kNoAudio || problem == kEmptyFile ? SpotProblem::NotAudio
                                                        : SpotProblem::Unreadable;
}

// A load's measuring of an opened spot: each file (by device and inode) decoded once.
SpotMeasure measureInLoad(const OpenSpot& spot, LoadCache& cache, const MeasureSettings& settings) {
    if (spot.problem() != nullptr) {
        return SpotMeasure{0, spot.problem(), {}, problemKind(spot.problem())};
    }
    // The path as spelled may differ; the opened file is the one measured.
    const std::pair key{spot.info().st_dev, spot.info().st_ino};
    const std::lock_guard lock(cache.mutex);
    const auto known = cache.measured.find(key);
    if (known != cache.measured.end()) {
        return known->second;
    }
    SpotMeasure measure = measureOpenFile(spot.fd(), spot.info().st_size, settings);
    measure.kind = problemKind(measure.problem);
    cache.measured.emplace(key, measure);
    return measure;
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

std::int64_t PobierzCzasSpotu(std::string_view pathCp1250) { return measureSpot(pathCp1250).ms; }

SpotMeasure measureSpot(std::string_view pathCp1250) {
    return measureSpotWith(pathCp1250, MeasureSettings{});
}

SpotMeasure measureSpotWith(std::string_view pathCp1250, const MeasureSettings& settings) {
    LoadCache single;
    return measureInLoad(OpenSpot(pathCp1250), single, settings);
}

SpotMeasurer newLoadMeasurer() { return newLoadMeasurer(MeasureSettings{}); }

SpotMeasurer newLoadMeasurer(const MeasureSettings& settings) {
    auto cache = std::make_shared<LoadCache>();
    return [cache, settings](std::string_view pathCp1250) {
        SpotMeasure measure = measureInLoad(OpenSpot(pathCp1250), *cache, settings);
        measure.localPath = cp1250ToUtf8(pathCp1250);
        return measure;
    };
}

LocalSpotMeasurer newLocalLoadMeasurer(const MeasureSettings& settings) {
    auto cache = std::make_shared<LoadCache>();
    return [cache, settings](const std::string& pathUtf8) {
        SpotMeasure measure = measureInLoad(OpenSpot(OpenSpot::Utf8{pathUtf8}), *cache, settings);
        measure.localPath = pathUtf8;
        return measure;
    };
}

DecoderInfo decoderInfo() {
    const bool mpeg =
        mpg123Ready() && ::mpg123_decoders() != nullptr && ::mpg123_decoders()[0] != nullptr;
    std::string description = ::sf_version_string();
    description += ", libmpg123 ";
    description += KALMERO_MPG123_VERSION;
    return DecoderInfo{description, mpeg};
}

DecodedSpot decodeSpot(std::string_view pathCp1250, SampleSink& sink,
                       const MeasureSettings& headerSettings,
                       std::chrono::milliseconds decodeLimit) {
    DecodedSpot decoded;
    const OpenSpot spot(pathCp1250);
    if (spot.problem() != nullptr) {
        decoded.header = SpotMeasure{0, spot.problem()};
        decoded.problem = spot.problem();
        return decoded;
    }
    decoded.file = spot.info();
    decoded.header = measureOpenFile(spot.fd(), spot.info().st_size, headerSettings);
    const DecodeBudget budget(decodeLimit);
    DecodeReaders readers(sink, budget);
    Reading reading = readWith(spot.fd(), spot.info().st_size, readers);
    decoded.frames = reading.frames;
    decoded.rate = static_cast<long>(reading.rate);
    decoded.problem = std::move(reading.problem);
    decoded.cut = readers.stopped() || budget.spent() ||
                  decoded.header.problem == DecodeBudget(headerSettings.decodeLimit).cutReason();
    return decoded;
}

}  // namespace kalmero

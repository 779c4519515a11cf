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
#include "platform/mpg123_handle.h"
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
// How every problem of a file cut short begins.
constexpr const char* kCutShort = "plik ucięty";
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
    // Where the data chunk's size says it ends; 0 when the size is left open (RF64, a file
    // written to a pipe).
    off_t declaredEnd = 0;
    std::uint32_t bytesPerSecond = 0;  // from the format chunk; 0 when there is none
};

// MPEG-1 Layer I/II (0x50) and Layer III (0x55) in a WAV file.
bool isMpegFormatTag(unsigned tag) { return tag == 0x50 || tag == 0x55; }

// The chunks of a RIFF/RF64 WAVE file, or nullopt for other files. Broadcast WAVs may
// carry large chunks (peak envelopes) before the data.
std::optional<WaveChunks> waveChunks(int fd, off_t fileSize) {
    unsigned char h[20];
    if (::pread(fd, h, 12, 0) != 12 ||
        (std::memcmp(h, "RIFF", 4) != 0 && std::memcmp(h, "RF64", 4) != 0) ||
        std::memcmp(h + 8, "WAVE", 4) != 0) {
        return std::nullopt;
    }
    const bool rf64 = std::memcmp(h, "RF64", 4) == 0;
    unsigned formatTag = 0;
    std::uint32_t bytesPerSecond = 0;
    off_t at = 12;
    for (int chunks = 0; chunks < 1'000 && at + 8 <= fileSize; ++chunks) {
        const ssize_t got = ::pread(fd, h, sizeof h, at);
        if (got < 8) {
            break;
        }
        const off_t size = littleEndian32(h + 4);
        if (std::memcmp(h, "fmt ", 4) == 0 && size >= 2 && got >= 10) {
            formatTag = unsigned{h[8]} | unsigned{h[9]} << 8;
            bytesPerSecond = size >= 12 && got == sizeof h ? littleEndian32(h + 16) : 0;
        }
        if (std::memcmp(h, "data", 4) == 0) {
            // RF64 and unfinished files leave the size open (0xFFFFFFFF, or too large).
            const bool open = rf64 || size == 0 || size == 0xFFFF'FFFF;
            return WaveChunks{ByteRange{at + 8, std::min(fileSize, at + 8 + size)}, formatTag,
                              open ? 0 : at + 8 + size, bytesPerSecond};
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

// What a file's container declares of its audio against what the file holds: the text
// that names a file cut short (or ending inside an audio frame), nullopt when it is whole or
// can't be told.
using CutCheck = std::optional<std::string>;

std::string cutText(std::int64_t declaredMs, std::int64_t presentMs) {
    return std::string(kCutShort) + ": nagłówek podaje " + std::to_string(declaredMs) +
           " ms, w pliku " + std::to_string(presentMs) + " ms";
}

std::uint32_t bigEndian32(const unsigned char* bytes) {
    return std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 |
           std::uint32_t{bytes[2]} << 8 | std::uint32_t{bytes[3]};
}

// Bytes `[at, at + size)` of the file, or an empty vector when it can't give them all.
std::vector<unsigned char> bytesAt(int fd, off_t at, std::size_t size) {
    std::vector<unsigned char> bytes(size);
    if (size == 0 || ::pread(fd, bytes.data(), size, at) != static_cast<ssize_t>(size)) {
        bytes.clear();
    }
    return bytes;
}

CutCheck waveCut(const WaveChunks& wave, off_t fileSize) {
    if (wave.declaredEnd <= fileSize || wave.bytesPerSecond == 0) {
        return std::nullopt;
    }
    return cutText(framesToMs(wave.declaredEnd - wave.data.begin, wave.bytesPerSecond),
                   framesToMs(fileSize - wave.data.begin, wave.bytesPerSecond));
}

// The frame count an MPEG file's first frame declares in a Xing/Info or VBRI header, or -1.
std::int64_t declaredMpegFrames(const std::vector<unsigned char>& frame) {
    if (frame.size() < 4) {
        return -1;  // the file ends inside it
    }
    const unsigned char* h = frame.data();
    const bool mpeg1 = ((h[1] >> 3) & 3) == 3;
    const bool mono = (h[3] >> 6) == 3;
    const std::size_t xing = 4 + (mpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17));
    if (xing + 12 <= frame.size() &&
        (std::memcmp(&h[xing], "Xing", 4) == 0 || std::memcmp(&h[xing], "Info", 4) == 0)) {
        return (bigEndian32(&h[xing + 4]) & 1) != 0 ? bigEndian32(&h[xing + 8]) : -1;
    }
    constexpr std::size_t kVbri = 4 + 32;
    if (kVbri + 18 <= frame.size() && std::memcmp(&h[kVbri], "VBRI", 4) == 0) {
        return bigEndian32(&h[kVbri + 14]);
    }
    return -1;
}

int mpegSamplesPerFrame(const unsigned char* h) {
    const int layer = 4 - ((h[1] >> 1) & 3);
    const bool mpeg1 = ((h[1] >> 3) & 3) == 3;
    return layer == 1 ? 384 : (layer == 3 && !mpeg1 ? 576 : 1'152);
}

long mpegRate(const unsigned char* h) {
    static const long kRates[3] = {44'100, 48'000, 32'000};
    const int version = (h[1] >> 3) & 3;
    return kRates[(h[2] >> 2) & 3] >> (version == 3 ? 0 : (version == 2 ? 1 : 2));
}

// Walks the MPEG frames of `range` from one to the next (past junk between them, as decoders
// resync): a frame whose header runs past the end is a file cut inside it, and fewer frames
// than the first frame's Xing/VBRI header declares a file cut short.
CutCheck mpegCut(int fd, ByteRange range, const DecodeBudget& budget) {
    std::vector<unsigned char> buffer;
    off_t bufferAt = 0;
    // The 4 header bytes at `at` (within the buffer, refilled as the walk moves on).
    const auto header = [&](off_t at) -> const unsigned char* {
        if (at < bufferAt || at + 4 > bufferAt + static_cast<off_t>(buffer.size())) {
            bufferAt = at;
            buffer = bytesAt(fd, at,
                             static_cast<std::size_t>(
                                 std::min<off_t>(range.end - at, static_cast<off_t>(kReadBuffer))));
            if (buffer.size() < 4) {
                return nullptr;
            }
        }
        return &buffer[static_cast<std::size_t>(at - bufferAt)];
    };
    const unsigned char* first = header(range.begin);
    if (first == nullptr || !isMpegFrameHeader(first) || mpegFrameBytes(first) == 0) {
        return std::nullopt;
    }
    const unsigned char stream[2] = {static_cast<unsigned char>(first[1] & 0xFE),
                                     static_cast<unsigned char>(first[2] & 0x0C)};
    const int samplesPerFrame = mpegSamplesPerFrame(first);
    const long rate = mpegRate(first);
    const std::int64_t declared =
        declaredMpegFrames(bytesAt(fd, range.begin, mpegFrameBytes(first)));
    std::int64_t frames = 0;
    bool endsInsideFrame = false;
    off_t at = range.begin;
    while (at + 4 <= range.end && !endsInsideFrame) {
        if (frames % 4'096 == 0 && budget.spent()) {
            return std::nullopt;
        }
        const unsigned char* h = header(at);
        const std::size_t size = h != nullptr && isMpegFrameHeader(h) ? mpegFrameBytes(h) : 0;
        if (size == 0 || (h[1] & 0xFE) != stream[0] || (h[2] & 0x0C) != stream[1]) {
            // Junk, or a tag after the audio: the walk goes on where frames run again.
            const auto run = findMpegFrameRun(fd, ByteRange{at + 1, range.end});
            if (!run) {
                break;
            }
            at = run->begin;
            continue;
        }
        endsInsideFrame = at + static_cast<off_t>(size) > range.end;
        frames += endsInsideFrame ? 0 : 1;
        at += static_cast<off_t>(size);
    }
    // The header's own frame carries no audio; encoders differ on counting it.
    const std::int64_t audioFrames = declared >= 0 ? frames - 1 : frames;
    if (declared < 0 || declared <= audioFrames + 1) {
        return endsInsideFrame ? CutCheck(std::string(kCutShort) + " w środku ramki dźwięku")
                               : std::nullopt;
    }
    return cutText(framesToMs(declared * samplesPerFrame, rate),
                   framesToMs(audioFrames * samplesPerFrame, rate));
}

std::uint8_t flacCrc8(const unsigned char* bytes, std::size_t size) {
    std::uint8_t crc = 0;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = static_cast<std::uint8_t>((crc & 0x80) != 0 ? (crc << 1) ^ 0x07 : crc << 1);
        }
    }
    return crc;
}

std::uint16_t flacCrc16(const unsigned char* bytes, std::size_t size) {
    std::uint16_t crc = 0;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= static_cast<std::uint16_t>(bytes[i] << 8);
        for (int bit = 0; bit < 8; ++bit) {
            crc = static_cast<std::uint16_t>((crc & 0x8000) != 0 ? (crc << 1) ^ 0x8005 : crc << 1);
        }
    }
    return crc;
}

// A FLAC frame's header at `h` (with `size` bytes after it): the first sample and the block
// size; nullopt when it is no valid header (its CRC-8 checked).
std::optional<std::pair<std::int64_t, std::int64_t>> flacFrameHeader(const unsigned char* h,
                                                                     std::size_t size,
                                                                     std::int64_t fixedBlock) {
    if (size < 6 || h[0] != 0xFF || (h[1] & 0xFE) != 0xF8 || (h[2] >> 4) == 0 ||
        (h[2] & 0x0F) == 15 || (h[3] >> 4) >= 11 || (h[3] & 1) != 0) {
        return std::nullopt;
    }
    // The frame or sample number, coded as UTF-8 codes its characters (up to 36 bits).
    std::size_t at = 4;
    int more = 0;
    std::int64_t number = 0;
    if (h[at] < 0x80) {
        number = h[at];
    } else {
        for (more = 1; more < 7 && (h[at] & (0x80 >> (more + 1))) != 0; ++more) {
        }
        if (more < 1 || more > 6 || (h[at] & 0x40) == 0) {
            return std::nullopt;
        }
        number = h[at] & (0x3F >> more);
    }
    for (int i = 0; i < more; ++i) {
        if (++at >= size || (h[at] & 0xC0) != 0x80) {
            return std::nullopt;
        }
        number = number << 6 | (h[at] & 0x3F);
    }
    ++at;
    const int blockCode = h[2] >> 4;
    const int rateCode = h[2] & 0x0F;
    std::int64_t block = 0;
    if (blockCode == 1) {
        block = 192;
    } else if (blockCode <= 5) {
        block = std::int64_t{576} << (blockCode - 2);
    } else if (blockCode == 6 || blockCode == 7) {
        const std::size_t extra = blockCode == 6 ? 1 : 2;
        if (at + extra > size) {
            return std::nullopt;
        }
        block = (extra == 1 ? h[at] : (h[at] << 8 | h[at + 1])) + 1;
        at += extra;
    } else {
        block = std::int64_t{256} << (blockCode - 8);
    }
    at += rateCode == 12 ? 1 : (rateCode == 13 || rateCode == 14 ? 2 : 0);
    if (at >= size || flacCrc8(h, at) != h[at]) {
        return std::nullopt;
    }
    const bool variable = (h[1] & 1) != 0;
    return std::pair{variable ? number : number * fixedBlock, block};
}

// A native FLAC file's last frame against the total its STREAMINFO declares: found by
// searching back from the end, whole when its CRC-16 ends the file.
CutCheck flacCut(int fd, off_t audio, off_t fileSize) {
    const std::vector<unsigned char> head = bytesAt(fd, audio, 8 + 18);
    if (head.empty() || std::memcmp(head.data(), "fLaC", 4) != 0 || (head[4] & 0x7F) != 0) {
        return std::nullopt;
    }
    const unsigned char* info = &head[8];
    const std::int64_t fixedBlock = info[2] << 8 | info[3];
    const std::int64_t rate = std::int64_t{info[10]} << 12 | info[11] << 4 | info[12] >> 4;
    const std::int64_t total = std::int64_t{info[13] & 0x0F} << 32 | bigEndian32(&info[14]);
    if (total == 0 || rate == 0) {
        return std::nullopt;
    }
    // An ID3v1 tag may follow the audio.
    off_t end = fileSize;
    if (const auto tag = bytesAt(fd, fileSize - 128, 3);
        fileSize - 128 > audio && !tag.empty() && std::memcmp(tag.data(), "TAG", 3) == 0) {
        end -= 128;
    }
    constexpr off_t kTail = off_t{1} << 20;  // far more than a frame of any usual encoder
    const off_t from = std::max(audio + 8 + 34, end - kTail);
    const std::vector<unsigned char> tail =
        bytesAt(fd, from, static_cast<std::size_t>(std::max<off_t>(end - from, 0)));
    std::optional<std::int64_t> partial;  // where the last frame cut short starts
    // The last frame's header is among the last few that look like one (a chance match of
    // sync code and CRC-8 inside audio is rare); past them a whole file isn't found.
    constexpr int kHeadersTried = 8;
    int tried = 0;
    for (std::size_t at = tail.size() < 2 ? 0 : tail.size() - 2;
         at-- > 0 && tried < kHeadersTried;) {
        const auto frame = flacFrameHeader(&tail[at], tail.size() - at, fixedBlock);
        if (!frame || frame->first + frame->second > total) {
            continue;
        }
        ++tried;
        const std::size_t size = tail.size() - at;
        if (flacCrc16(&tail[at], size - 2) == (tail[tail.size() - 2] << 8 | tail.back())) {
            const std::int64_t present = frame->first + frame->second;
            return present < total
                       ? CutCheck(cutText(framesToMs(total, rate), framesToMs(present, rate)))
                       : std::nullopt;
        }
        if (!partial) {
            partial = frame->first;
        }
    }
    return partial ? CutCheck(cutText(framesToMs(total, rate), framesToMs(*partial, rate)))
                   : std::nullopt;
}

std::uint32_t oggCrc(const unsigned char* bytes, std::size_t size) {
    std::uint32_t crc = 0;
    for (std::size_t i = 0; i < size; ++i) {
        // The checksum's own field counts as zeros.
        crc ^= (i >= 22 && i < 26 ? 0U : std::uint32_t{bytes[i]}) << 24;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 0x8000'0000) != 0 ? (crc << 1) ^ 0x04C1'1DB7 : crc << 1;
        }
    }
    return crc;
}

// An Ogg file's last page: whole (its checksum right) and marked as the stream's end.
CutCheck oggCut(int fd, off_t fileSize) {
    constexpr off_t kLargestPage = 27 + 255 + 255 * 255;
    const off_t from = std::max<off_t>(0, fileSize - 2 * kLargestPage);
    const std::vector<unsigned char> tail =
        bytesAt(fd, from, static_cast<std::size_t>(fileSize - from));
    for (std::size_t at = tail.size() < 27 ? 0 : tail.size() - 27 + 1; at-- > 0;) {
        const unsigned char* page = &tail[at];
        if (std::memcmp(page, "OggS", 4) != 0 || page[4] != 0) {
            continue;
        }
        std::size_t size = 27 + std::size_t{page[26]};
        if (at + size > tail.size()) {
            return std::string(kCutShort) + ": strumień Ogg bez ostatniej strony";
        }
        for (std::size_t segment = 0; segment < page[26]; ++segment) {
            size += page[27 + segment];
        }
        if (at + size > tail.size()) {
            return std::string(kCutShort) + ": strumień Ogg bez ostatniej strony";
        }
        if (oggCrc(page, size) != littleEndian32(page + 22)) {
            continue;  // "OggS" within a packet
        }
        return (page[5] & 0x04) != 0
                   ? std::nullopt
                   : CutCheck(std::string(kCutShort) + ": strumień Ogg bez ostatniej strony");
    }
    return std::nullopt;
}

// Whether the file ends before the audio its container declares: a Xing/Info/VBRI frame
// count, a WAV data chunk's size, FLAC's total samples, an Ogg stream's last page.
CutCheck cutShort(int fd, off_t fileSize, const DecodeBudget& budget) {
    const auto audio = skipId3v2Tags(fd, fileSize);
    if (!audio) {
        return std::nullopt;
    }
    if (startsWithMpegFrame(fd, *audio)) {
        return mpegCut(fd, ByteRange{*audio, fileSize}, budget);
    }
    if (const auto wave = waveChunks(fd, fileSize)) {
        return waveCut(*wave, fileSize);
    }
    const std::vector<unsigned char> magic = bytesAt(fd, *audio, 4);
    if (magic.empty()) {
        return std::nullopt;
    }
    if (std::memcmp(magic.data(), "fLaC", 4) == 0) {
        return flacCut(fd, *audio, fileSize);
    }
    return std::memcmp(magic.data(), "OggS", 4) == 0 ? oggCut(fd, fileSize) : std::nullopt;
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
    SpotMeasure measure = judged(readLength(fd, fileSize, budget));
    // The length is what plays, but not what was delivered; and a file that gave no audio
    // at all because it was cut short is named for the cut.
    if (measure.problem.empty() || measure.problem == kNoAudio || measure.problem == kUnreadable) {
        if (auto cut = cutShort(fd, fileSize, budget)) {
            measure.problem = std::move(*cut);
        }
    }
    return measure;
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
    if (problem.starts_with(kCutShort)) {
        return SpotProblem::Cut;
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

#include "platform/audio_length.h"

#include <sys/stat.h>

#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

#include "platform/encoding.h"
#include "platform/flac_frames.h"
#include "platform/mpg123_reading.h"
#include "platform/ogg_pages.h"
#include "platform/sndfile_reading.h"
#include "platform/spot_file.h"
#include "platform/spot_reading.h"

#ifndef KALMERO_MPG123_VERSION
#define KALMERO_MPG123_VERSION "(unknown version)"
#endif

namespace kalmero {

namespace audio {

namespace {

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

}  // namespace

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

}  // namespace audio

namespace {

using namespace audio;

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

}  // namespace kalmero

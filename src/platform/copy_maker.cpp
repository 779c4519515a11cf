#include "platform/copy_maker.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>

#include "platform/encoding.h"

namespace kalmero {

namespace {

// The most a copy short of its targets is lowered further: more tells of a fault, not of an
// encoder's overshoot.
constexpr double kMostFurtherDb = 3.0;

int tenths(double gainDb) { return static_cast<int>(std::lround(gainDb * 10)); }

// The file at `path` (UTF-8) itself, a link not followed.
std::optional<FileIdentity> identityAt(const std::string& pathCp1250) {
    struct stat info {};
    if (::lstat(cp1250ToUtf8(pathCp1250).c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    return identityOf(pathCp1250, info);
}

// The copy recorded at `targetCp1250` when it is still as we left it, made from `source` as it
// is now; a record may lead to the copy made in its place, further lowered.
std::optional<MeasureCache::CopyRecord> standingCopy(MeasureCache& cache,
                                                     const std::string& targetCp1250,
                                                     const FileIdentity& source) {
    std::optional<MeasureCache::CopyRecord> record = cache.findCopy(targetCp1250);
    if (record && record->copy.path != targetCp1250) {
        record = cache.findCopy(record->copy.path);
    }
    if (!record || record->source != source || identityAt(record->copy.path) != record->copy) {
        return std::nullopt;
    }
    return record;
}

CopyMade makeOne(const std::string& source, const std::optional<FileIdentity>& sourceId,
                 double gainDb, const std::string& target, MeasureCache* cache,
                 const LoudnessSettings& settings) {
    const std::string targetCp1250 = pathToCp1250(target);
    CopyMade made;
    made.gainDb = gainDb;
    made.target = target;
    const std::optional<MeasureCache::CopyRecord> record =
        cache != nullptr && sourceId ? standingCopy(*cache, targetCp1250, *sourceId) : std::nullopt;
    if (record && (record->copy.path != targetCp1250 || record->gainTenths == tenths(gainDb))) {
        made.reused = true;
        made.gainDb = record->gainTenths / 10.0;
        made.target = cp1250ToUtf8(record->copy.path);
        made.identity = record->copy;
        made.loudness = cache->find(record->copy);
        if (made.loudness) {
            return made;
        }
    } else {
        // Only a copy still exactly as we left it may be replaced.
        std::optional<FileIdentity> ours;
        if (const auto earlier = cache != nullptr ? cache->findCopy(targetCp1250) : std::nullopt;
            earlier && earlier->copy.path == targetCp1250 &&
            identityAt(targetCp1250) == earlier->copy) {
            ours = earlier->copy;
        }
        made.written = writeCorrectedCopy(source, gainDb, target, ours);
        if (made.written.failure != CopyFailure::None) {
            return made;
        }
    }
    MeasuredSpot measured = measureLoudness(pathToCp1250(made.target), settings);
    made.loudness = std::move(measured.loudness);
    made.identity = measured.identity;
    if (cache != nullptr && measured.identity && sourceId) {
        if (measured.lasting) {
            cache->store(*measured.identity, *made.loudness);
        }
        cache->storeCopy(measured.identity->path,
                         {*sourceId, tenths(made.gainDb), *measured.identity});
    }
    return made;
}

}  // namespace

CopyMade makeCorrectedCopy(const CopyRequest& request, MeasureCache* cache,
                           const LoudnessSettings& settings) {
    const std::optional<FileIdentity> source = identifyFile(pathToCp1250(request.source));
    const std::string first = request.targetFor(request.gainDb);
    CopyMade made = makeOne(request.source, source, request.gainDb, first, cache, settings);
    if (made.written.failure != CopyFailure::None || !made.loudness || made.reused) {
        return made;
    }
    const double further = request.shortOf(*made.loudness);
    if (further <= 0 || further > kMostFurtherDb) {
        return made;
    }
    const double gainDb = std::round((request.gainDb + further) * 10) / 10;
    CopyMade lower =
        makeOne(request.source, source, gainDb, request.targetFor(gainDb), cache, settings);
    if (lower.written.failure != CopyFailure::None || !lower.loudness) {
        return made;
    }
    // The first copy goes; its name leads the next run to the one made in its place.
    if (made.identity && identityAt(made.identity->path) == made.identity) {
        ::unlink(first.c_str());
    }
    if (cache != nullptr && source && lower.identity) {
        cache->storeCopy(pathToCp1250(first), {*source, tenths(request.gainDb), *lower.identity});
    }
    return lower;
}

}  // namespace kalmero

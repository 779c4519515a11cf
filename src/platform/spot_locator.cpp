#include "platform/spot_locator.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <optional>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/encoding.h"

namespace kalmero {

namespace {

// A name's bytes for matching without regard to letter case, or nullopt when the name has
// characters no path line could hold (it can then only match exactly).
std::optional<std::string> foldedName(std::string_view utf8) {
    auto bytes = utf8ToCp1250(utf8);
    if (bytes) {
        std::transform(bytes->begin(), bytes->end(), bytes->begin(), lowerCp1250);
    }
    return bytes;
}

std::string inFolder(const std::string& folder, std::string_view name) {
    std::string path = folder;
    if (path.empty() || path.back() != '/') {
        path += '/';
    }
    path += name;
    return path;
}

}  // namespace

bool knownMissing(int statError) { return statError == ENOENT || statError == ENOTDIR; }

struct SpotLocator::Listing {
    std::once_flag read;
    // Folded name -> the names as on disk (UTF-8) that fold to it.
    std::multimap<std::string, std::string> names;
};

SpotLocator::SpotLocator(PathMap map, std::string listFolderUtf8, DiskAsked* asked)
    : m_map(std::move(map)),
      m_listFolder(listFolderUtf8.empty() ? "." : std::move(listFolderUtf8)),
      m_asked(asked) {}

SpotLocator::Presence SpotLocator::presence(const std::string& path) const {
    {
        const std::lock_guard lock(m_mutex);
        if (const auto known = m_presence.find(path); known != m_presence.end()) {
            return known->second;
        }
        // Nothing is below a name that isn't there (ENOENT) or is no folder (ENOTDIR).
        for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
             slash = path.find('/', slash + 1)) {
            const auto folder = m_presence.find(std::string_view(path).substr(0, slash));
            if (folder != m_presence.end() && folder->second == Presence::Missing) {
                return Presence::Missing;
            }
        }
    }
    // Asked outside the lock, so that a slow share holds up only the spots in it.
    if (m_asked != nullptr) {
        ++m_asked->lookups;
    }
    struct stat info {};
    Presence found = Presence::There;
    if (::stat(path.c_str(), &info) != 0) {
        found = knownMissing(errno) ? Presence::Missing : Presence::Unknown;
    }
    const std::lock_guard lock(m_mutex);
    m_presence.emplace(path, found);
    return found;
}

std::shared_ptr<const SpotLocator::Listing> SpotLocator::listing(const std::string& folder) const {
    std::shared_ptr<Listing> entry;
    {
        const std::lock_guard lock(m_mutex);
        auto& slot = m_listings[folder];
        if (!slot) {
            slot = std::make_shared<Listing>();
        }
        entry = slot;
    }
    // Read outside the map's lock, so that a slow share holds up only the spots in it.
    std::call_once(entry->read, [&] {
        if (m_asked != nullptr) {
            ++m_asked->foldersListed;
        }
        std::error_code error;
        for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
             it.increment(error)) {
            std::string name = it->path().filename().string();
            if (auto folded = foldedName(name)) {
                entry->names.emplace(std::move(*folded), std::move(name));
            }
        }
    });
    return entry;
}

SpotLocation SpotLocator::matchLetterCase(const std::string& path) const {
    std::string found = path.front() == '/' ? "/" : ".";
    std::size_t at = 0;
    while (at < path.size()) {
        const std::size_t slash = std::min(path.find('/', at), path.size());
        const std::string_view name(path.data() + at, slash - at);
        at = slash + 1;
        if (name.empty() || name == ".") {
            continue;
        }
        std::string exact = inFolder(found, name);
        if (name == ".." || presence(exact) == Presence::There) {
            found = std::move(exact);
            continue;
        }
        const auto folded = foldedName(name);
        if (!folded) {
            return SpotLocation{path, SpotProblem::NotFound, {}};
        }
        const auto [first, last] = listing(found)->names.equal_range(*folded);
        const auto count = std::distance(first, last);
        if (count == 0) {
            return SpotLocation{path, SpotProblem::NotFound, {}};
        }
        if (count > 1) {
            std::vector<std::string> variants;
            for (auto it = first; it != last; ++it) {
                variants.push_back(it->second);
            }
            std::sort(variants.begin(), variants.end());
            std::string names;
            for (const std::string& variant : variants) {
                names += variant == variants.front() ? "" : ", ";
                names += variant;
            }
            return SpotLocation{path, SpotProblem::CaseVariants, std::move(names)};
        }
        found = inFolder(found, first->second);
    }
    return SpotLocation{found, SpotProblem::None, {}};
}

SpotLocation SpotLocator::locate(std::string_view pathLineCp1250) const {
    const PathResolution resolution = m_map.resolve(pathLineCp1250);
    std::string local;
    switch (resolution.kind) {
        case PathResolution::Kind::Empty:
            return SpotLocation{};
        case PathResolution::Kind::Unmapped:
            return SpotLocation{{}, SpotProblem::NoMap, cp1250ToUtf8(resolution.root)};
        case PathResolution::Kind::Relative:
            local = inFolder(m_listFolder, cp1250ToUtf8(resolution.path));
            break;
        case PathResolution::Kind::Mapped:
        case PathResolution::Kind::Absolute:
            local = cp1250ToUtf8(resolution.path);
            break;
    }
    // A NUL would make the disk see a shorter path; the measurer refuses it.
    if (local.find('\0') != std::string::npos || presence(local) != Presence::Missing) {
        return SpotLocation{std::move(local), SpotProblem::None, {}};
    }
    return matchLetterCase(local);
}

SpotMeasurer newMappedLoadMeasurer(PathMap map, std::string listFolderUtf8,
                                   const MeasureSettings& settings, DiskAsked* asked) {
    auto locator =
        std::make_shared<const SpotLocator>(std::move(map), std::move(listFolderUtf8), asked);
    auto measure = newLocalLoadMeasurer(settings);
    return [locator, measure](std::string_view pathCp1250) {
        SpotLocation where = locator->locate(pathCp1250);
        if (where.problem != SpotProblem::None) {
            return SpotMeasure{0, where.issue(), std::move(where.localPath)};
        }
        SpotMeasure measured = measure(where.localPath);
        if (measured.ms == 0 && !measured.issue.any()) {
            measured = SpotMeasure{0, SpotIssue{SpotProblem::ZeroLength}, measured.localPath};
        }
        return measured;
    };
}

}  // namespace kalmero

#include "platform/corrected_copy.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "model/file_error.h"
#include "platform/copy_codecs.h"
#include "platform/descriptor.h"
#include "platform/file_io.h"

namespace kalmero {

namespace {

// The original for reading only; without touching its access time where we own it (the
// kernel allows O_NOATIME to the owner alone).
int openOriginal(const std::string& path) {
    constexpr int kFlags = O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    int fd = ::open(path.c_str(), kFlags | O_NOATIME);
    if (fd < 0 && errno == EPERM) {
        fd = ::open(path.c_str(), kFlags);
    }
    return fd;
}

bool sameFile(const struct stat& now, const FileIdentity& known) {
    const FileIdentity current = identityOf(known.path, now);
    return S_ISREG(now.st_mode) && current == known;
}

enum class Container { Wave, Mpeg, Other };

Container containerOf(int fd) {
    std::array<char, 12> head{};
    if (::pread(fd, head.data(), head.size(), 0) != static_cast<ssize_t>(head.size())) {
        return Container::Other;
    }
    const std::string_view magic(head.data(), 4);
    if ((magic == "RIFF" || magic == "RF64" || magic == "BW64") &&
        std::string_view(head.data() + 8, 4) == "WAVE") {
        return Container::Wave;
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(head.data());
    if (magic.substr(0, 3) == "ID3" || (bytes[0] == 0xFF && (bytes[1] & 0xE0) == 0xE0)) {
        return Container::Mpeg;
    }
    return Container::Other;
}

// What stands at the copy's name, when it is not ours to replace.
std::optional<CopyWritten> nameTaken(const std::string& target,
                                     const std::optional<FileIdentity>& ours) {
    struct stat existing {};
    if (::lstat(target.c_str(), &existing) != 0) {
        if (errno == ENOENT) {
            return std::nullopt;
        }
        return CopyWritten{CopyFailure::Writing, systemReason(errno)};
    }
    if (ours && sameFile(existing, *ours)) {
        return std::nullopt;
    }
    return CopyWritten{CopyFailure::NameTaken, S_ISLNK(existing.st_mode)
                                                   ? "pod nazwą kopii jest dowiązanie"
                                                   : "pod nazwą kopii jest już inny plik"};
}

}  // namespace

CopyWritten writeCorrectedCopy(const std::string& source, double gainDb, const std::string& target,
                               const std::optional<FileIdentity>& ours) {
    const Descriptor original(openOriginal(source));
    if (original.get() < 0) {
        return {CopyFailure::SourceUnreadable, systemReason(errno)};
    }
    struct stat info {};
    if (::fstat(original.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return {CopyFailure::SourceUnreadable, "to nie jest zwykły plik"};
    }
    if (auto taken = nameTaken(target, ours)) {
        return *taken;
    }
    const double factor = std::pow(10.0, -std::max(0.0, gainDb) / 20);
    try {
        AtomicFileWriter out(target, WriteFailureText::CannotCreate, InPlace::Refused);
        CopyWritten written;
        switch (containerOf(original.get())) {
            case Container::Wave:
                written = copyWave(original.get(), info, factor, out);
                break;
            case Container::Mpeg:
                written = copyMpeg(original.get(), info, factor, out);
                break;
            case Container::Other:
                written = copyThroughSndfile(original.get(), info, factor, out);
                break;
        }
        if (written.failure != CopyFailure::None) {
            return written;
        }
        out.prepare();
        // Someone may have put a file at the name while we encoded: it is theirs.
        if (auto taken = nameTaken(target, ours)) {
            return *taken;
        }
        out.commit();
        return {};
    } catch (const FileError& error) {
        return {CopyFailure::Writing, error.what()};
    }
}

}  // namespace kalmero

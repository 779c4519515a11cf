#include "platform/mpg123_reading.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <mutex>

namespace kalmero::audio {

namespace {

mpg123_ssize_t readView(void* handle, void* buffer, size_t size) {
    return static_cast<BufferedView*>(handle)->read(buffer, size);
}

off_t seekView(void* handle, off_t offset, int whence) {
    return static_cast<BufferedView*>(handle)->seek(offset, whence);
}

}  // namespace

bool mpg123Ready() {
    static std::once_flag once;
    static bool ready = false;
    std::call_once(once, [] { ready = ::mpg123_init() == MPG123_OK; });
    return ready;
}

bool openView(mpg123_handle* mh, BufferedView& view) {
    ::mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
    return ::mpg123_replace_reader_handle(mh, readView, seekView, nullptr) == MPG123_OK &&
           ::mpg123_open_handle(mh, &view) == MPG123_OK;
}

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

}  // namespace kalmero::audio

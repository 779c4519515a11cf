// A picture module as another build of the program would have left it: its stamp (or none at
// all, as before modules had one) differs from the program's, and its drawing entry must never
// be called.
#include <cstddef>
#include <cstdlib>

#ifdef KALMERO_STAMP
extern "C" __attribute__((visibility("default"))) const char* kalmeroPictureAbi() {
    return KALMERO_STAMP;
}
#endif

extern "C" __attribute__((visibility("default"))) int kalmeroRenderDayPicture(
    int, const void*, const void*, const void*, const void*, const void*, void*, char*,
    std::size_t) {
    std::abort();
}

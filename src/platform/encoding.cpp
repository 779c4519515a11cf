#include "platform/encoding.h"

#include <iconv.h>

#include <cerrno>

namespace kalmero {

namespace {

class Converter {
public:
    Converter(const char* to, const char* from) : m_cd(::iconv_open(to, from)) {}
    ~Converter() {
        if (m_cd != reinterpret_cast<iconv_t>(-1)) {
            ::iconv_close(m_cd);
        }
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts all of `in`; on an invalid or unconvertible sequence calls `onBad` with the
    // output so far and skips one input byte if it returns true, else gives up.
    template <typename OnBad>
    std::optional<std::string> run(std::string_view in, OnBad onBad) {
        if (m_cd == reinterpret_cast<iconv_t>(-1)) {
            return std::nullopt;
        }
        std::string out;
        out.reserve(in.size() * 2 + 8);
        char* src = const_cast<char*>(in.data());
        std::size_t srcLeft = in.size();
        char buffer[4096];
        while (srcLeft > 0) {
            char* dst = buffer;
            std::size_t dstLeft = sizeof buffer;
            const std::size_t rc = ::iconv(m_cd, &src, &srcLeft, &dst, &dstLeft);
            out.append(buffer, static_cast<std::size_t>(dst - buffer));
            if (rc == static_cast<std::size_t>(-1)) {
                if (errno == E2BIG) {
                    continue;
                }
                if (!onBad(out)) {
                    return std::nullopt;
                }
                ++src;
                --srcLeft;
                ::iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
            }
        }
        return out;
    }

private:
    iconv_t m_cd;
};

}  // namespace

std::string cp1250ToUtf8(std::string_view bytes) {
    Converter converter("UTF-8", "CP1250");
    auto result = converter.run(bytes, [](std::string& out) {
        out += "\xEF\xBF\xBD";
        return true;
    });
    return result.value_or(std::string(bytes));
}

std::optional<std::string> utf8ToCp1250(std::string_view text) {
    Converter converter("CP1250", "UTF-8");
    return converter.run(text, [](std::string&) { return false; });
}

std::string pathToCp1250(std::string_view path) {
    auto converted = utf8ToCp1250(path);
    return converted ? *converted : std::string(path);
}

}  // namespace kalmero

#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kalmero::test {

inline void writeBytes(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
}

inline std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Who must reach a test's folder: this account, or every account (a test that switches to
// another one; a clone in root's home, 0700, is out of their reach).
enum class Reach { ThisAccount, EveryAccount };

// A fresh folder for one test (under $KALMERO_TEST_TMP when set, and when every account must
// reach it, every account may pass through it), removed with everything in it afterwards. Its
// path ends in "/".
class TempFolder {
public:
    explicit TempFolder(Reach reach = Reach::ThisAccount) {
        const char* base = std::getenv("KALMERO_TEST_TMP");
        std::string root = base != nullptr ? base : "/tmp";
        if (reach == Reach::EveryAccount && !passableByEveryAccount(root)) {
            root = "/tmp";
        }
        std::string pattern = root + "/kalmero-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("mkdtemp failed for " + pattern);
        }
        m_path = pattern + "/";
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return m_path; }
    std::string operator/(std::string_view name) const { return m_path + std::string(name); }

    // Writes `bytes` as the file `name` in the folder; its path.
    std::string write(std::string_view name, std::string_view bytes) const {
        const std::string file = *this / name;
        writeBytes(file, bytes);
        return file;
    }

    // Names of everything in the folder (or in `sub` of it), hidden files included.
    std::set<std::string> entries(std::string_view sub = {}) const {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(*this / sub)) {
            names.insert(entry.path().filename().string());
        }
        return names;
    }

private:
    static bool passableByEveryAccount(const std::filesystem::path& folder) {
        std::error_code error;
        std::filesystem::path walked = std::filesystem::absolute(folder, error);
        for (;; walked = walked.parent_path()) {
            struct stat info {};
            if (error || ::stat(walked.c_str(), &info) != 0 || (info.st_mode & S_IXOTH) == 0) {
                return false;
            }
            if (walked == walked.parent_path()) {
                return true;
            }
        }
    }

    std::string m_path;
};

}  // namespace kalmero::test

#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "compiler/kompilator.h"
#include "model/czas.h"

namespace kalmero::testing {

constexpr std::int64_t kHour = 3'600'000;
constexpr std::int64_t kMinute = 60'000;
constexpr std::int64_t kSecond = 1000;

// ms of a "HH:MM:SS.mmm" text.
inline std::int64_t at(const std::string& text) { return CzasStartInt("Emi=" + text); }

// A playlist item as the MIX reader makes it: Emi line and counts agreeing.
inline TPozycja item(const std::string& name, std::int64_t start, std::int64_t grania,
                     const std::string& typ = "Typ=SND") {
    TPozycja r;
    r.set(Pole::Emi, "Emi=" + CzasStartString(start));
    r.set(Pole::Typ, typ);
    r.set(Pole::Tyt, "Tyt=" + name);
    r.set(Pole::Wyk, "Wyk=Artist");
    r.set(Pole::Trw, "Trw=" + CzasTrwString(grania));
    r.set(Pole::NwK, "NwK=" + CzasTrwString(grania));
    r.set(Pole::Mix, "Mix=00:00.000");
    r.CzasStart = start;
    r.CzasNwK = grania;
    r.CzasMix = 0;
    r.CzasGrania = grania;
    return r;
}

// An advert spot as the LST reader makes it.
inline TPozycja spot(const std::string& name, std::int64_t block, std::int64_t length) {
    TPozycja r = item(name, block, length, "Typ=REK");
    r.clear(Pole::Wyk);
    return r;
}

// A folder of its own for one test, removed at the end.
class TempFolder {
  public:
    TempFolder() {
        const char* base = std::getenv("KALMERO_TEST_TMP");
        std::filesystem::path root =
            base != nullptr ? std::filesystem::path(base) : std::filesystem::temp_directory_path();
        std::string pattern = (root / "kalmero-compiler-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            ADD_FAILURE() << "mkdtemp failed in " << root;
        }
        m_path = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::string file(const std::string& name) const { return (m_path / name).string(); }

    std::string write(const std::string& name, const std::string& bytes) const {
        const std::string path = file(name);
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

  private:
    std::filesystem::path m_path;
};

// A matrix file whose line `weekday` is `line` and whose other lines are empty.
inline std::string matrixWith(const TempFolder& folder, int weekday, const std::string& line) {
    std::string text;
    for (int d = 0; d < 7; ++d) {
        text += (d == weekday ? line : std::string(17, '0')) + "\r\n";
    }
    return folder.write("matryca.dat", text);
}

// The matrix line with breaks at the given full hours (6 .. 22).
inline std::string hoursLine(std::initializer_list<int> hours) {
    std::string line(17, '0');
    for (const int h : hours) {
        line[static_cast<std::size_t>(h - 6)] = '1';
    }
    return line;
}

}  // namespace kalmero::testing

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "formats/mix_file.h"
#include "formats/test_support.h"
#include "model/czas.h"
#include "model/file_error.h"
#include "session/disk_files.h"

namespace kalmero {
namespace {

using namespace std::string_literals;
using test::TempFolder;

const std::string kSep = "; ----------------------------------\r\n";

TPozycja entry(std::initializer_list<std::pair<Field, std::string>> lines) {
    TPozycja r;
    for (const auto& [field, line] : lines) {
        r.set(field, line);
    }
    return r;
}

TEST(MixWriter, WritesTheFixedLayoutByteForByte) {
    TPozycja all;
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        const auto f = static_cast<Field>(i);
        all.set(f, std::string(key(f)) + "=v" + std::to_string(i));
    }
    struct GoldenCase {
        const char* name;
        Lista list;
        std::string bytes;
    };
    const GoldenCase cases[] = {
        {"no entries", {}, "WERSJA=2\r\nPOZYCJI=0\r\n"},
        {"Emi and Typ only give six lines",
         {entry({{Field::Emi, "Emi=12:00:00.000"}, {Field::Typ, "Typ=SND"}})},
         "WERSJA=2\r\nPOZYCJI=1\r\n" + kSep + "Emi=12:00:00.000\r\nTyp=SND\r\nKONIEC OPISU\r\n"},
        {"an absent Emi still gives its (empty) line",
         {entry({{Field::Typ, "Typ=BRK"}})},
         "WERSJA=2\r\nPOZYCJI=1\r\n" + kSep + "\r\nTyp=BRK\r\nKONIEC OPISU\r\n"},
        {"an empty entry",
         {TPozycja{}},
         "WERSJA=2\r\nPOZYCJI=1\r\n" + kSep + "\r\nKONIEC OPISU\r\n"},
        {"every field filled: 30 lines in the writer's own order",
         {all},
         "WERSJA=2\r\nPOZYCJI=1\r\n" + kSep +
             "Emi=v0\r\nTyp=v1\r\nTrw=v2\r\nInt=v3\r\nOut=v4\r\nNwP=v19\r\nNwK=v6\r\n"
             "FIn=v20\r\nFOu=v7\r\nFIT=v21\r\nFOT=v18\r\nMix=v5\r\nZak=v16\r\nIde=v8\r\n"
             "Tyt=v9\r\nPta=v10\r\nWyk=v11\r\nKom=v12\r\nAtr=v13\r\nPro=v22\r\nWyd=v14\r\n"
             "Rok=v15\r\nBPM=v23\r\nWzm=v24\r\nKac=v25\r\nKFI=v26\r\nKFO=v27\r\nAdr=v17\r\n"
             "KONIEC OPISU\r\n"},
        {"a line is written up to a NUL it carries, so the records after it stay readable",
         {entry({{Field::Adr, "Adr=C:\\a.mp3\0junk"s}}), entry({{Field::Typ, "Typ=SND"}})},
         "WERSJA=2\r\nPOZYCJI=2\r\n" + kSep + "\r\nAdr=C:\\a.mp3\r\nKONIEC OPISU\r\n" + kSep +
             "\r\nTyp=SND\r\nKONIEC OPISU\r\n"},
        {"lines are written as stored: key case, Windows-1250 bytes, odd content",
         {entry({{Field::Emi, "emi=06:00:00.000"},
                 {Field::Tyt,
                  "Tyt=Wiadomo\x9C"
                  "ci"},
                 {Field::Wyk, "Wyk"}}),
          entry({{Field::Mix, "Mix=00:00.000"}})},
         "WERSJA=2\r\nPOZYCJI=2\r\n" + kSep +
             "emi=06:00:00.000\r\nTyt=Wiadomo\x9C"
             "ci\r\n"
             "Wyk\r\nKONIEC OPISU\r\n" +
             kSep + "\r\nMix=00:00.000\r\nKONIEC OPISU\r\n"},
    };
    for (const GoldenCase& c : cases) {
        EXPECT_EQ(mixText(c.list), c.bytes) << c.name;
    }
}

TEST(MixWriter, ReportsStepsUpToTheEntryCount) {
    TempFolder folder;
    for (const std::size_t count : {std::size_t{5}, std::size_t{130}}) {
        const Lista list(count, entry({{Field::Typ, "Typ=SND"}}));
        test::expectSteps(
            [&](const LineSteps& steps) { zapiszNowyMix(folder / "out.mix", list, steps); }, count);
        EXPECT_EQ(test::readBytes(folder / "out.mix"), mixText(list));
    }
}

// Random entries as a MIX file could hold them: any subset of fields, values of any byte
// a line can carry (Windows-1250 letters included), the emission key in any letter case.
Lista randomEntries(std::mt19937& random, std::size_t count) {
    std::uniform_int_distribution<int> byte(1, 255);
    std::uniform_int_distribution<int> length(0, 260);
    std::bernoulli_distribution present(0.6);
    const char* emiKeys[] = {"Emi", "EMI", "emi"};
    Lista list(count);
    for (TPozycja& r : list) {
        for (std::size_t i = 0; i < kFieldCount; ++i) {
            const auto f = static_cast<Field>(i);
            if (!present(random)) {
                continue;
            }
            std::string line = f == Field::Emi ? emiKeys[random() % 3] : std::string(key(f));
            line += '=';
            for (int n = length(random); n > 0; --n) {
                const char c = static_cast<char>(byte(random));
                if (c != '\r' && c != '\n') {
                    line += c;
                }
            }
            r.set(f, line);
        }
        if (present(random)) {
            r.set(Field::Emi,
                  "Emi=" + CzasStartString(static_cast<std::int64_t>(random() % 90'000'000)));
        }
        if (present(random)) {
            r.set(Field::NwK,
                  "NwK=" + CzasTrwString(static_cast<std::int64_t>(random() % 600'000)));
        }
    }
    return list;
}

TEST(MixWriter, WhatItWritesReadsBackIntoTheSameEntries) {
    std::mt19937 random(20240601);
    TempFolder folder;
    const Lista written = randomEntries(random, 300);
    zapiszNowyMix(folder / "out.mix", written);
    const std::string firstBytes = test::readBytes(folder / "out.mix");

    const Lista back = otworzPlikMIX(firstBytes);
    ASSERT_EQ(back.size(), written.size());
    for (std::size_t i = 0; i < written.size(); ++i) {
        const TPozycja& w = written[i];
        const TPozycja& r = back[i];
        for (std::size_t f = 0; f < kFieldCount; ++f) {
            EXPECT_EQ(r.line(static_cast<Field>(f)), w.line(static_cast<Field>(f)))
                << "entry " << i << " field " << key(static_cast<Field>(f));
        }
        EXPECT_EQ(r.CzasStart, w.empty(Field::Emi) ? 0 : CzasStartInt(w.line(Field::Emi))) << i;
    }
    // Writing what was read gives the same bytes again.
    EXPECT_EQ(mixText(back), firstBytes);
}

class MixSave : public ::testing::Test {
protected:
    void expectFailure(const std::string& path, const std::string& reason) {
        const std::set<std::string> before = folder.entries();
        try {
            zapiszNowyMix(path, list);
            ADD_FAILURE() << "no error for " << path;
        } catch (const FileError& error) {
            EXPECT_EQ(std::string(error.what()),
                      "Nie można utworzyć pliku \"" + path + "\": " + reason);
        }
        // Nothing new in the folder: no temporary left behind.
        EXPECT_EQ(folder.entries(), before) << path;
    }

    TempFolder folder;
    Lista list{entry({{Field::Emi, "Emi=06:00:00.000"}, {Field::Typ, "Typ=SND"}})};
};

TEST_F(MixSave, WritesAndReplaces) {
    test::writeBytes(folder / "day.mix",
                     "old content that is longer than the new one........"
                     "..............................................");
    ::chmod((folder / "day.mix").c_str(), 0640);
    zapiszNowyMix(folder / "day.mix", list);
    EXPECT_EQ(test::readBytes(folder / "day.mix"), mixText(list));
    EXPECT_EQ(folder.entries(), std::set<std::string>{"day.mix"});
    struct stat info {};
    ASSERT_EQ(::stat((folder / "day.mix").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u) << "a replaced file keeps its permissions";
}

TEST_F(MixSave, WritesThroughASymbolicLink) {
    ::mkdir((folder / "real").c_str(), 0700);
    test::writeBytes(folder / "real/day.mix", "old");
    ASSERT_EQ(::symlink((folder / "real/day.mix").c_str(), (folder / "link.mix").c_str()), 0);
    zapiszNowyMix(folder / "link.mix", list);
    EXPECT_EQ(test::readBytes(folder / "real/day.mix"), mixText(list));
    struct stat info {};
    ASSERT_EQ(::lstat((folder / "link.mix").c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
}

TEST_F(MixSave, FailuresThatStopEvenRootLeaveNoTrace) {
    test::writeBytes(folder / "plain", "x");
    ::mkdir((folder / "taken.mix").c_str(), 0700);
    ::mkfifo((folder / "pipe.mix").c_str(), 0600);
    expectFailure(folder / "missing/out.mix", "nie ma takiego pliku ani katalogu");
    expectFailure(folder / "plain/out.mix", "część ścieżki nie jest katalogiem");
    expectFailure(folder / "taken.mix", "to jest katalog");
    expectFailure(folder / "pipe.mix", "to nie jest zwykły plik");
    struct stat info {};
    ASSERT_EQ(::stat((folder / "pipe.mix").c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode)) << "the FIFO was replaced";
}

// A file size limit makes the write itself fail part-way, for root too.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = ::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = m_old;
        limited.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        ::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_old{};
    sighandler_t m_oldHandler;
};

TEST_F(MixSave, AWriteThatFailsPartWayKeepsThePreviousFile) {
    test::writeBytes(folder / "day.mix", "previous playlist");
    {
        const FileSizeLimit limit(20);
        expectFailure(folder / "day.mix", "plik jest za duży");
    }
    EXPECT_EQ(test::readBytes(folder / "day.mix"), "previous playlist");
}

}  // namespace
}  // namespace kalmero

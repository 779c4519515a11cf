// The real batch command on outputs it can't write, inputs that are no files, settings out
// of range, and days with absurd times: a clear message and exit code, the previous result
// intact, no temporary left; or, where the input is merely odd, a sane result.
#include <sys/mount.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "formats/mix_file.h"
#include "hostile_support.h"
#include "model/lists.h"
#include "platform/output_lock.h"

namespace kalmero::test {
namespace {

class HostileBatch : public HostileTest {
protected:
    std::vector<std::string> day(const std::string& out, std::vector<std::string> more = {}) const {
        std::vector<std::string> args = {"--mix",          path("good.mix"), "--lst",
                                         path("good.lst"), "--out",          out};
        args.insert(args.end(), more.begin(), more.end());
        return args;
    }

    Lista readResult(const std::string& file) const { return otworzPlikMIX(readFile(file)); }
};

TEST_F(HostileBatch, AResultThatCantBeWrittenIsReportedAndLeavesNothingBehind) {
    fs::create_directory(path("taken.mix"));
    write("taken.mix/inside", "kept");
    struct Case {
        const char* what;
        std::string out;
        std::string says;
    };
    const Case cases[] = {
        {"the output folder is missing", path("gone/out.mix"),
         "Nie można utworzyć pliku \"" + path("gone/out.mix") +
             "\": nie ma takiego pliku ani katalogu"},
        {"the output is a folder", path("taken.mix"),
         "Nie można utworzyć pliku \"" + path("taken.mix") + "\": to jest katalog"},
        {"the output is a device", "/dev/full",
         "Nie można utworzyć pliku \"/dev/full\": to nie jest zwykły plik"},
    };
    const std::set<std::string> before = entries();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Outcome outcome = batch(day(c.out));
        EXPECT_EQ(outcome.signal, 0);
        EXPECT_EQ(outcome.exitCode, 1);
        EXPECT_NE(outcome.err.find(c.says), std::string::npos) << outcome.err;
        EXPECT_EQ(entries(), before);
    }
    EXPECT_EQ(readFile(path("taken.mix/inside")), "kept");
    struct stat info {};
    ASSERT_EQ(::stat("/dev/full", &info), 0);
    EXPECT_TRUE(S_ISCHR(info.st_mode));
}

// A small file system of its own, so that the disk really fills up mid-write.
class FullDisk : public HostileBatch {
protected:
    void SetUp() override {
        HostileBatch::SetUp();
        m_disk = path("disk");
        fs::create_directory(m_disk);
        if (::mount("tmpfs", m_disk.c_str(), "tmpfs", 0, "size=64k") != 0) {
            m_disk.clear();
            GTEST_SKIP() << "no small file system can be mounted here: " << std::strerror(errno);
        }
    }
    void TearDown() override {
        if (!m_disk.empty()) {
            ::umount2(m_disk.c_str(), MNT_DETACH);
        }
        HostileBatch::TearDown();
    }

    // A day whose result is far larger than the 64 KiB disk.
    std::string bigDay() const {
        std::vector<std::vector<std::string>> items;
        for (int i = 0; i < 1500; ++i) {
            items.push_back({"06:00:00.000", "Item " + std::to_string(i), "00:10.000", "Typ=SND"});
        }
        return write("big.mix", mixText(items));
    }

    std::string m_disk;
};

TEST_F(FullDisk, AFullDiskLeavesThePreviousResultIntact) {
    const std::string out = m_disk + "/out.mix";
    writeFile(out, "previous result");
    const Outcome outcome = batch({"--mix", bigDay(), "--out", out, "--mode", "2"});
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_NE(outcome.err.find("Nie można utworzyć pliku \"" + out + "\": brak miejsca na dysku"),
              std::string::npos)
        << outcome.err;
    EXPECT_EQ(readFile(out), "previous result");
    EXPECT_EQ(entries("disk"), std::set<std::string>{"out.mix"});
}

TEST_F(FullDisk, AReportThatCantBeWrittenStopsBeforeTheResult) {
    writeFile(path("out.mix"), "previous result");
    std::string lst;
    for (int i = 0; i < 2000; ++i) {
        lst += "06:00:00\r\n" + path("s30.wav") + "\r\n";
    }
    const Outcome outcome = batch({"--mix", bigDay(), "--lst", write("big.lst", lst), "--out",
                                   path("out.mix"), "--report", m_disk + "/report.csv"});
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_NE(outcome.err.find("brak miejsca na dysku"), std::string::npos) << outcome.err;
    EXPECT_EQ(readFile(path("out.mix")), "previous result");
    EXPECT_TRUE(entries("disk").empty());
}

TEST_F(HostileBatch, InputsThatAreNoFilesStopTheRunBeforeAnythingIsWritten) {
    fs::create_directory(path("folder"));
    ASSERT_EQ(::mkfifo(path("pipe").c_str(), 0600), 0);
    writeFile(path("out.mix"), "previous result");
    const std::string inputs[] = {path("folder"), path("pipe"), "/dev/zero", path("missing")};
    for (const std::string& input : inputs) {
        for (const std::string option : {"--mix", "--lst", "--matrix"}) {
            SCOPED_TRACE(option + " " + input);
            auto pick = [&](const char* which, const std::string& good) {
                return option == which ? input : good;
            };
            const Outcome outcome = runProgram(
                {KALMERO_BATCH, "--config", path("empty.ini"), "--mode", "0", "--matrix",
                 pick("--matrix", path("matryca.dat")), "--mix", pick("--mix", path("good.mix")),
                 "--lst", pick("--lst", path("good.lst")), "--out", path("out.mix")},
                m_folder.path());
            EXPECT_EQ(outcome.signal, 0);
            EXPECT_EQ(outcome.exitCode, 1);
            EXPECT_NE(outcome.err.find("Nie można otworzyć pliku \"" + input + "\""),
                      std::string::npos)
                << outcome.err;
            EXPECT_EQ(readFile(path("out.mix")), "previous result");
        }
    }
}

// The report and the picture are written by the result's rules: a link planted by another
// user in a shared folder refuses the run with every previous output kept, a replaced file
// keeps its owner and mode, and what a replacement could not keep is said.
TEST_F(HostileBatch, EveryOutputFollowsTheResultsRules) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to plant another user's link";
    }
    constexpr uid_t kNobody = 65534;
    enum class Planted { OthersLink, OthersFile, HardLink };
    struct Case {
        const char* option;
        const char* name;
        Planted planted;
    };
    const Case cases[] = {
        {"--picture", "d.png", Planted::OthersLink}, {"--report", "r.csv", Planted::OthersLink},
        {"--out", "out.mix", Planted::OthersLink},   {"--picture", "d.png", Planted::OthersFile},
        {"--report", "r.csv", Planted::OthersFile},  {"--picture", "d.png", Planted::HardLink},
        {"--report", "r.csv", Planted::HardLink},
    };
    // A night's service has no login session: Qt must not say so on every picture.
    ::unsetenv("XDG_RUNTIME_DIR");
    const std::string drop = path("drop");
    ASSERT_EQ(::mkdir(drop.c_str(), 01777), 0);
    ASSERT_EQ(::chmod(drop.c_str(), 01777), 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.option) + " " + std::to_string(static_cast<int>(c.planted)));
        const std::string output = drop + "/" + c.name;
        const std::string victim = path("victim");
        ::unlink(output.c_str());
        writeFile(victim, "someone's file");
        writeFile(path("out.mix"), "previous result");
        if (c.planted == Planted::OthersLink) {
            ASSERT_EQ(::symlink(victim.c_str(), output.c_str()), 0);
            ASSERT_EQ(::lchown(output.c_str(), kNobody, kNobody), 0);
        } else {
            writeFile(output, "previous output");
            ASSERT_EQ(::chown(output.c_str(), kNobody, kNobody), 0);
            ASSERT_EQ(::chmod(output.c_str(), 0640), 0);
            if (c.planted == Planted::HardLink) {
                ASSERT_EQ(::link(output.c_str(), path("other name").c_str()), 0);
            }
        }
        const std::string out = std::string(c.option) == "--out" ? output : path("out.mix");
        std::vector<std::string> more = {"--mode", "0"};
        if (std::string(c.option) != "--out") {
            more.insert(more.end(), {c.option, output});
        }
        const Outcome outcome = batch(day(out, more));
        EXPECT_EQ(readFile(victim), "someone's file");
        EXPECT_EQ(outcome.err.find("XDG_RUNTIME_DIR"), std::string::npos) << outcome.err;
        if (c.planted == Planted::OthersLink) {
            EXPECT_EQ(outcome.exitCode, 1);
            EXPECT_NE(
                outcome.err.find(output + "\": dowiązanie symboliczne w katalogu, w którym mogą "
                                          "zapisywać inni, należy do innego"),
                std::string::npos)
                << outcome.err;
            EXPECT_EQ(readFile(path("out.mix")), "previous result");
            continue;
        }
        EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
        struct stat info {};
        ASSERT_EQ(::stat(output.c_str(), &info), 0);
        EXPECT_EQ(info.st_uid, kNobody);
        EXPECT_EQ(info.st_gid, kNobody);
        EXPECT_EQ(info.st_mode & 07777, 0640u);
        const bool warned =
            (outcome.out + outcome.err)
                .find(output + ": Pozostałe twarde dowiązania pliku zachowały poprzednią treść.") !=
            std::string::npos;
        EXPECT_EQ(warned, c.planted == Planted::HardLink) << outcome.err;
        ::unlink(path("other name").c_str());
    }
}

// A second run on the same result waits for the first, then gives up saying who holds it.
TEST_F(HostileBatch, ASecondRunOnOneResultWaitsThenNamesTheRunHoldingIt) {
    writeFile(path("out.mix"), "previous result");
    const std::set<std::string> before = entries();
    ::setenv("KALMERO_LOCK_WAIT_SECONDS", "1", 1);
    Outcome outcome;
    {
        const OutputLock held(path("out.mix"));
        outcome = batch(day(path("out.mix"), {"--mode", "0", "--report", path("r.csv")}));
    }
    ::unsetenv("KALMERO_LOCK_WAIT_SECONDS");
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_NE(outcome.err.find("zapisuje teraz inne uruchomienie (pid " +
                               std::to_string(::getpid()) + ", od "),
              std::string::npos)
        << outcome.err;
    EXPECT_EQ(readFile(path("out.mix")), "previous result");
    EXPECT_EQ(entries(), before) << "no report, temporary or lock file";
    EXPECT_EQ(batch(day(path("out.mix"), {"--mode", "0"})).exitCode, 0) << "let go";
}

// The window's program asked for help, or started where there is no display, ends by itself
// with a word on why rather than by Qt's abort.
TEST_F(HostileBatch, TheWindowWithoutADisplayOrAskedForHelpSaysSoAndEnds) {
#ifndef KALMERO_WINDOW
    GTEST_SKIP() << "this build has no window";
#else
    std::vector<std::pair<std::string, std::string>> saved;
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        if (const char* value = std::getenv(name)) {
            saved.emplace_back(name, value);
        }
        ::unsetenv(name);
    }
    struct Case {
        std::string argument;
        int exitCode;
        std::string says;
    };
    const Case cases[] = {{"--help", 0, "Usage: kalmero"}, {"", 1, "brak ekranu"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.argument);
        std::vector<std::string> args = {KALMERO_WINDOW};
        if (!c.argument.empty()) {
            args.push_back(c.argument);
        }
        const Outcome outcome = runProgram(args, m_folder.path());
        EXPECT_EQ(outcome.signal, 0);
        EXPECT_EQ(outcome.exitCode, c.exitCode);
        EXPECT_NE((outcome.out + outcome.err).find(c.says), std::string::npos) << outcome.err;
    }
    for (const auto& [name, value] : saved) {
        ::setenv(name.c_str(), value.c_str(), 1);
    }
#endif
}

TEST_F(HostileBatch, MemoryRunningOutIsAnErrorNotAnAbort) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer needs more address space than the limit leaves";
#endif
    // Three million records of one line each: far more memory than the limit allows.
    std::string records;
    for (int i = 0; i < 3'000'000; ++i) {
        records += "KONx\r\n";
    }
    write("huge.mix", records);
    writeFile(path("out.mix"), "previous result");
    const Outcome outcome = runProgram(
        {"prlimit", "--as=400000000", KALMERO_BATCH, "--config", path("empty.ini"), "--matrix",
         path("matryca.dat"), "--mode", "2", "--mix", path("huge.mix"), "--out", path("out.mix")},
        m_folder.path());
    EXPECT_EQ(outcome.signal, 0);
    EXPECT_EQ(outcome.exitCode, 1) << outcome.err;
    EXPECT_NE(outcome.err.find("kalmero-batch: Za mało pamięci"), std::string::npos) << outcome.err;
    EXPECT_EQ(readFile(path("out.mix")), "previous result");
}

TEST_F(HostileBatch, BreakLengthsOutOfRangeAreUsageErrors) {
    for (const char* seconds : {"9999999", "2147484", "-5", "1e3", "abc", "", " 10"}) {
        SCOPED_TRACE(seconds);
        const Outcome outcome = batch(day(path("out.mix"), {"--break-seconds", seconds}));
        EXPECT_EQ(outcome.exitCode, 2);
        EXPECT_NE(outcome.err.find("--break-seconds"), std::string::npos) << outcome.err;
        EXPECT_FALSE(fs::exists(path("out.mix")));
    }
}

TEST_F(HostileBatch, TimesPastAnyDayAreWrittenAndReadBack) {
    // The longest break: A's break at 12:00 goes after it, and what follows moves by
    // 596 h 31 min 23 s; the break's length text keeps minutes, seconds and ms.
    const Outcome outcome =
        batch(day(path("out.mix"), {"--mode", "0", "--break-seconds", "2147483"}));
    // Written all the same; its spot, pushed past midnight, doesn't air on its day.
    ASSERT_EQ(outcome.exitCode, 3) << outcome.err;
    const Lista result = readResult(path("out.mix"));
    ASSERT_EQ(result.size(), 4u);
    EXPECT_EQ(result[1].line(Field::Emi), "Emi=12:02:00.000");
    EXPECT_EQ(result[1].line(Field::Trw), "Trw=31:23.000");
    EXPECT_EQ(result[1].line(Field::NwK), "NwK=31:23.000");
    // The spot goes after the break, at the end of A's window as the break moved it.
    EXPECT_EQ(result[2].line(Field::Emi), "Emi=608:33:23.000");
    EXPECT_EQ(result[3].line(Field::Emi), "Emi=608:33:53.000");
    EXPECT_NE(outcome.err.find("Spoty nigdy niewstawione: brak\n"), std::string::npos)
        << outcome.err;
}

TEST_F(HostileBatch, SpotsOfHundredsOfHoursMoveTheDayByTheirWholeLength) {
    // 600 h 1 min 1 s of 8-bit mono at one frame a second: past 2^31 ms.
    const std::uint32_t frames = 2'160'061;
    std::string wav = "RIFF";
    auto u32 = [&wav](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) wav += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    u32(36 + frames);
    wav += "WAVEfmt ";
    u32(16);
    wav += std::string("\x01\x00\x01\x00", 4);  // PCM, mono
    u32(1);
    u32(1);
    wav += std::string("\x01\x00\x08\x00", 4);  // 1 byte a frame, 8 bits
    wav += "data";
    u32(frames);
    wav.append(frames, '\x80');
    write("long.wav", wav);
    write("long.lst",
          "12:03:00\r\n" + path("long.wav") + "\r\n12:03:00\r\n" + path("long.wav") + "\r\n");
    // Written, but no day holds such a spot: not accounted for, and refused when strict.
    const Outcome strict = batch({"--mix", path("good.mix"), "--lst", path("long.lst"), "--out",
                                  path("out.mix"), "--mode", "2", "--strict"});
    EXPECT_EQ(strict.exitCode, 1) << strict.err;
    EXPECT_FALSE(fs::exists(path("out.mix")));
    const Outcome outcome = batch({"--mix", path("good.mix"), "--lst", path("long.lst"), "--out",
                                   path("out.mix"), "--mode", "2", "--report", path("r.csv")});
    ASSERT_EQ(outcome.exitCode, 3) << outcome.err;
    const Lista result = readResult(path("out.mix"));
    ASSERT_EQ(result.size(), 4u);
    EXPECT_EQ(result[1].line(Field::Emi), "Emi=12:02:00.000");
    EXPECT_EQ(result[1].line(Field::NwK), "NwK=01:01.000");
    EXPECT_EQ(result[2].line(Field::Emi), "Emi=612:03:01.000");
    EXPECT_EQ(result[3].line(Field::Emi), "Emi=1212:04:02.000");
    EXPECT_NE(readFile(path("r.csv"))
                  .find("," + path("long.wav") +
                        ",2160061000,1,suspicious length: longer than 60 "
                        "minutes,12:03:00.000,612:03:01.000,2160001000,"),
              std::string::npos)
        << readFile(path("r.csv"));
}

TEST_F(HostileBatch, NegativeAndZeroLengthsArePlacedByTheSameRules) {
    write("odd.mix", mixText({{"11:58:00.000", "Zero", "00:00.000", "Typ=SND"},
                              {"11:58:00.000", "Back", "00:00.000", "Typ=SND"},
                              {"11:59:00.000", "Long", "04:00.000", "Typ=SND"},
                              {"12:03:00.000", "Last", "01:00.000", "Typ=SND"}}));
    // "Back" ends before it starts: its Mix lies after its end.
    std::string text = readFile(path("odd.mix"));
    const std::string back = "Mix=00:00.000\r\nTyt=Back";
    text.replace(text.find(back), back.size(), "Mix=00:30.000\r\nTyt=Back");
    write("odd.mix", text);
    write("zero.lst", "12:00:00\r\n" + path("missing.wav") + "\r\n");
    for (const char* mode : {"0", "1", "2"}) {
        for (const char* seconds : {"0", "10"}) {
            SCOPED_TRACE(std::string("mode ") + mode + ", break " + seconds + " s");
            const Outcome outcome =
                batch({"--mix", path("odd.mix"), "--lst", path("zero.lst"), "--out",
                       path("out.mix"), "--mode", mode, "--fade", "--break-seconds", seconds});
            // Written, and the missing spot's day is not called done.
            ASSERT_EQ(outcome.exitCode, 3) << outcome.err;
            const Lista result = readResult(path("out.mix"));
            EXPECT_GE(result.size(), 4u);
        }
    }
    // A break of 0 s takes no time: in mode 1 the next item starts at the break's stamp,
    // and being cut back to 12:00 itself, gets that break once more.
    const Outcome outcome = batch({"--mix", path("odd.mix"), "--out", path("out.mix"), "--mode",
                                   "1", "--break-seconds", "0"});
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    const Lista result = readResult(path("out.mix"));
    ASSERT_EQ(result.size(), 6u);
    EXPECT_EQ(result[3].line(Field::Emi), "Emi=12:00:00.000");
    EXPECT_EQ(result[3].line(Field::Wyk), "Wyk=BREAK");
    EXPECT_EQ(result[4].line(Field::Emi), "Emi=12:00:00.000");
    EXPECT_EQ(result[4].value(Field::Tyt), "Last");
}

}  // namespace
}  // namespace kalmero::test

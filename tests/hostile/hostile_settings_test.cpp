// Configuration and break matrix files that are garbage, doubled, huge or can't be
// written: defaults or the first of a kind are read, a failed write says
// "Nie można zapisać pliku "<path>": <reason>" and leaves the file as it was.
#include <sys/mount.h>

#include <cerrno>
#include <cstring>
#include <optional>

#include "formats/konfiguracja_file.h"
#include "formats/matryca.h"
#include "hostile_support.h"
#include "model/czas.h"
#include "model/file_error.h"
#include "model/konfiguracja.h"
#include "model/lists.h"
#include "session/disk_files.h"
#include "session/session.h"

namespace kalmero::test {
namespace {

using HostileSettings = HostileTest;

TEST_F(HostileSettings, GarbageDoubledAndHugeSettingsReadAsDefaultsOrTheFirstOfAKind) {
    std::string garbage(4096, '\0');
    for (std::size_t i = 0; i < garbage.size(); ++i) {
        garbage[i] = static_cast<char>((i * 131 + 7) & 0xFF);
    }
    struct Case {
        const char* what;
        std::string ini;
        int mode;
        bool fade;
        std::int64_t seconds;
    };
    const Case cases[] = {
        {"binary garbage", garbage, 0, false, 10},
        {"doubled sections", "[Break]\nStart=1\n[Break]\nStart=2\nFade=1\n", 1, false, 10},
        {"doubled keys", "[break]\nTIME=30\nTime=40\nfade=1\nFade=0\n", 0, true, 30},
        {"a time past 32 bits", "[Break]\nTime=99999999999\n", 0, false, 10},
        {"the largest 32-bit time", "[Break]\nTime=2147483647\n", 0, false, 2147483},
        {"a mode far below 0", "[Break]\nStart=-2147483648\n", -1, false, 10},
        {"a megabyte of folder", "[Foldery]\nFolderMIX=" + std::string(1 << 20, 'f') + "\n", 0,
         false, 10},
        {"no line ends at all", "[Break]Start=1Time=5", 0, false, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string ini = write("kalmero.ini", c.ini);
        Konfiguracja konfiguracja;
        const StoredSettings stored = OdczytajKonfiguracje(ini, konfiguracja);
        readBreakSoundSettings(ini, konfiguracja);
        EXPECT_EQ(breakModeIndex(stored.mode), c.mode);
        EXPECT_EQ(stored.fade, c.fade);
        EXPECT_EQ(stored.seconds, c.seconds);
        EXPECT_TRUE(konfiguracja.FolderMIX.empty());
        EXPECT_EQ(readFile(ini), c.ini);  // reading never writes
    }
}

TEST_F(HostileSettings, ASettingThatCantBeWrittenSaysSoAndChangesNothing) {
    fs::create_directory(path("folder.ini"));
    const std::pair<std::string, std::string> places[] = {
        {path("gone/kalmero.ini"), "nie ma takiego pliku ani katalogu"},
        {path("folder.ini"), "to jest katalog"}};
    for (const auto& [ini, reason] : places) {
        SCOPED_TRACE(ini);
        const std::string says = "Nie można zapisać pliku \"" + ini + "\": " + reason;
        auto expectRefused = [&](auto&& write) {
            try {
                write();
                ADD_FAILURE() << "the write went through";
            } catch (const FileError& e) {
                EXPECT_EQ(std::string(e.what()), says);
            }
        };
        expectRefused([&] { storeBreakMode(ini, BreakMode::OnTheHour); });
        expectRefused([&] { storeFade(ini, true); });
        expectRefused([&] { storeBreakLength(ini, BreakLength::clamped(30)); });
        Konfiguracja konfiguracja;
        konfiguracja.CzyDzwiek = true;
        expectRefused([&] { storeBreakSound(ini, konfiguracja); });
    }
    EXPECT_FALSE(fs::exists(path("gone")));
    EXPECT_TRUE(fs::is_empty(path("folder.ini")));
}

TEST_F(HostileSettings, AFullDiskLeavesTheConfigurationAsItWas) {
    const std::string disk = path("disk");
    fs::create_directory(disk);
    if (::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=64k") != 0) {
        GTEST_SKIP() << "no small file system can be mounted here: " << std::strerror(errno);
    }
    const std::string ini = disk + "/kalmero.ini";
    writeFile(ini, "[Break]\r\nTime=10\r\n");
    {
        // Fill what is left of the disk.
        std::ofstream filler(disk + "/filler", std::ios::binary);
        const std::string block(4096, 'x');
        while (filler.write(block.data(), block.size())) {
        }
    }
    std::optional<std::string> failure;
    try {
        storeBreakLength(ini, BreakLength::fromFieldText("9999999").length);
    } catch (const FileError& e) {
        failure = e.what();
    }
    const std::string kept = readFile(ini);
    const std::set<std::string> left = entries("disk");
    ::umount2(disk.c_str(), MNT_DETACH);
    EXPECT_EQ(failure, "Nie można zapisać pliku \"" + ini + "\": brak miejsca na dysku");
    EXPECT_EQ(kept, "[Break]\r\nTime=10\r\n");
    EXPECT_EQ(left, (std::set<std::string>{"filler", "kalmero.ini"}));
}

TEST_F(HostileSettings, ABreakLengthTypedOrPastedOutOfRangeIsClamped) {
    const std::string ini = path("kalmero.ini");
    struct Case {
        const char* typed;
        std::optional<std::string> shown;  // what the field shows instead, if anything
        std::int64_t stored;
    };
    const Case cases[] = {
        {"9999999", "2147483", 2147483}, {"2147483", std::nullopt, 2147483},  {"-5", "0", 0},
        {"0", std::nullopt, 0},          {"99999999999999999999999", "0", 0}, {"12abc", "0", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        const BreakLength::FieldReading reading = BreakLength::fromFieldText(c.typed);
        EXPECT_EQ(reading.correction, c.shown);
        storeBreakLength(ini, reading.length);
        EXPECT_EQ(iniReadInteger(ini, "Break", "Time", -1), c.stored);
        EXPECT_EQ(reading.length.ms(), c.stored * 1000);
    }
}

TEST_F(HostileSettings, LengthTextsOfHundredsOfHoursKeepMinutesSecondsAndMs) {
    EXPECT_EQ(CzasTrwString(3'725'000), "02:05.000");
    EXPECT_EQ(CzasTrwString(99 * 3'600'000LL + 59 * 60'000 + 59'999), "59:59.999");
    EXPECT_EQ(CzasTrwString(100 * 3'600'000LL + 61'001), "01:01.001");
    EXPECT_EQ(CzasTrwString(BreakLength::kMaxSeconds * 1000), "31:23.000");
    EXPECT_EQ(CzasTrwString(9'000'000'000'000'000'000LL), "00:00.000");
}

class HostileMatrix : public HostileTest {
protected:
    // The break list a compile of `weekday` makes from a matrix file holding `text`;
    // nullopt when the compile fails.
    std::optional<Lista> breaks(const std::string& text, int weekday) {
        SilentProgress progress;
        Session session({path("empty.ini"), write("m.dat", text)}, progress, SessionTools{});
        EXPECT_TRUE(session.otworzPlikMIX(path("good.mix")).done());
        if (!session.compile(weekday).done()) {
            return std::nullopt;
        }
        return session.lists().ListaBreak;
    }
};

TEST_F(HostileMatrix, ShortEmptyLongAndCrOnlyMatricesGiveTheBreaksTheirLinesHold) {
    const std::string line10k(10'000, '1');
    EXPECT_EQ(breaks("00000010000000000\r\n1\r\n", 1).value().size(), 1u);
    EXPECT_EQ(breaks("00000010000000000\r\n1\r\n", 6), std::nullopt);
    EXPECT_EQ(breaks("", 0), std::nullopt);
    EXPECT_TRUE(breaks("\n\n\n\n\n\n\n", 6).value().empty());
    EXPECT_EQ(breaks(line10k + "\n", 0).value().size(), 10'000u);
    const Lista cr = breaks("0\r0\r0\r00000010000000001\r0\r0\r0\r", 3).value();
    ASSERT_EQ(cr.size(), 2u);
    EXPECT_EQ(cr[0].line(Field::Emi), "Emi=12:00:00.000");
    EXPECT_EQ(cr[1].line(Field::Emi), "Emi=22:00:00.000");
}

TEST_F(HostileMatrix, TheEditorMendsShortMatricesAndKeepsLongLines) {
    const std::string file = write("m.dat", "1\r\r" + std::string(10'000, '0') + "\r");
    ZmienStan(file, 6, 16, true);
    const std::vector<std::string> lines = readMatrixLines(file);
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0], "10000000000000000");
    EXPECT_EQ(lines[1], "00000000000000000");
    EXPECT_EQ(lines[2], std::string(10'000, '0'));
    EXPECT_EQ(lines[6], "00000000000000001");

    fs::create_directory(path("folder.dat"));
    EXPECT_THROW(ZmienStan(path("folder.dat"), 0, 0, true), FileError);
    EXPECT_THROW(ZmienStan(path("missing.dat"), 0, 0, true), FileError);
    EXPECT_FALSE(fs::exists(path("missing.dat")));
}

}  // namespace
}  // namespace kalmero::test

// Playlists, advert lists and spot files that are no such thing: every load either refuses
// the file with the open error or finishes with a sane list; nothing blocks or crashes.
#include <sys/stat.h>

#include <random>

#include "formats/mix_file.h"
#include "hostile_support.h"
#include "model/lists.h"
#include "platform/audio_length.h"
#include "platform/file_io.h"
#include "session/session.h"
#include "support/session_probe.h"

namespace kalmero::test {
namespace {

std::string garbage(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(random() & 0xFF);
    }
    return bytes;
}

class HostileFiles : public HostileTest {
protected:
    kalmero::Outcome loadMix(const std::string& file) { return session.otworzPlikMIX(file); }
    kalmero::Outcome loadLst(const std::string& file) {
        return session.OtworzPlikLST(file, newLoadMeasurer());
    }

    std::string fifo(const std::string& name) const {
        const std::string p = path(name);
        EXPECT_EQ(::mkfifo(p.c_str(), 0600), 0);
        return p;
    }

    SilentProgress progress;
    Session session{{path("empty.ini"), path("matryca.dat")}, progress, SessionTools{}};
    Lists& lists = SessionProbe::lists(session);
};

TEST_F(HostileFiles, FilesThatAreNoTextFilesAreRefusedWithTheOpenError) {
    fs::create_directory(path("folder.mix"));
    const std::string sources[] = {path("folder.mix"), fifo("pipe.mix"), "/dev/zero",
                                   path("missing.mix")};
    for (const std::string& source : sources) {
        SCOPED_TRACE(source);
        lists.ListaMIX.resize(3);
        lists.ListaLST.resize(3);
        const kalmero::Outcome mix = loadMix(source);
        EXPECT_EQ(mix.kind, kalmero::Outcome::Kind::Failed) << "the MIX load went on";
        EXPECT_EQ(mix.message.rfind("Nie można otworzyć pliku \"" + source + "\": ", 0), 0u)
            << mix.message;
        EXPECT_TRUE(lists.ListaMIX.empty());
        EXPECT_EQ(loadLst(source).kind, kalmero::Outcome::Kind::Failed);
        EXPECT_TRUE(lists.ListaLST.empty());
    }
}

TEST_F(HostileFiles, BrokenTextGivesWhatTheLinesHold) {
    const std::string longLine(10 * 1024 * 1024, 'K');
    struct Case {
        const char* what;
        std::string bytes;
        std::size_t records;  // MIX records
        std::size_t spots;    // LST spots from the same bytes
    };
    const Case cases[] = {
        {"empty", "", 0, 0},
        {"binary garbage", garbage(64 * 1024, 7), std::string::npos, std::string::npos},
        {"one line of 10 MB", longLine, 0, 0},
        {"a 10 MB line closes one record", "Tyt=x\nKON" + longLine + "\n", 1, 1},
        {"a NUL ends the playlist text",
         std::string("Emi=12:00:00.000\nKONIEC OPISU\nTyt=a\0b\nKONIEC OPISU\n", 51), 1, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string file = write("in.txt", c.bytes);
        loadMix(file);
        if (c.records != std::string::npos) {
            EXPECT_EQ(lists.ListaMIX.size(), c.records);
        }
        loadLst(file);
        if (c.spots != std::string::npos) {
            EXPECT_EQ(lists.ListaLST.size(), c.spots);
        }
        for (const TPozycja& spot : lists.ListaLST) {
            EXPECT_EQ(spot.line(Field::Typ), "Typ=REK");
            EXPECT_LE(spot.line(Field::Adr).size(), capacity(Field::Adr));
            EXPECT_EQ(spot.CzasNwK, 0);  // no such audio file
        }
    }
}

TEST_F(HostileFiles, NamesInAnyEncodingAreKeptAsBytesAndWrittenBackSo) {
    // Windows-1250 letters, a broken UTF-8 sequence, and UTF-8 where 1250 is expected.
    const std::string names[] = {"Tyt=\xA5\xB9\x8C\x9C\xAF\xBF", "Tyt=\xC3\x28\xA0\xE2\x82",
                                 "Tyt=Zażółć gęślą jaźń"};
    for (const std::string& name : names) {
        const std::string text = "Emi=06:00:00.000\r\n" + name + "\r\nKONIEC OPISU\r\n";
        loadMix(write("names.mix", text));
        ASSERT_EQ(lists.ListaMIX.size(), 1u);
        EXPECT_EQ(lists.ListaMIX[0].line(Field::Tyt), name.substr(0, capacity(Field::Tyt)));
        const std::string written = kalmero::mixText(lists.ListaMIX);
        EXPECT_NE(written.find(name.substr(0, capacity(Field::Tyt)) + "\r\n"), std::string::npos);

        loadLst(write("names.lst", "06:00:00\r\nC:\\spoty\\" + name.substr(4) + ".mp3\r\n"));
        ASSERT_EQ(lists.ListaLST.size(), 1u);
        EXPECT_EQ(lists.ListaLST[0].value(Field::Tyt), name.substr(4, 46));
    }
}

TEST_F(HostileFiles, SpotFilesThatCantBeMeasuredGetLengthZero) {
    fs::create_directory(path("folder.mp3"));
    std::string wav = wavBytes(1000);
    const std::string spots[] = {
        path("folder.mp3"),
        fifo("pipe.mp3"),
        "/dev/zero",
        "/dev/null",
        "/dev/full",
        write("header-only.wav", wav.substr(0, 20)),
        write("frame-cut.mp3", std::string("\xFF\xFB\x90\x64", 4) + std::string(30, '\0')),
        write("text.mp3", "This is no audio, only a file called .mp3\n"),
        write("empty.wav", ""),
        path(std::string(300, 'd') + ".mp3"),
        "/" + std::string(400, 'x') + "/spot.mp3",
    };
    std::string lst;
    for (const std::string& spot : spots) {
        lst += "12:00:00\r\n" + spot + "\r\n";
    }
    lst += "13:00:00\r\n" + path("s30.wav") + "\r\n";
    loadLst(write("spots.lst", lst));
    ASSERT_EQ(lists.ListaLST.size(), std::size(spots) + 1);
    for (std::size_t i = 0; i < std::size(spots); ++i) {
        SCOPED_TRACE(spots[i].substr(0, 80));
        EXPECT_EQ(lists.ListaLST[i].CzasNwK, 0);
        EXPECT_EQ(lists.ListaLST[i].line(Field::NwK), "NwK=00:00.000");
    }
    EXPECT_EQ(lists.ListaLST.back().CzasNwK, 30'000);  // the good spot after them all
}

TEST_F(HostileFiles, ATruncatedSpotIsNeverLongerThanWhatIsThere) {
    const std::string wav = wavBytes(10'000);
    loadLst(
        write("cut.lst", "12:00:00\r\n" + write("cut.wav", wav.substr(0, 44 + 16'000)) + "\r\n"));
    ASSERT_EQ(lists.ListaLST.size(), 1u);
    EXPECT_LE(lists.ListaLST[0].CzasNwK, 1000);
}

}  // namespace
}  // namespace kalmero::test

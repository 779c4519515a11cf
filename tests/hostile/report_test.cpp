// The batch command's placement report on a day where spots go missing for each reason.
#include "hostile_support.h"

namespace kalmero::test {
namespace {

using PlacementReportRun = HostileTest;

TEST_F(PlacementReportRun, EverySpotNotPlacedOnceOrWithoutAudioIsNamedWithItsReason) {
    // A 10:00-10:04, its DJ_ record 10:04-10:05, B 10:05-10:09; nothing between 10:09 and 11:00.
    // The first spot, placed before A, moves the DJ_ record to 10:04:30-10:05:30.
    write("day.mix", mixText({{"10:00:00.000", "A", "04:00.000", "Typ=SND"},
                              {"10:04:00.000", "Zapowiedz", "01:00.000", "Typ=DJ_"},
                              {"10:05:00.000", "B", "04:00.000", "Typ=SND"},
                              {"11:00:00.000", "C", "04:00.000", "Typ=SND"}}));
    write("day.lst", "10:01:00\r\n" + path("s30.wav") + "\r\n" +          // once
                         "10:04:30\r\n" + path("dj.wav") + "\r\n" +       // under the DJ_ record
                         "10:30:00\r\n" + path("gap.wav") + "\r\n" +      // in no window
                         "11:01:00\r\n" + path("missing.mp3") + "\r\n");  // once, no audio
    write("dj.wav", wavBytes(5000));
    write("gap.wav", wavBytes(5000));
    const Outcome outcome = batch({"--mix", path("day.mix"), "--lst", path("day.lst"), "--out",
                                   path("out.mix"), "--mode", "2", "--report", path("r.csv")});
    ASSERT_EQ(outcome.exitCode, 3) << outcome.err;

    const std::string csv = readFile(path("r.csv"));
    const std::string rows[] = {
        "block time,title,path,length (ms),times placed,reason,booked,aired,drift (ms),path line,"
        "local path tried,length problem,integrated (LUFS),max short-term (LUFS),true peak (dBTP),"
        "loudness reason,block integrated (LUFS),programme integrated (LUFS),block above programme "
        "(LU),programme reason\r\n",
        "10:01:00.000,s30," + path("s30.wav") +
            ",30000,1,,10:01:00.000,10:00:00.000,-60000,,,,-20.0,-20.0,-20.0,,-20.0,,,brak "
            "zmierzonych plików programu (0 z 3 pozycji w oknie ±15 min)\r\n",
        "10:04:30.000,dj," + path("dj.wav") +
            ",5000,0,never placed: its block time lies under a DJ_ "
            "record,10:04:30.000,,,,,,-20.0,-20.0,-20.0,,,,,\r\n",
        "10:30:00.000,gap," + path("gap.wav") +
            ",5000,0,never placed: its block time lies in no item's "
            "window,10:30:00.000,,,,,,-20.0,-20.0,-20.0,,,,,\r\n",
        "11:01:00.000,missing," + path("missing.mp3") + ",0,1,length 0: brak pliku,11:01:00.000," +
            "11:00:30.000,-30000," + path("missing.mp3") + "," + path("missing.mp3") +
            ",brak pliku,,,,brak pliku,,,,spotów bloku nie zmierzono\r\n",
    };
    for (const std::string& row : rows) {
        EXPECT_NE(csv.find(row), std::string::npos) << row << "\nin\n" << csv;
    }
    EXPECT_NE(outcome.err.find("Spoty nigdy niewstawione: 2\n"
                               "  10:04:30.000  dj  (pod rekordem DJ_)\n"
                               "  10:30:00.000  gap\n"),
              std::string::npos)
        << outcome.err;
    EXPECT_NE(outcome.err.find("Spoty o d\xC5\x82ugo\xC5\x9B"
                               "ci 0 (brak pliku albo plik nieczytelny): 1\n"
                               "  11:01:00.000  missing  " +
                               path("missing.mp3") + "\n"),
              std::string::npos)
        << outcome.err;
}

}  // namespace
}  // namespace kalmero::test

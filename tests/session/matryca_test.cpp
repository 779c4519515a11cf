#include "formats/matryca.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "formats/test_support.h"
#include "model/file_error.h"
#include "session/disk_files.h"

namespace kalmero {
namespace {

using test::TempFolder;

const std::string kZeros(17, '0');

TEST(Matryca, TheWholeSaveIs133Bytes) {
    MatrixGrid grid{};
    grid[0][0] = true;
    grid[6][16] = true;
    const std::string text = matrixFileText(grid);
    EXPECT_EQ(text.size(), 133u);
    std::string expected = "10000000000000000\r\n";
    for (int day = 1; day < 6; ++day) {
        expected += kZeros + "\r\n";
    }
    expected += "00000000000000001\r\n";
    EXPECT_EQ(text, expected);

    TempFolder folder;
    writeMatrixLines(matrycaPath(folder.path()), {"1", "0"});
    EXPECT_EQ(test::readBytes(folder / "matryca.dat"), "1\r\n0\r\n");
}

TEST(Matryca, ReadsLinesAndTreatsAnythingButOneAsNoBreak) {
    TempFolder folder;
    const std::string path = matrycaPath(folder.path());
    test::writeBytes(path, "1x1\n\r00000000000000000001\r\n" + kZeros + "\r" + kZeros +
                               "\r\n1111\r\n" + kZeros + "\n" + kZeros);
    const std::vector<std::string> lines = readMatrixLines(path);
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(parseMatrixLines(test::readBytes(path)), lines);
    EXPECT_EQ(lines[0], "1x1");
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines[5], "1111");
    const MatrixGrid grid = gridFromLines(lines);
    EXPECT_TRUE(grid[0][0]);
    EXPECT_FALSE(grid[0][1]);
    EXPECT_TRUE(grid[0][2]);
    for (int hour = 0; hour < kMatrixHours; ++hour) {
        EXPECT_FALSE(grid[1][hour]);         // an empty line has no breaks
        EXPECT_FALSE(grid[2][hour]);         // the 21st character is past the grid
        EXPECT_EQ(grid[5][hour], hour < 4);  // Friday's short line
    }
}

TEST(Matryca, PaddingMakesEveryCellAddressable) {
    struct PadCase {
        std::vector<std::string> in;
        std::vector<std::string> out;
    };
    const std::string longLine = "1" + std::string(20, '0') + "1";
    const PadCase cases[] = {
        {{}, std::vector<std::string>(7, kZeros)},
        {{"1", "", "01x"},
         {"1" + std::string(16, '0'), kZeros, "01x" + std::string(14, '0'), kZeros, kZeros, kZeros,
          kZeros}},
        {{longLine, kZeros, kZeros, kZeros, kZeros, kZeros, kZeros, "extra"},
         {longLine, kZeros, kZeros, kZeros, kZeros, kZeros, kZeros,
          "extra" + std::string(12, '0')}},
    };
    for (const PadCase& c : cases) {
        EXPECT_EQ(padMatrixLines(c.in), c.out);
    }
}

TEST(Matryca, TheOneCellUpdateWritesAtOnce) {
    TempFolder folder;
    const std::string path = matrycaPath(folder.path());
    std::string file;
    for (int day = 0; day < 7; ++day) {
        file += kZeros + "\r\n";
    }
    test::writeBytes(path, file);

    ZmienStan(path, 2, 6, true);  // Wednesday 12:00
    std::string expected = file;
    expected[2 * 19 + 6] = '1';
    EXPECT_EQ(test::readBytes(path), expected);
    ZmienStan(path, 2, 6, false);
    EXPECT_EQ(test::readBytes(path), file);

    // A short file is made whole first, with LF ends turned into CR LF.
    test::writeBytes(path, "1\n0000");
    ZmienStan(path, 6, 16, true);
    std::vector<std::string> lines = readMatrixLines(path);
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0], "1" + std::string(16, '0'));
    EXPECT_EQ(lines[6], std::string(16, '0') + "1");
    EXPECT_EQ(test::readBytes(path).size(), 133u);

    // Lines after the week's seven are someone else's: a click leaves them short.
    test::writeBytes(path, file + "01\r\n");
    ZmienStan(path, 0, 0, true);
    lines = readMatrixLines(path);
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[0], "1" + std::string(16, '0'));
    EXPECT_EQ(lines[7], "01");
}

TEST(Matryca, NothingCreatesAMissingFile) {
    TempFolder folder;
    const std::string path = matrycaPath(folder.path());
    EXPECT_THROW(readMatrixLines(path), FileError);
    EXPECT_THROW(ZmienStan(path, 0, 0, true), FileError);
    EXPECT_TRUE(folder.entries().empty());
}

}  // namespace
}  // namespace kalmero

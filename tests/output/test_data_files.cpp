#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "line_fixtures.h"
#include "support/temp_folder.h"
#include "output/data_files.h"

using namespace kestrano;

TEST(DataFiles, TotalThenOneValuePerLineGroupByGroup)
{
    const LineGroups lines = {
        {0, {segment(1, 1, std::acos(-1.0) / 4, 2.5), segment(1, 1, 3.1415926536, 100.0)}},
        {1, {segment(1, 1, 0.0, 7.25)}}};
    TempFolder dir;
    std::ofstream(dir / "dataLen.dat") << "9\n1\n2\n3\n4\n5\n6\n7\n8\n9\n";
    writeLengthData(lines, dir / "dataLen.dat");
    writeAngleData(lines, dir / "dataAng.dat");
    writeAngleData(LineGroups{{0, {}}, {1, {}}}, dir / "none.dat");
    EXPECT_EQ(readBytes(dir / "dataLen.dat"), "3\n2.5\n100\n7.25\n");  // replaced, not appended
    EXPECT_EQ(readBytes(dir / "dataAng.dat"), "3\n45\n180\n0\n");
    EXPECT_EQ(readBytes(dir / "none.dat"), "0\n");

    writeLengthData(lines, dir / "data/dataLen.dat");
    EXPECT_FALSE(std::filesystem::exists(dir / "data/dataLen.dat"));
}

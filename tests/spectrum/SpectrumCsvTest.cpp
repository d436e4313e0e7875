// The CSV file's bytes: header columns in slot order, one line per row, levels in tenths with a
// decimal comma, CR LF line ends, and fields left empty where a sweep has no matching point.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "StoreOnCard.h"
#include "spectrum/SpectrumCsv.h"
#include "spectrum/SpectrumFiles.h"

namespace {

using SpectrumCsvTest = StoreOnCard;

QList<QByteArray> Lines(const QByteArray& csv) {
    EXPECT_TRUE(csv.endsWith("\r\n"));
    QList<QByteArray> lines = csv.chopped(1).split('\n');
    for (QByteArray& line : lines) {
        EXPECT_TRUE(line.endsWith('\r')) << line.constData();
        line.chop(1);
    }
    return lines;
}

TEST_F(SpectrumCsvTest, OneFullSweepOfTuner1) {
    AddGraph(1);
    std::vector<SpectrumPoint> points = Steps(601, 45678);
    points[1].level = 500;
    points[2].level = 100000;
    points[3].level = 99;
    points[4].level = -5;
    Sweep(0, points);
    const QList<QByteArray> lines = Lines(BuildSpectrumCsv(store));
    ASSERT_EQ(lines.size(), 1 + 601);
    EXPECT_EQ(lines[0], "Freq. Mhz;Tuner 1");
    EXPECT_EQ(lines[1], "950;45,6");
    EXPECT_EQ(lines[2], "952;0,5");
    EXPECT_EQ(lines[3], "954;100,0");
    EXPECT_EQ(lines[4], "956;0,0");
    EXPECT_EQ(lines[5], "958;0,0");
    EXPECT_EQ(lines[6], "960;45,7");
    EXPECT_EQ(lines[601], "2150;51,6");  // 45678 + 6000
}

TEST_F(SpectrumCsvTest, ThreeSweepsOfDifferentLengthsAndTuners) {
    AddGraph(1);
    AddGraph(2);
    Sweep(0, {{950, 45300}, {952, 45100}, {954, 44000}, {956, 38099}});
    Sweep(0, {{950, 44800}, {952, 44900}, {954, 30000}});
    Sweep(1, {{950, 41000}, {953, 42000}});  // its second point is off the first sweep's grid
    EXPECT_EQ(BuildSpectrumCsv(store),
              "Freq. Mhz;Tuner 1;Tuner 1;Tuner 2\r\n"
              "950;45,3;44,8;41,0\r\n"
              "952;45,1;44,9;\r\n"
              "954;44,0;30,0;\r\n"
              "956;38,0;;\r\n");
}

TEST_F(SpectrumCsvTest, ColumnsFollowSlotOrderAndLinesBeyondSlotZeroTakeALaterFrequency) {
    AddGraph(1);
    AddGraph(2);
    Sweep(0, {{950, 40000}, {952, 40000}, {954, 40000}});
    for (int n = 1; n < 128; ++n) Sweep(0, {});
    Sweep(1, {{950, 50000}, {952, 50000}});  // the 129th sweep overwrites slot 0
    Sweep(0, {{950, 60000}, {952, 60000}, {954, 60000}});
    EXPECT_EQ(BuildSpectrumCsv(store),
              "Freq. Mhz;Tuner 2;Tuner 1\r\n"
              "950;50,0;60,0\r\n"
              "952;50,0;60,0\r\n"
              "954;;60,0\r\n");
}

TEST_F(SpectrumCsvTest, RowsNoStoredSweepReachesHaveNoFrequency) {
    AddGraph(1);
    Sweep(0, Steps(4));
    for (int n = 1; n < 128; ++n) Sweep(0, {});
    Sweep(0, Steps(2));
    EXPECT_EQ(BuildSpectrumCsv(store),
              "Freq. Mhz;Tuner 1\r\n"
              "950;45,0\r\n"
              "952;45,0\r\n"
              ";\r\n"
              ";\r\n");
}

TEST_F(SpectrumCsvTest, SavedFileHoldsExactlyTheseBytes) {
    AddGraph(2);
    Sweep(1, Steps(601));
    QTemporaryDir directory;
    const QString path = directory.filePath("Spectrum.csv");
    SaveSpectrumFile(store, path);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_EQ(bytes, BuildSpectrumCsv(store));
    EXPECT_TRUE(bytes.startsWith("Freq. Mhz;Tuner 2\r\n950;45,0\r\n952;45,0\r\n"));
    EXPECT_EQ(bytes.count("\r\n"), 602);
    EXPECT_EQ(bytes.count('\n'), 602);
}

}  // namespace

// What a new user sees first: after "Create all", a sweep of tuner 1 saved as CSV shows a row
// of carriers standing well above the floor, as a real dish does.
#include <QFile>
#include <algorithm>

#include "AppFixture.h"
#include "app/CommandIds.h"

namespace app_test {
namespace {

// The levels of the first sweep of a saved spectrum CSV file, in dB.
std::vector<double> FirstSweep(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    std::vector<double> levels;
    for (const QByteArray& line : file.readAll().split('\n').mid(1)) {
        const QList<QByteArray> fields = line.trimmed().split(';');
        if (fields.size() >= 2)
            levels.push_back(QByteArray(fields[1]).replace(',', '.').toDouble());
    }
    return levels;
}

// Carriers: runs of 2 MHz steps at least 10 dB above the floor, the floor being the lowest
// level within 100 MHz, so that it follows the LNB's roll-off and the cable's slope.
int CarriersStandingOut(const std::vector<double>& levels) {
    constexpr std::ptrdiff_t kWindow = 50;
    const auto size = static_cast<std::ptrdiff_t>(levels.size());
    int carriers = 0;
    bool inCarrier = false;
    for (std::ptrdiff_t i = 0; i < size; ++i) {
        const double floor =
            *std::min_element(levels.begin() + std::max<std::ptrdiff_t>(0, i - kWindow),
                              levels.begin() + std::min(size, i + kWindow + 1));
        const bool above = levels[static_cast<std::size_t>(i)] >= floor + 10.0;
        if (above && !inCarrier) ++carriers;
        inCarrier = above;
    }
    return carriers;
}

TEST_F(AppTest, ASweepOfTuner1AfterCreateAllShowsARowOfCarriers) {
    Start();
    Choose(ID_CREATE_ALL);
    Choose(ID_SPECTRUM_1);
    ASSERT_TRUE(WaitFor([this] { return !App().m_spectrum.Busy(); }));
    prompts.fileAnswers.push_back(scratch.Path("sky.csv"));
    Choose(ID_SAVE_SPECTRUM);

    const std::vector<double> levels = FirstSweep(scratch.Path("sky.csv"));
    ASSERT_EQ(levels.size(), 601u);
    const int carriers = CarriersStandingOut(levels);
    RecordProperty("carriers", carriers);
    EXPECT_GE(carriers, 15);
}

}  // namespace
}  // namespace app_test

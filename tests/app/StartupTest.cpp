// Start-up and shutdown of the application object.
#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QMenu>
#include <QPointer>

#include "AppFixture.h"
#include "app/CommandIds.h"
#include "app/FileFilter.h"
#include "app/MainFrame.h"

namespace app_test {
namespace {

TEST_F(AppTest, StartsWithEmptySatPopupsMtdModeAndNothingRead) {
    Start();
    for (int tuner = 1; tuner <= 2; ++tuner) {
        for (int lnbSource = 1; lnbSource <= 4; ++lnbSource) {
            EXPECT_TRUE(SatPopup(tuner, lnbSource).actions().isEmpty())
                << "tuner " << tuner << " Sat " << lnbSource;
        }
    }
    EXPECT_TRUE(Item(ID_CI_MTD)->isChecked());
    EXPECT_FALSE(Item(ID_CI_SINGLE_TRANSPONDER)->isChecked());
    EXPECT_FALSE(Item(ID_CI_BYPASS)->isChecked());
    EXPECT_EQ(App().m_ciModeFlags, 0u);
    EXPECT_EQ(App().m_diseqcCommand,
              (std::array<std::uint8_t, 8>{0xE0, 0x10, 0x5A, 0x00, 0x00, 0x00, 0x00, 0x00}));
    EXPECT_EQ(App().m_diseqcLength, 5);
    EXPECT_FALSE(App().m_graphs[0] || App().m_graphs[1]);
    EXPECT_EQ(App().m_satelliteList, nullptr);  // the lists are read with the first graph
    // The CAM menu dialog comes once the window has painted: the first paint does not wait for
    // its font.
    ASSERT_TRUE(WaitFor([this] { return App().m_camMenu != nullptr; }));
    EXPECT_FALSE(App().m_camMenu->isVisible());
    EXPECT_TRUE(Frame().isVisible());
    EXPECT_EQ(ItemText(ID_CAM_MENU), "CAM Menu ...");
    EXPECT_EQ(QCoreApplication::organizationName(), "Kestrelworks");
    EXPECT_TRUE(prompts.messages.empty());
}

// A library that refuses the start, or grants another version than 1.1.
class RefusingSockets final : public SocketLibrary {
public:
    RefusingSockets(int result, std::uint16_t version) : m_result(result), m_version(version) {}
    int Startup(std::uint16_t requested, std::uint16_t& granted) override {
        asked = requested;
        granted = m_version;
        return m_result;
    }
    void Cleanup() override { ++cleanups; }

    std::uint16_t asked = 0;
    int cleanups = 0;

private:
    int m_result;
    std::uint16_t m_version;
};

TEST_F(AppTest, SocketsThatFailEndTheStartWithMessage104AndNoWindow) {
    struct Case {
        int result;
        std::uint16_t granted;
        int cleanups;  // a started library of the wrong version is released
    };
    for (const Case c : {Case{10091, 0x0101, 0}, Case{0, 0x0202, 1}, Case{0, 0x0001, 1}}) {
        SCOPED_TRACE(c.granted);
        ScriptedPrompts seen;
        RefusingSockets library(c.result, c.granted);
        COrvalenApp app(seen, library);
        EXPECT_FALSE(app.InitInstance());
        EXPECT_EQ(library.asked, 0x0101);
        EXPECT_EQ(library.cleanups, c.cleanups);
        EXPECT_EQ(seen.messages, std::vector<QString>{"Windows sockets initialization failed."});
        EXPECT_TRUE(app.m_mainFrame.isNull());
        EXPECT_EQ(app.m_camMenu, nullptr);
        app.ExitInstance();
    }
}

TEST_F(AppTest, ClosingWithBothGraphsAndARunningSweepDestroysThemBeforeTheWindow) {
    config.spectrumStepTime = std::chrono::milliseconds(5);  // the sweep is still running
    Start();
    Choose(ID_CREATE_ALL);
    Choose(ID_SPECTRUM_1);
    ASSERT_TRUE(App().m_spectrum.Busy());

    const QPointer<CMainFrame> frame = &Frame();
    EXPECT_TRUE(frame->close());
    EXPECT_FALSE(App().m_graphs[0] || App().m_graphs[1]);
    EXPECT_EQ(App().m_camMenu, nullptr);
    for (const auto& list : App().m_channelLists) EXPECT_EQ(list, nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(frame.isNull());

    App().ExitInstance();
    EXPECT_EQ(App().m_satelliteList, nullptr);
}

TEST_F(AppTest, ExitClosesTheWindowThroughTheSameSequence) {
    Start();
    Choose(ID_CREATE_1);
    Choose(ID_APP_EXIT);
    EXPECT_FALSE(App().m_graphs[0]);
    EXPECT_EQ(App().m_camMenu, nullptr);
    EXPECT_FALSE(Frame().isVisible());
}

TEST(FileFilter, PairsBecomeQtFiltersThatKeepTheirTextAndFilterByThePattern) {
    EXPECT_EQ(ToQtFileFilter("TransportStream (*.ts)|*.ts|All Files (*.*)|*.*||"),
              "TransportStream (*.ts) (*.ts);;All Files (*.*) (*)");
    // The text's own "(*.BMP)" is only shown; the pattern decides.
    EXPECT_EQ(ToQtFileFilter("BMP Image (*.BMP)|*.bmp|GIF Image (*.gif)|*.gif||"),
              "BMP Image (*.BMP) (*.bmp);;GIF Image (*.gif) (*.gif)");
    EXPECT_EQ(ToQtFileFilter("PNG Image (*.png)|*.png|"), "PNG Image (*.png) (*.png)");
    EXPECT_EQ(ToQtFileFilter("Lists|*.csv;*.txt||ignored|*.x|"), "Lists (*.csv *.txt)");
    EXPECT_EQ(ToQtFileFilter(""), "");
}

TEST(FileFilter, AFileDialogShowsEachTextAsWrittenAndAllFilesMatchesNamesWithoutADot) {
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);  // its widgets are looked at
    SetFileFilter(dialog, "TransportStream (*.ts)|*.ts|All Files (*.*)|*.*||");
    const auto* types = dialog.findChild<QComboBox*>("fileTypeCombo");
    ASSERT_NE(types, nullptr);
    QStringList shown;
    for (int i = 0; i < types->count(); ++i) shown << types->itemText(i);
    EXPECT_EQ(shown, (QStringList{"TransportStream (*.ts)", "All Files (*.*)"}));

    const auto* files = dialog.findChild<QFileSystemModel*>();
    ASSERT_NE(files, nullptr);
    EXPECT_FALSE(QDir::match(files->nameFilters(), "Record_1"));
    dialog.selectNameFilter(dialog.nameFilters().at(1));
    for (const char* name : {"Record_1", "Record_1.ts", "spectrum.csv", ".hidden"}) {
        EXPECT_TRUE(QDir::match(files->nameFilters(), name)) << name;
    }
}

}  // namespace
}  // namespace app_test

// The commands that create and destroy graphs, build the channel items and tune.
#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QtTest/QTest>

#include "AppFixture.h"
#include "app/CommandIds.h"
#include "dialogs/SCIFSettings.h"

namespace app_test {
namespace {

std::vector<int> Range(int first, int count) {
    std::vector<int> ids;
    for (int i = 0; i < count; ++i) ids.push_back(first + i);
    return ids;
}

QByteArray ChannelList(int channels, const char* prefix) {
    QByteArray text = "NAME,FREQ,POL,SR,ONID,TSID,SID\n";
    for (int i = 0; i < channels; ++i) {
        text += QByteArray(prefix) + QByteArray::number(i) + ",10729,H,23000,1101,11011,1104\n";
    }
    return text;
}

TEST_F(AppTest, CreateTwiceGivesOneGraphAndOneSetOfChannelItems) {
    Start();
    Choose(ID_CREATE_1);
    Choose(ID_CREATE_1);
    ASSERT_TRUE(App().m_graphs[0]);
    EXPECT_FALSE(App().m_graphs[1]);
    for (int lnbSource = 1; lnbSource <= 4; ++lnbSource) {
        const int slot = lnbSource - 1;
        const auto& list = App().m_channelLists[slot];
        ASSERT_NE(list, nullptr);
        ASSERT_GT(list->count, 0);
        const QMenu& popup = SatPopup(1, lnbSource);
        EXPECT_EQ(IdsIn(popup), Range(ChannelCommandId(slot, 0), list->count));
        for (int i = 0; i < list->count; ++i) {
            EXPECT_EQ(popup.actions()[i]->text(),
                      QString::fromStdU16String(*list->records[i]->name));
        }
        EXPECT_TRUE(SatPopup(2, lnbSource).actions().isEmpty());
    }
}

TEST_F(AppTest, EachSatPopupHoldsTheIdRangeOfItsSlot) {
    // 105 lines: only the first 100 channels are kept.
    scratch.Write("T2-LNB3-C-Kormat.csv", ChannelList(105, "Channel "));
    Start();
    Choose(ID_CREATE_2);
    EXPECT_EQ(IdsIn(SatPopup(2, 3)), Range(16000, 100));
    EXPECT_EQ(SatPopup(2, 3).actions().back()->text(), "Channel 99");
    EXPECT_EQ(IdsIn(SatPopup(2, 1)).front(), 14000);
    EXPECT_EQ(IdsIn(SatPopup(2, 2)).front(), 15000);
    EXPECT_EQ(IdsIn(SatPopup(2, 4)).front(), 17000);
    Choose(ID_CREATE_1);
    for (int lnbSource = 1; lnbSource <= 4; ++lnbSource) {
        EXPECT_EQ(IdsIn(SatPopup(1, lnbSource)).front(), 10000 + 1000 * (lnbSource - 1));
    }
}

TEST_F(AppTest, AChannelItemTunesItsTunerWithItsLnbSourceAndFillsTheMeters) {
    Start();
    Choose(ID_CREATE_ALL);
    const auto tuned = [this](int tuner, int lnbSource) {
        SCOPED_TRACE(testing::Message() << "tuner " << tuner << " Sat " << lnbSource);
        const int slot = (tuner - 1) * 4 + lnbSource - 1;
        const orvalen::ChannelRecord& channel = *App().m_channelLists[slot]->records[0];
        SignalMeters& meters = App().m_meters;
        meters.Update(tuner - 1, 70000, 90);  // the old channel's peaks,
        meters.Update(tuner - 1, 60000, 80);  // above its last values
        SatPopup(tuner, lnbSource).actions().front()->trigger();
        // A new tune, new peaks: all four values start again from zero.
        EXPECT_EQ(meters.m_level[tuner - 1], 0u);
        EXPECT_EQ(meters.m_peakLevel[tuner - 1], 0u);
        EXPECT_EQ(meters.m_quality[tuner - 1], 0u);
        EXPECT_EQ(meters.m_peakQuality[tuner - 1], 0u);
        ASSERT_TRUE(WaitFor([&] {
            const card::TunerStatus status = simulatedCard->Status(tuner);
            return status.locked && status.locked->tsid == channel.tsid;
        }));
        EXPECT_EQ(simulatedCard->Status(tuner).lnb.position, lnbSource);
        EXPECT_TRUE(WaitFor([&] {
            return App().m_meters.m_level[tuner - 1] > 0 && App().m_meters.m_quality[tuner - 1] > 0;
        }));
    };
    tuned(2, 1);
    tuned(1, 4);
    EXPECT_EQ(simulatedCard->Status(2).lnb.position, 1);
}

// Helion 10883 V carries input streams 0, 5 and 12 (the last behind gold code 8).
TEST_F(AppTest, AChannelsSystemAndStreamReachTheCard) {
    scratch.Write("T1-LNB1-A-Helion.csv",
                  "NAME,FREQ,POL,SR,SYS,ISI,PLS,TSID\n"
                  "Five,10883,V,45000,DVB-S2,5,,11201\n"
                  "Twelve,10883,V,45000,DVB-S2,12,8,11202\n"
                  "First,10883,V,45000,,,,11026\n");
    Start();
    Choose(ID_CREATE_1);
    const auto& list = *App().m_channelLists[0];
    ASSERT_EQ(list.count, 3);
    for (int i = 0; i < list.count; ++i) {
        SCOPED_TRACE(i);
        Choose(ChannelCommandId(0, i));
        EXPECT_TRUE(WaitFor([&] {
            const card::TunerStatus status = simulatedCard->Status(1);
            return status.locked && status.locked->tsid == list.records[i]->tsid;
        }));
    }
}

TEST_F(AppTest, CreatingOrDestroyingATunersGraphZeroesThatTunersMetersOnly) {
    Start();
    SignalMeters& meters = App().m_meters;
    const auto fill = [&meters] {
        for (int index : {0, 1}) {
            meters.Update(index, 70000, 90);
            meters.Update(index, 60000, 80);
        }
    };
    const auto zeroed = [&meters](int index) {
        return meters.m_level[index] == 0 && meters.m_peakLevel[index] == 0 &&
               meters.m_quality[index] == 0 && meters.m_peakQuality[index] == 0;
    };
    for (int command : {ID_CREATE_2, ID_DESTROY_2}) {
        SCOPED_TRACE(command);
        fill();
        Choose(command);
        EXPECT_TRUE(zeroed(1));
        EXPECT_EQ(meters.m_peakQuality[0], 90u);
    }
}

TEST_F(AppTest, AChannelIdPastItsListOrWithoutGraphDoesNothing) {
    Start();
    Choose(ID_CREATE_1);
    const int count = App().m_channelLists[0]->count;
    App().m_meters.m_level[0] = 7;
    App().OnCommand(ChannelCommandId(0, count));
    App().OnCommand(ChannelCommandId(0, 999));
    App().OnCommand(ChannelCommandId(5, 0));   // tuner 2 has no graph and no lists
    EXPECT_EQ(App().m_meters.m_level[0], 7u);  // a tune would have reset it
}

TEST_F(AppTest, RecordPromptsForTheTunersFileAndACancelLeavesTheGraphWithout) {
    Start();
    Choose(ID_RECORD_2);
    ASSERT_EQ(prompts.fileDialogs.size(), 1u);
    const FileDialogSpec& asked = prompts.fileDialogs[0];
    EXPECT_TRUE(asked.save);
    EXPECT_EQ(asked.defaultExtension, "ts");
    EXPECT_EQ(asked.initialName, "Record_2");
    EXPECT_EQ(asked.filter, "TransportStream (*.ts)|*.ts|All Files (*.*)|*.*||");
    ASSERT_TRUE(App().m_graphs[1]);
    EXPECT_EQ(App().m_graphs[1]->m_recording, 1);
    EXPECT_FALSE(SatPopup(2, 1).actions().isEmpty());
    EXPECT_FALSE(QFile::exists(scratch.Path("Record_2.ts")));

    prompts.fileAnswers.push_back(scratch.Path("first.ts"));
    Choose(ID_RECORD_1);
    EXPECT_EQ(prompts.fileDialogs.back().initialName, "Record_1");
    EXPECT_TRUE(QFile::exists(scratch.Path("first.ts")));  // the writer holds the file open
    Choose(ID_CREATE_1);                                   // a plain graph ends the recording
    EXPECT_EQ(App().m_graphs[0]->m_recording, 0);
    EXPECT_EQ(prompts.fileDialogs.size(), 2u);
}

TEST_F(AppTest, ListFilesAreReReadAtCreateTheSatelliteListOnlyAfterDestroyAll) {
    Start();
    Choose(ID_CREATE_1);
    const int helionCount = App().m_channelLists[0]->count;
    scratch.Write("Other.csv", ChannelList(2, "Other "));
    scratch.Write("SatelliteList.csv", "NAME,Tuner,LNBSource,ChannelList\nOther,1,1,Other.csv\n");
    scratch.Write("T1-LNB2-B-Vestra.csv", ChannelList(3, "Edited "));

    Choose(ID_DESTROY_1);
    Choose(ID_CREATE_1);
    EXPECT_EQ(SatPopup(1, 1).actions().size(), helionCount);  // same satellite list
    EXPECT_EQ(SatPopup(1, 2).actions().size(), 3);            // channel list re-read
    EXPECT_EQ(SatPopup(1, 2).actions().front()->text(), "Edited 0");

    Choose(ID_DESTROY_ALL);
    EXPECT_EQ(App().m_satelliteList, nullptr);
    EXPECT_TRUE(SatPopup(1, 1).actions().isEmpty());
    Choose(ID_CREATE_1);
    EXPECT_EQ(IdsIn(SatPopup(1, 1)), Range(10000, 2));
    EXPECT_TRUE(SatPopup(1, 2).actions().isEmpty());
}

TEST_F(AppTest, UnicableRunsItsDialogOnFreshGraphsOfBothTunersAndLeavesNone) {
    Start();
    bool sawGraphs = false;
    prompts.onModal = [&](QDialog& dialog) {
        sawGraphs = dynamic_cast<CSCIFSettings*>(&dialog) && App().m_graphs[0] &&
                    App().m_graphs[0]->m_ready && App().m_graphs[1] && App().m_graphs[1]->m_ready;
        return int{QDialog::Accepted};
    };
    Choose(ID_UNICABLE);
    EXPECT_TRUE(sawGraphs);
    EXPECT_FALSE(App().m_graphs[0] || App().m_graphs[1]);
    EXPECT_TRUE(SatPopup(1, 1).actions().isEmpty());
    EXPECT_TRUE(SatPopup(2, 1).actions().isEmpty());
    EXPECT_EQ(ItemText(ID_CAM_MENU), "CAM: None");
}

TEST_F(AppTest, DiseqcSendsTheStoredMessageOnlyAfterOkAndOnlyWithAGraph) {
    Start();
    Choose(ID_DISEQC_1);
    EXPECT_TRUE(prompts.modalTitles.empty());  // no graph: no dialog

    Choose(ID_CREATE_2);
    const auto sent = [this](const std::vector<std::uint8_t>& bytes) {
        for (const card::BusMessage& message : simulatedCard->BusLog()) {
            if (message.tuner == 2 && message.bytes == bytes) return true;
        }
        return false;
    };
    prompts.onModal = [](QDialog&) { return int{QDialog::Rejected}; };
    Choose(ID_DISEQC_2);
    EXPECT_EQ(prompts.modalTitles.size(), 1u);

    // The user types a message and confirms it: the dialog stores it, the tuner sends it.
    prompts.onModal = [](QDialog& dialog) {
        QTest::keyClicks(dialog.findChild<QLineEdit*>(), "E0 10 38 F3");
        dialog.accept();
        return dialog.result();
    };
    Choose(ID_DISEQC_2);
    EXPECT_TRUE(WaitFor([&] { return sent({0xE0, 0x10, 0x38, 0xF3}); }));
    EXPECT_EQ(App().m_diseqcLength, 4);
    EXPECT_FALSE(sent({0xE0, 0x10, 0x5A, 0x00, 0x00}));  // the cancelled dialog sent nothing
}

}  // namespace
}  // namespace app_test

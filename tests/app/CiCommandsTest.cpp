// The CI menu: the CAM's name on its first item, the CAM menu, CAM reset and the CI mode.
#include <QAction>

#include "AppFixture.h"
#include "app/CommandIds.h"
#include "tuner/driver/CiMode.h"

namespace app_test {
namespace {

TEST_F(AppTest, TheCamItemShowsTunerOnesCamWhileItsGraphLives) {
    config.camName = "Kestrel CAM 2.04";
    Start();
    Choose(ID_CREATE_2);  // tuner 2 never touches the item
    EXPECT_EQ(ItemText(ID_CAM_MENU), "CAM Menu ...");
    Choose(ID_CREATE_1);
    EXPECT_EQ(ItemText(ID_CAM_MENU), "CAM:Kestrel CAM 2.04");
    EXPECT_EQ(App().m_camMenu->m_camGraph, App().m_graphs[0].get());
    EXPECT_EQ(App().m_camMenu->m_objectId, 0u);
    Choose(ID_DESTROY_1);
    EXPECT_EQ(ItemText(ID_CAM_MENU), "CAM: None");
    EXPECT_EQ(App().m_camMenu->m_camGraph, nullptr);
    Choose(ID_DESTROY_2);
    EXPECT_EQ(ItemText(ID_CAM_MENU), "CAM: None");
}

TEST_F(AppTest, WithoutACamTheItemShowsNone) {
    config.camPresent = false;
    Start();
    Choose(ID_CREATE_1);
    EXPECT_EQ(ItemText(ID_CAM_MENU), "CAM:None");
    Choose(ID_DESTROY_ALL);
    EXPECT_EQ(ItemText(ID_CAM_MENU), "CAM: None");
}

TEST_F(AppTest, ACamNameThatTheCharacterSetCannotDecodeStillShows) {
    config.camName = "Kestrel \xFF\xFE";  // valid in no multi-byte set, nor in ASCII
    Start();
    Choose(ID_CREATE_1);
    EXPECT_TRUE(ItemText(ID_CAM_MENU).startsWith("CAM:Kestrel "))
        << ItemText(ID_CAM_MENU).toStdString();
}

TEST_F(AppTest, CamMenuOpensTheCamsMenuWhichTheTimerThenShows) {
    Start();
    Choose(ID_CAM_MENU);  // no graph: nothing
    EXPECT_EQ(App().m_camMenu->m_mmiState, 0);

    Choose(ID_CREATE_1);
    Choose(ID_CAM_MENU);
    EXPECT_EQ(App().m_camMenu->m_countdown, 100);
    EXPECT_NE(App().m_camMenu->m_mmiState, 0);
    EXPECT_TRUE(WaitFor([this] { return App().m_camMenu->isVisible(); }));
}

TEST_F(AppTest, TheCamDialogNeverPollsAGraphThatIsGone) {
    Start();
    Choose(ID_CREATE_1);
    // The record prompt runs a modal loop, in which the 100 ms timer keeps polling.
    prompts.duringFileDialog = [this](const FileDialogSpec&) {
        EXPECT_TRUE(App().m_camMenu->m_camGraph == nullptr ||
                    App().m_camMenu->m_camGraph == App().m_graphs[0].get());
        App().OnCamPollTimer();
    };
    Choose(ID_RECORD_1);
    EXPECT_EQ(App().m_camMenu->m_camGraph, App().m_graphs[0].get());
}

TEST_F(AppTest, ResetCamGoesThroughTunerOneElseTunerTwo) {
    Start();
    Choose(ID_RESET_CAM);
    EXPECT_EQ(simulatedCard->CamRestarts(), 0u);
    Choose(ID_CREATE_2);
    Choose(ID_RESET_CAM);
    EXPECT_EQ(simulatedCard->CamRestarts(), 1u);
    Choose(ID_CREATE_1);
    Choose(ID_DESTROY_2);
    Choose(ID_RESET_CAM);
    EXPECT_EQ(simulatedCard->CamRestarts(), 2u);
}

TEST_F(AppTest, TheCiModeReachesOnlyGraphsBuiltAfterIt) {
    Start();
    Choose(ID_CREATE_1);
    EXPECT_EQ(simulatedCard->Status(1).ciMode, kCiModeMtd);

    Choose(ID_CI_BYPASS);
    EXPECT_EQ(App().m_ciModeFlags, GraphFlagCiBypass);
    EXPECT_TRUE(Item(ID_CI_BYPASS)->isChecked());
    EXPECT_FALSE(Item(ID_CI_MTD)->isChecked());
    EXPECT_EQ(simulatedCard->Status(1).ciMode, kCiModeMtd);  // the existing graph keeps its mode
    Choose(ID_CREATE_2);
    EXPECT_EQ(simulatedCard->Status(2).ciMode, kCiModeBypass);

    Choose(ID_CI_SINGLE_TRANSPONDER);
    EXPECT_EQ(App().m_ciModeFlags, GraphFlagCiSingleTransponder);
    Choose(ID_RECORD_1);  // the record bit joins the mode
    EXPECT_EQ(simulatedCard->Status(1).ciMode, kCiModeSingleTransponder);
    EXPECT_EQ(App().m_graphs[0]->m_recording, 1);

    Choose(ID_CI_MTD);
    EXPECT_EQ(App().m_ciModeFlags, 0u);
    EXPECT_TRUE(Item(ID_CI_MTD)->isChecked());
    EXPECT_FALSE(Item(ID_CI_SINGLE_TRANSPONDER)->isChecked());
}

}  // namespace
}  // namespace app_test

// The application over the Linux backend, the simulated module in the slot: the CI
// menu names the module (also one still starting when tuner 1's graph is built), and the CAM
// menu dialog, polled by the main frame's timer, walks the module's menus to the PIN enquiry and
// back, and goes idle when the module is pulled out in the middle.
#include <gtest/gtest.h>

#include <QLabel>
#include <QListWidget>
#include <optional>

#include "AppFixture.h"
#include "DialogDriver.h"
#include "ModuleCard.h"
#include "app/CommandIds.h"
#include "dialogs/CamMenu.h"
#include "faults/BoundedWait.h"

namespace {

// Outlives the application (a base constructed before it): its slot threads still read the
// module while the application's graphs go.
struct SlotWithModule {
    std::optional<linuxdvb::en50221::SimulatedModule> module;
    std::shared_ptr<linuxdvb_test::FakeKernel> kernel =
        std::make_shared<linuxdvb_test::FakeKernel>();
    std::shared_ptr<linuxdvb::DvbCard> card;
};

class AppCamTest : protected SlotWithModule, public app_test::AppTest {
protected:
    // The Linux backend alone: the simulated card registers no device.
    void StartOnModule(linuxdvb::en50221::ModuleQuirks quirks = {}) {
        module.emplace(linuxdvb::en50221::SimulatedModule::kDefaultName, quirks);
        card = linuxdvb_test::InstallCardWithModule(kernel, *module);
        ASSERT_TRUE(WaitUntil(linuxdvb_test::ProgramSeesCamName));
        StartApp();
    }
    void StartApp() {
        config.tunerCategory.clear();
        config.receiverCategory.clear();
        Start();
    }
    CCamMenu& Menu() { return *App().m_camMenu; }
    QString Title() { return FindControl<QLabel>(&Menu(), kIdcCamTitle)->text(); }
    bool Shows(const QString& title) {
        return app_test::WaitFor([&] { return Menu().isVisible() && Title() == title; });
    }
};

TEST_F(AppCamTest, CiMenuNamesTheModuleAndTheCamMenuWalksToThePinEnquiryAndBack) {
    StartOnModule();
    Choose(ID_CREATE_1);
    EXPECT_EQ(ItemText(ID_CAM_MENU), "CAM:Kestrel CAM");

    Choose(ID_CAM_MENU);
    ASSERT_TRUE(Shows("Kestrel CAM"));
    auto* items = FindControl<QListWidget>(&Menu(), kIdcCamItems);
    ASSERT_EQ(items->count(), 4);
    items->setCurrentRow(1);  // parental control: the PIN first
    Click(Menu(), kIdOk);
    ASSERT_TRUE(Shows("Please enter your 4-digit PIN"));
    EXPECT_EQ(Menu().m_mmiState, kMmiEnquiry);
    Click(Menu(), kIdCancel);  // back to the main menu
    ASSERT_TRUE(Shows("Kestrel CAM"));
    EXPECT_EQ(Menu().m_mmiState, kMmiMenu);
    Click(Menu(), kIdCancel);  // leaving the main menu ends the dialogue
    EXPECT_TRUE(app_test::WaitFor([&] { return !Menu().isVisible(); }));
    EXPECT_EQ(Menu().m_mmiState, kMmiIdle);
}

TEST_F(AppCamTest, AModuleStillStartingReadsNotReadyUntilItIsNamedWhileTunerOnesGraphLives) {
    module.emplace();
    module->KeepStarting(true);
    card = linuxdvb_test::InstallCardWithModule(kernel, *module);
    ASSERT_TRUE(WaitUntil(linuxdvb_test::ProgramSeesModuleStarting));
    StartApp();
    Choose(ID_CREATE_1);
    EXPECT_EQ(ItemText(ID_CAM_MENU), "CAM:Not ready");
    module->KeepStarting(false);
    EXPECT_TRUE(app_test::WaitFor([&] { return ItemText(ID_CAM_MENU) == "CAM:Kestrel CAM"; }));

    // The graph goes while the module starts again: the item keeps the text of a graph gone.
    module->KeepStarting(true);
    ASSERT_TRUE(WaitUntil(linuxdvb_test::ProgramSeesModuleStarting));
    Choose(ID_CREATE_1);
    EXPECT_EQ(ItemText(ID_CAM_MENU), "CAM:Not ready");
    Choose(ID_DESTROY_1);
    module->KeepStarting(false);
    ASSERT_TRUE(WaitUntil(linuxdvb_test::ProgramSeesCamName));
    app_test::WaitFor([] { return false; }, std::chrono::milliseconds(300));  // a few ticks
    EXPECT_EQ(ItemText(ID_CAM_MENU), "CAM: None");
}

TEST_F(AppCamTest, AModulePulledOutInTheDialogueLeavesTheCamMenuIdleAndComesBack) {
    linuxdvb::en50221::ModuleQuirks quirks;
    quirks.removeInDialogue = true;
    StartOnModule(quirks);
    Choose(ID_CREATE_1);
    Choose(ID_CAM_MENU);
    ASSERT_TRUE(Shows("Kestrel CAM"));
    FindControl<QListWidget>(&Menu(), kIdcCamItems)->setCurrentRow(1);
    Click(Menu(), kIdOk);
    EXPECT_TRUE(app_test::WaitFor([&] { return !Menu().isVisible(); }));
    EXPECT_EQ(Menu().m_mmiState, kMmiIdle);

    module->Insert();
    ASSERT_TRUE(WaitUntil(linuxdvb_test::ProgramSeesCamName));
    Choose(ID_CAM_MENU);
    EXPECT_TRUE(Shows("Kestrel CAM"));
}

}  // namespace

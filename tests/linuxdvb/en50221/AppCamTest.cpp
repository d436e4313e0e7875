// The application over the Linux backend, the simulated module in the slot: the CI
// menu names the module, and the CAM menu dialog, polled by the main frame's timer, walks the
// module's menus to the PIN enquiry and back.
#include <gtest/gtest.h>

#include <QLabel>
#include <QListWidget>

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
    linuxdvb::en50221::SimulatedModule module;
    std::shared_ptr<linuxdvb_test::FakeKernel> kernel =
        std::make_shared<linuxdvb_test::FakeKernel>();
    std::shared_ptr<linuxdvb::DvbCard> card;
};

class AppCamTest : private SlotWithModule, public app_test::AppTest {
protected:
    // The Linux backend alone: the simulated card registers no device.
    void StartOnModule() {
        card = linuxdvb_test::InstallCardWithModule(kernel, module);
        ASSERT_TRUE(WaitUntil(linuxdvb_test::ProgramSeesCamName));
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

}  // namespace

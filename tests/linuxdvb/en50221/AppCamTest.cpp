// The application over the Linux backend's CI devices, the simulated module in the slot: the CI
// menu names the module, and the CAM menu dialog, polled by the main frame's timer, walks the
// module's menus to the PIN enquiry and back.
#include <gtest/gtest.h>

#include <QLabel>
#include <QListWidget>
#include <algorithm>

#include "AppFixture.h"
#include "DialogDriver.h"
#include "FakeKernel.h"
#include "SimulatedModule.h"
#include "app/CommandIds.h"
#include "dialogs/CamMenu.h"
#include "faults/BoundedWait.h"
#include "linuxdvb/InstallDvbCi.h"

namespace {

// Outlives the application (a base constructed before it): its slot threads still read the
// module while the application's graphs go.
struct SlotWithModule {
    linuxdvb::en50221::SimulatedModule module;
    std::shared_ptr<linuxdvb_test::FakeKernel> kernel =
        std::make_shared<linuxdvb_test::FakeKernel>();
    std::vector<linuxdvb::CiDevice> ci;
};

class AppCamTest : private SlotWithModule, public app_test::AppTest {
protected:
    // The CA device and the simulated card's tuners, without the simulated card's own CI.
    void StartOnModule() {
        for (int tuner = 0; tuner < 2; ++tuner) {
            kernel->AddFrontend(0, tuner);
            kernel->AddDemux(0, tuner);
        }
        kernel->AddCaDevice(0, 0, module.Io());
        const auto scan = linuxdvb::ScanFrontends(*kernel, kernel->Root(), {});
        for (const auto& frontend : scan.frontends) kernel->Close(frontend.fd);
        ci = linuxdvb::InstallDvbCi(kernel, scan.frontends);
        ASSERT_TRUE(WaitUntil([&] { return ci.at(0).slot->CamName().has_value(); }));
        std::erase_if(config.receiverCategory, [](const card::DeviceSpec& device) {
            return device.kind == card::DeviceKind::Ci;
        });
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

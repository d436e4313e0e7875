// The host over a CA device against a module that behaves like real ones: quirks chosen by a
// string, a device another program holds at start-up, every quirk at once through the CI driver,
// and a module pulled out in the middle of its dialogue.
#include <gtest/gtest.h>

#include <array>

#include "SimulatedModule.h"
#include "faults/BoundedWait.h"
#include "linuxdvb/CaDevice.h"
#include "linuxdvb/CamCiDriver.h"

namespace linuxdvb::en50221 {
namespace {

TEST(ModuleQuirksTest, NamedQuirksAreSetAndUnknownOnesAreNamed) {
    std::string error;
    const auto quirks = ParseModuleQuirks("late=1500,stray-after-reset,count-ff,chain=8", &error);
    ASSERT_TRUE(quirks);
    EXPECT_EQ(quirks->lateCreateReply, std::chrono::milliseconds(1500));
    EXPECT_TRUE(quirks->strayAfterReset);
    EXPECT_TRUE(quirks->countNotGiven);
    EXPECT_EQ(quirks->chainBytes, 8u);
    EXPECT_FALSE(quirks->freshMmiSession);
    EXPECT_TRUE(ParseModuleQuirks("", &error));
    EXPECT_TRUE(ParseModuleQuirks("all", &error)->freshMmiSession);
    for (const char* wrong : {"late", "late=x", "chain=0", "count-ff=1", "fast"}) {
        EXPECT_FALSE(ParseModuleQuirks(std::string("ai-v3,") + wrong, &error)) << wrong;
        EXPECT_EQ(error, wrong);
    }
}

TEST(ModuleQuirksTest, EveryQuirkAtOnceNamesTheModuleAndItsCountlessMenuTakesEveryItem) {
    SimulatedModule module(SimulatedModule::kDefaultName, AllQuirks());
    const auto slot = std::make_shared<CamSlot>(CaDevice::Open(module.Io(), "ca0"));
    CamCiDriver driver{slot, std::make_shared<ServiceDescrambler>(slot, 1)};
    ASSERT_TRUE(WaitUntil([&] { return slot->CamName() && !slot->CaSystemIds().empty(); }));
    EXPECT_EQ(slot->CaSystemIds(), std::vector<std::uint16_t>{SimulatedModule::kCaSystemId});
    ASSERT_TRUE(WaitUntil([&] { return module.DataRate().has_value(); }));
    EXPECT_EQ(module.DataRate(), std::optional<std::uint8_t>(0x00));  // 72 Mbit/s

    ASSERT_EQ(slot->EnterMenu(), CamSlot::Result::Ok);
    ASSERT_TRUE(WaitUntil([&] { return slot->Display().has_value(); }));
    const auto [menu, id] = *slot->Display();
    EXPECT_EQ(menu.count, 4u);  // the items that came, though the module sent no count
    EXPECT_EQ(driver.MmiAnswerMenu(id, 2), S_OK);
    ASSERT_TRUE(WaitUntil([&] {
        const auto shown = slot->Display();
        return shown && shown->first.kind == MmiDisplay::kEnquiry;
    }));
}

TEST(ModuleQuirksTest, AModulePulledOutInItsDialogueLeavesAnEmptySlotAndComesBackNamed) {
    ModuleQuirks quirks;
    quirks.removeInDialogue = true;
    SimulatedModule module(SimulatedModule::kDefaultName, quirks);
    const auto slot = std::make_shared<CamSlot>(CaDevice::Open(module.Io(), "ca0"));
    CamCiDriver driver{slot, std::make_shared<ServiceDescrambler>(slot, 1)};
    ASSERT_TRUE(WaitUntil([&] { return slot->CamName().has_value(); }));
    ASSERT_EQ(slot->EnterMenu(), CamSlot::Result::Ok);
    ASSERT_TRUE(WaitUntil([&] { return slot->Display().has_value(); }));
    ASSERT_EQ(slot->AnswerMenu(slot->Display()->second, 2), CamSlot::Result::Ok);

    ASSERT_TRUE(WaitUntil([&] { return !slot->ModulePresent(); }));
    EXPECT_FALSE(slot->Display());
    std::array<std::uint8_t, 2068> object{};
    EXPECT_EQ(driver.MmiGet(object), HRESULT_ERROR_NOT_READY);
    std::string name;
    EXPECT_EQ(driver.CamName(&name), HRESULT_ERROR_NOT_READY);  // an empty slot
    EXPECT_EQ(driver.MmiOpen(), HRESULT_ERROR_NOT_READY);

    module.Insert();
    ASSERT_TRUE(WaitUntil([&] { return SUCCEEDED(driver.CamName(&name)); }));
    EXPECT_EQ(name, SimulatedModule::kDefaultName);
    ASSERT_EQ(driver.MmiOpen(), S_OK);
    EXPECT_TRUE(WaitUntil([&] { return module.Page() == ModulePage::Main; }));
    EXPECT_TRUE(WaitUntil([&] { return SUCCEEDED(driver.MmiGet(object)); }));
}

TEST(ModuleQuirksTest, ADeviceHeldByAnotherProgramIsTriedAgainUntilItOpens) {
    SimulatedModule module;
    module.HoldDevice(true);
    int error = 0;
    EXPECT_FALSE(CaDevice::Open(module.Io(), "ca0", &error));
    EXPECT_EQ(error, -EBUSY);
    auto device = CaDevice::OpenWhenFree(module.Io(), "ca0");
    EXPECT_FALSE(device->QuerySlot()->present);
    CamSlot slot(std::move(device));
    module.HoldDevice(false);
    EXPECT_TRUE(WaitUntil([&] { return slot.CamName().has_value(); }));
}

TEST(ModuleQuirksTest, AModuleThatAsksForAResetIsReset) {
    SimulatedModule module;
    const auto slot = std::make_shared<CamSlot>(CaDevice::Open(module.Io(), "ca0"));
    ASSERT_TRUE(WaitUntil([&] { return slot->CamName().has_value(); }));
    const std::uint32_t resets = module.Resets();
    module.AskForReset();
    EXPECT_TRUE(WaitUntil([&] { return module.Resets() == resets + 1; }));
    EXPECT_TRUE(WaitUntil([&] { return slot->CamName().has_value(); }));
}

// The kernel keeps a module's connection across our close and open: a module that does not
// start afresh on a second create_t_c is reset before the host talks to it.
TEST(ModuleQuirksTest, AModuleAnEarlierRunLeftConnectedIsResetBeforeItIsTalkedTo) {
    ModuleQuirks quirks;
    quirks.keepConnection = true;
    SimulatedModule module(SimulatedModule::kDefaultName, quirks);
    {
        CamSlot earlier(CaDevice::Open(module.Io(), "ca0"));
        ASSERT_TRUE(WaitUntil([&] { return earlier.CamName().has_value(); }));
    }
    const std::uint32_t resets = module.Resets();
    CamSlot slot(CaDevice::Open(module.Io(), "ca0"));
    EXPECT_TRUE(WaitUntil([&] { return slot.CamName().has_value(); }));
    EXPECT_EQ(module.Resets(), resets + 1);
}

TEST(ModuleQuirksTest, AModuleThatFellSilentIsResetRatherThanConnectedAgain) {
    SimulatedModule module;
    CamSlot slot(CaDevice::Open(module.Io(), "ca0"));
    ASSERT_TRUE(WaitUntil([&] { return slot.CamName().has_value(); }));
    const std::uint32_t resets = module.Resets();
    module.Hang();
    ASSERT_TRUE(WaitUntil([&] { return !slot.CamName(); }));
    EXPECT_TRUE(WaitUntil([&] { return slot.CamName().has_value(); }));
    EXPECT_EQ(module.Resets(), resets + 1);
}

}  // namespace
}  // namespace linuxdvb::en50221

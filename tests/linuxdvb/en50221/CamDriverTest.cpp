// The CI driver of a real card over a CA device, with the simulated module in the slot: what
// the CI filter answers through a whole dialogue, while the module splits, restarts, closes,
// corrupts and repeats what it says.
#include <gtest/gtest.h>

#include <cstring>

#include "SimulatedModule.h"
#include "cardkit/ByteOrder.h"
#include "cardkit/CardIds.h"
#include "cardkit/CiFilterShell.h"
#include "faults/BoundedWait.h"
#include "linuxdvb/CaDevice.h"
#include "linuxdvb/CamCiDriver.h"
#include "tuner/driver/KsRequestHeader.h"

namespace linuxdvb::en50221 {
namespace {

struct Object {
    std::uint32_t id = 0, type = 0, count = 0;
    std::vector<std::string> strings;
};

class CamDriverTest : public ::testing::Test {
protected:
    CamDriverTest() {
        EXPECT_TRUE(WaitUntil([&] { return Name() == SimulatedModule::kDefaultName; }));
    }

    std::string Name() {
        std::string name;
        return SUCCEEDED(driver.CamName(&name)) ? name : std::string();
    }
    // The object the driver shows, id 0 when none.
    Object Get() {
        std::array<std::uint8_t, 2068> raw{};
        Object object;
        if (FAILED(driver.MmiGet(raw))) return object;
        object.id = cardkit::ReadLe32(&raw[0]);
        object.type = cardkit::ReadLe32(&raw[4]);
        object.count = cardkit::ReadLe32(&raw[8]);
        const std::uint32_t length = cardkit::ReadLe32(&raw[12]);
        for (std::uint32_t at = 16; at < 16 + length;) {
            object.strings.emplace_back(reinterpret_cast<const char*>(&raw[at]));
            at += static_cast<std::uint32_t>(object.strings.back().size()) + 1;
        }
        return object;
    }
    // Waits for an object other than `previous` (or for none, when `none`).
    Object Next(std::uint32_t previous) {
        Object object;
        EXPECT_TRUE(WaitUntil([&] {
            object = Get();
            return object.id != 0 && object.id != previous;
        }));
        return object;
    }
    bool Gone() {
        return WaitUntil([&] { return Get().id == 0; });
    }
    Object OpenMenu() {
        const std::uint32_t before = Get().id;
        EXPECT_EQ(driver.MmiOpen(), S_OK);
        return Next(before);
    }

    SimulatedModule module;
    std::shared_ptr<CamSlot> slot =
        std::make_shared<CamSlot>(CaDevice::Open(module.Io(), "/dev/dvb/adapter0/ca0"));
    std::shared_ptr<ServiceDescrambler> descrambler = std::make_shared<ServiceDescrambler>(slot, 1);
    CamCiDriver driver{slot, descrambler};
};

TEST_F(CamDriverTest, NamedAfterStartUpAndAgainAfterAReset) {
    EXPECT_EQ(Name(), "Kestrel CAM");
    const Object menu = OpenMenu();
    const std::uint32_t resets = module.Resets();
    EXPECT_EQ(driver.Reset(), S_OK);
    EXPECT_EQ(Get().id, 0u);  // the dialogue ends at once
    std::string name;
    EXPECT_EQ(driver.CamName(&name), HRESULT_ERROR_BUSY);  // there, starting again
    EXPECT_TRUE(WaitUntil([&] { return Name() == "Kestrel CAM"; }));
    EXPECT_EQ(module.Resets(), resets + 1);
    EXPECT_GT(OpenMenu().id, menu.id);  // ids are never reused

    module.Remove();
    EXPECT_TRUE(WaitUntil([&] { return driver.Reset() == HRESULT_ERROR_NOT_READY; }));
    EXPECT_EQ(driver.MmiOpen(), HRESULT_ERROR_NOT_READY);
    module.Insert();
    EXPECT_TRUE(WaitUntil([&] { return Name() == "Kestrel CAM"; }));
}

TEST_F(CamDriverTest, WalksMenuListAndPinEnquiryWithFreshIdsBackAndCancel) {
    const Object main = OpenMenu();
    EXPECT_EQ(main.type, 1u);
    EXPECT_EQ(main.count, 4u);
    ASSERT_EQ(main.strings.size(), 7u);
    EXPECT_EQ(main.strings[0], "Kestrel CAM");
    EXPECT_EQ(main.strings[3], "Smart card information");

    EXPECT_EQ(driver.MmiAnswerMenu(main.id, 5),
              HRESULT_ERROR_INVALID_PARAMETER);  // beyond the items
    EXPECT_EQ(driver.MmiAnswerMenu(main.id + 1, 1), HRESULT_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(driver.MmiAnswerEnquiry(main.id, {}), HRESULT_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(driver.MmiAnswerMenu(main.id, 1), S_OK);
    EXPECT_EQ(driver.MmiAnswerMenu(main.id, 1), HRESULT_ERROR_INVALID_PARAMETER);  // answered
    const Object list = Next(main.id);
    EXPECT_EQ(list.type, 2u);
    EXPECT_EQ(list.strings[0],
              "\x05"
              "Ak\xFD"
              "ll\xFD"
              " kart bilgisi");
    EXPECT_EQ(driver.MmiAnswerMenu(list.id, 1),
              HRESULT_ERROR_INVALID_PARAMETER);  // lists only go back
    EXPECT_EQ(driver.MmiAnswerMenu(list.id, 0), S_OK);

    const Object again = Next(list.id);
    EXPECT_EQ(again.strings, main.strings);
    EXPECT_EQ(driver.MmiAnswerMenu(again.id, 2), S_OK);
    const Object pin = Next(again.id);
    EXPECT_EQ(pin.type, 3u);
    EXPECT_EQ(pin.count, 4u);
    EXPECT_EQ(pin.strings, std::vector<std::string>{"\x05Please enter your 4-digit PIN"});
    EXPECT_EQ(driver.MmiAnswerMenu(pin.id, 0), HRESULT_ERROR_INVALID_PARAMETER);
    const std::uint8_t answer[] = {0x05, '1', '2', '3', '4'};
    EXPECT_EQ(driver.MmiAnswerEnquiry(pin.id, answer), S_OK);
    const Object parental = Next(pin.id);
    EXPECT_EQ(parental.strings[0], "Parental control");
    EXPECT_EQ(driver.MmiAnswerMenu(parental.id, 0), S_OK);

    const Object main2 = Next(parental.id);
    EXPECT_EQ(driver.MmiAnswerMenu(main2.id, 2), S_OK);
    const Object second = Next(main2.id);
    EXPECT_EQ(driver.MmiAnswerEnquiry(second.id, {}), S_OK);  // cancel: back to the main menu
    const Object back = Next(second.id);
    EXPECT_EQ(back.strings, main.strings);
    EXPECT_EQ(driver.MmiAnswerMenu(back.id, 0), S_OK);  // leave: the module ends the dialogue
    EXPECT_TRUE(Gone());
    EXPECT_FALSE(module.Page());
}

TEST_F(CamDriverTest, ObjectsInPartsReadAsWhole) {
    const Object whole = OpenMenu();
    driver.MmiClose();
    EXPECT_TRUE(Gone());
    module.SplitInto(7);
    const Object parts = OpenMenu();
    EXPECT_EQ(parts.strings, whole.strings);
    EXPECT_EQ(parts.count, whole.count);
}

TEST_F(CamDriverTest, ModuleThatClosesRestartsOrCorruptsMidDialogueEndsIt) {
    OpenMenu();
    module.CloseMmiSession();
    EXPECT_TRUE(Gone());
    EXPECT_EQ(OpenMenu().type, 1u);
    EXPECT_EQ(module.MmiSessions(), 2u);

    module.CorruptNextObject();  // the next object's length runs past its end
    EXPECT_EQ(driver.MmiAnswerMenu(Get().id, 1), S_OK);
    EXPECT_TRUE(Gone());
    EXPECT_EQ(OpenMenu().type, 1u);

    module.CorruptNextResponse();  // the connection goes, and with it the module's name
    EXPECT_EQ(driver.MmiAnswerMenu(Get().id, 1), S_OK);
    EXPECT_TRUE(Gone());
    EXPECT_TRUE(WaitUntil([&] { return Name() == "Kestrel CAM"; }));
    EXPECT_EQ(OpenMenu().type, 1u);

    module.Restart();
    EXPECT_TRUE(Gone());
    EXPECT_TRUE(WaitUntil([&] { return Name() == "Kestrel CAM"; }));
}

TEST_F(CamDriverTest, TheCiFilterAnswersWellFormedRequestsAndRefusesTheRest) {
    const auto filter = std::make_shared<cardkit::CiFilterShell>(
        std::shared_ptr<cardkit::CiDriver>(&driver, [](cardkit::CiDriver*) {}), 1);
    const auto method = [](std::uint32_t id) {
        return EncodeKsProperty({cardkit::KSMETHODSETID_CardCiMmi, id, KSMETHOD_TYPE_SEND});
    };
    std::vector<std::uint8_t> data(2068);
    std::uint32_t returned = 7;
    ASSERT_EQ(filter->KsMethod(method(cardkit::CARD_CI_MMI_OPEN).data(), 24, nullptr, 0, &returned),
              S_OK);
    const std::uint32_t shown = Next(0).id;
    EXPECT_EQ(
        filter->KsMethod(method(cardkit::CARD_CI_MMI_GET).data(), 24, data.data(), 2068, &returned),
        S_OK);
    EXPECT_EQ(returned, 2068u);
    EXPECT_EQ(cardkit::ReadLe32(data.data()), shown);

    // A short object buffer, a header of 20 bytes, an enquiry answer whose n disagrees with
    // its length, a mode beyond single transponder: refused, and the dialogue goes on.
    EXPECT_LT(
        filter->KsMethod(method(cardkit::CARD_CI_MMI_GET).data(), 24, data.data(), 2067, &returned),
        0);
    EXPECT_EQ(returned, 0u);
    EXPECT_LT(
        filter->KsMethod(method(cardkit::CARD_CI_MMI_CLOSE).data(), 20, nullptr, 0, &returned), 0);
    std::uint8_t answer[16] = {};
    cardkit::WriteLe32(answer, shown);
    cardkit::WriteLe32(answer + 4, 5);
    EXPECT_EQ(filter->KsMethod(method(cardkit::CARD_CI_MMI_ENQUIRY_ANSWER).data(), 24, answer, 16,
                               &returned),
              HRESULT_ERROR_INVALID_PARAMETER);
    const auto mode =
        EncodeKsProperty({cardkit::KSPROPSETID_CardCi, cardkit::CARD_CI_MODE, KSPROPERTY_TYPE_SET});
    std::uint8_t three[4] = {3, 0, 0, 0};
    EXPECT_EQ(filter->KsProperty(mode.data(), 24, three, 4, &returned),
              HRESULT_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(Get().id, shown);
}

TEST_F(CamDriverTest, AnObjectShownAgainIsNewAndTheOldIdIsStale) {
    const Object first = OpenMenu();
    module.ShowAgain();
    const Object again = Next(first.id);
    EXPECT_EQ(again.strings, first.strings);
    EXPECT_EQ(driver.MmiAnswerMenu(first.id, 1), HRESULT_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(driver.MmiAnswerMenu(again.id, 1), S_OK);
}

TEST(CaDeviceTest, OpeningDropsUnitsAPreviousOpenerLeftAndResetsTheModule) {
    SimulatedModule module;
    module.LeaveStaleUnit();
    const auto device = CaDevice::Open(module.Io(), "/dev/dvb/adapter0/ca0");
    ASSERT_TRUE(device);
    Bytes unit;
    EXPECT_EQ(device->Read(unit, std::chrono::milliseconds(0)), CaLink::ReadResult::Timeout);
    EXPECT_EQ(module.Resets(), 1u);
    EXPECT_FALSE(device->QuerySlot()->ready);  // until the kernel has brought it up again
    EXPECT_TRUE(device->Reset());
    EXPECT_EQ(module.Resets(), 2u);
}

TEST(MmiPageTest, ObjectsOverTheTextAreaLoseTrailingItems) {
    MmiDisplay menu{MmiDisplay::kMenu, 20, {"T", "S", "B"}};
    for (int i = 0; i < 20; ++i) menu.strings.push_back(std::string(199, 'a' + i));  // 200 each
    const cardkit::MmiPage page = ToMmiPage(menu);
    EXPECT_EQ(page.count, 10u);  // 3 * 2 + 10 * 200 fits in 2048, 11 items do not
    ASSERT_EQ(page.strings.size(), 13u);
    EXPECT_EQ(page.strings.back(), std::string(199, 'j'));
    menu.count = cardkit::kMmiNoItemCount;
    EXPECT_EQ(ToMmiPage(menu).count, cardkit::kMmiNoItemCount);
    const MmiDisplay blind{MmiDisplay::kBlindEnquiry, 8, {std::string(3000, 'p')}};
    EXPECT_EQ(ToMmiPage(blind).type, 4u);
}

}  // namespace
}  // namespace linuxdvb::en50221

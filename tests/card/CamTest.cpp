// The CI filter's requests and the CAM behind them: name, routing mode, reset, and the MMI
// dialogue with fresh object ids, menus, lists, the PIN enquiry and character-table selectors.
#include <cstring>

#include "CardTestSupport.h"
#include "platform/ClassIds.h"

namespace cardtest {
namespace {

using namespace card;
using namespace cardkit;

struct MmiObject {
    std::uint32_t id = 0, type = 0, count = 0, length = 0;
    std::vector<std::string> strings;  // the NUL-terminated strings within the text length
};

class CamTest : public CardTest {
protected:
    void SetUp() override {
        CardTest::SetUp();
        Open();
    }
    void Open() {
        m_ci = query<IKsControl>(BindDevice(KSCATEGORY_BDA_RECEIVER_COMPONENT, {DeviceKind::Ci, 1}));
        ASSERT_TRUE(m_ci);
    }

    HRESULT Call(std::uint32_t id, Bytes* data = nullptr, IKsControl* control = nullptr) {
        return Method(control ? *control : *m_ci,
                      PropertyHeader(KSMETHODSETID_CardCiMmi, id, KSMETHOD_TYPE_SEND), data).hr;
    }

    HRESULT Get(MmiObject& object, IKsControl* control = nullptr) {
        Bytes data(2068, 0xAA);
        Reply reply = Method(control ? *control : *m_ci,
                             PropertyHeader(KSMETHODSETID_CardCiMmi, CARD_CI_MMI_GET, KSMETHOD_TYPE_SEND), &data);
        if (FAILED(reply.hr)) return reply.hr;
        EXPECT_EQ(reply.bytesReturned, 2068u);
        object = {WordAt(data, 0), WordAt(data, 4), WordAt(data, 8), WordAt(data, 12), {}};
        EXPECT_LE(object.length, 2048u);
        std::string current;
        for (std::uint32_t i = 0; i < object.length; ++i) {
            const char c = static_cast<char>(data[16 + i]);
            // The selector 0x10 0x00 n holds a zero byte that does not end the string.
            if (current.empty() && c == '\x10' && i + 2 < object.length) {
                current.assign(reinterpret_cast<const char*>(&data[16 + i]), 3);
                i += 2;
            } else if (c == '\0') {
                object.strings.push_back(current);
                current.clear();
            } else {
                current += c;
            }
        }
        EXPECT_TRUE(current.empty()) << "every string ends with a NUL";
        for (std::uint32_t i = 16 + object.length; i < 2068; ++i) EXPECT_EQ(data[i], 0) << i;
        return reply.hr;
    }

    HRESULT AnswerMenu(std::uint32_t id, std::uint32_t choice) {
        Bytes data = Words({id, choice});
        return Call(CARD_CI_MMI_MENU_ANSWER, &data);
    }

    HRESULT AnswerEnquiry(std::uint32_t id, const std::string& text) {
        Bytes data = Words({id, static_cast<std::uint32_t>(text.size())});
        data.insert(data.end(), text.begin(), text.end());
        data.resize(data.size() + 4, 0xCC);
        return Call(CARD_CI_MMI_ENQUIRY_ANSWER, &data);
    }

    MmiObject Current() {
        MmiObject object;
        EXPECT_EQ(Get(object), S_OK);
        return object;
    }

    std::shared_ptr<IKsControl> m_ci;
};

TEST_F(CamTest, NameIsEightBitTextNulTerminatedInTwoHundredFiftySixBytes) {
    CardConfig config = TestCardConfig();
    config.camName = "M\xF3" "dulo CAM";
    Install(config);
    Open();
    Bytes name(256, 0xAA);
    const Reply reply = Property(*m_ci, PropertyHeader(KSPROPSETID_CardCi, CARD_CI_CAM_NAME, KSPROPERTY_TYPE_GET), name);
    EXPECT_EQ(reply.hr, S_OK);
    EXPECT_EQ(reply.bytesReturned, 256u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(name.data())), "M\xF3" "dulo CAM");
    EXPECT_TRUE(std::all_of(name.begin() + 10, name.end(), [](std::uint8_t b) { return b == 0; }));
    Bytes shortBuffer(255);
    EXPECT_EQ(Property(*m_ci, PropertyHeader(KSPROPSETID_CardCi, CARD_CI_CAM_NAME, KSPROPERTY_TYPE_GET), shortBuffer).hr,
              HRESULT_ERROR_INSUFFICIENT_BUFFER);
}

TEST_F(CamTest, WithoutACamTheSlotAnswersNotReady) {
    CardConfig config = TestCardConfig();
    config.camPresent = false;
    Install(config);
    Open();
    Bytes name(256);
    EXPECT_EQ(Property(*m_ci, PropertyHeader(KSPROPSETID_CardCi, CARD_CI_CAM_NAME, KSPROPERTY_TYPE_GET), name).hr,
              HRESULT_ERROR_NOT_READY);
    EXPECT_EQ(Call(CARD_CI_MMI_OPEN), HRESULT_ERROR_NOT_READY);
    EXPECT_EQ(Call(CARD_CI_RESET), HRESULT_ERROR_NOT_READY);
    // The routing mode is the card's, not the CAM's.
    Bytes mode = Words({2});
    EXPECT_EQ(Property(*m_ci, PropertyHeader(KSPROPSETID_CardCi, CARD_CI_MODE, KSPROPERTY_TYPE_SET), mode).hr, S_OK);
    EXPECT_FALSE(m_card->Descrambles(1));
}

TEST_F(CamTest, MalformedCiRequestsAreRefused) {
    Bytes mode = Words({3});
    EXPECT_EQ(Property(*m_ci, PropertyHeader(KSPROPSETID_CardCi, CARD_CI_MODE, KSPROPERTY_TYPE_SET), mode).hr,
              HRESULT_ERROR_INVALID_PARAMETER);
    mode = Words({1});
    EXPECT_EQ(Property(*m_ci, PropertyHeader(KSPROPSETID_CardCi, CARD_CI_MODE, KSPROPERTY_TYPE_GET), mode).hr,
              HRESULT_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(Property(*m_ci, NodeHeader(KSPROPSETID_CardCi, CARD_CI_MODE, KSPROPERTY_TYPE_SET, 0), mode).hr,
              HRESULT_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(Property(*m_ci, PropertyHeader(KSMETHODSETID_CardCiMmi, CARD_CI_MMI_OPEN, KSPROPERTY_TYPE_SET), mode).hr,
              HRESULT_ERROR_SET_NOT_FOUND);
    EXPECT_EQ(Method(*m_ci, PropertyHeader(KSPROPSETID_CardCi, CARD_CI_MODE, 1), nullptr).hr,
              HRESULT_ERROR_SET_NOT_FOUND);
    EXPECT_EQ(Call(6), HRESULT_ERROR_NOT_FOUND);
    EXPECT_EQ(Method(*m_ci, PropertyHeader(KSMETHODSETID_CardCiMmi, CARD_CI_MMI_OPEN, 2), nullptr).hr,
              HRESULT_ERROR_INVALID_PARAMETER);
    Bytes stray(4);
    EXPECT_EQ(Call(CARD_CI_MMI_OPEN, &stray), HRESULT_ERROR_INVALID_PARAMETER);
    MmiObject none;
    EXPECT_EQ(Get(none), HRESULT_ERROR_NOT_READY) << "nothing was opened";
    EXPECT_EQ(m_card->Status(1).ciMode, 1u);
}

TEST_F(CamTest, OpenPresentsTheMainMenuAndEveryNewObjectGetsANewId) {
    EXPECT_EQ(Call(CARD_CI_MMI_OPEN), S_OK);
    const MmiObject main = Current();
    EXPECT_EQ(main.type, 1u);
    EXPECT_EQ(main.count, 4u);
    ASSERT_EQ(main.strings.size(), 7u);
    EXPECT_EQ(main.strings[0], "Kestrel CAM");
    EXPECT_EQ(main.strings[4], "\x86" "Parental control" "\x87");
    EXPECT_EQ(main.strings[5].substr(0, 3), "\x15\xC2\x86");
    EXPECT_EQ(Current().id, main.id) << "the same object keeps its id";

    // The card information list: selectors 0x05, 0x10 0x00 0x02 and 0x15, emphasis codes.
    EXPECT_EQ(AnswerMenu(main.id, 1), S_OK);
    const MmiObject info = Current();
    EXPECT_NE(info.id, main.id);
    EXPECT_EQ(info.type, 2u);
    ASSERT_EQ(info.strings.size(), 3u + info.count);
    EXPECT_EQ(info.strings[0][0], '\x05');
    EXPECT_EQ(info.strings[4].find('\x86'), 0u);
    EXPECT_EQ(info.strings[5].substr(0, 3), std::string("\x10\x00\x02", 3));
    EXPECT_EQ(info.strings[6][0], '\x15');
    EXPECT_EQ(AnswerMenu(info.id, 1), HRESULT_ERROR_INVALID_PARAMETER) << "a list is not chosen from";
    EXPECT_EQ(AnswerMenu(info.id, 0), S_OK);
    const MmiObject again = Current();
    EXPECT_EQ(again.strings, main.strings);
    EXPECT_GT(again.id, info.id);

    // The language menu: the two-byte selector 0x1F.
    EXPECT_EQ(AnswerMenu(again.id, 3), S_OK);
    const MmiObject languages = Current();
    EXPECT_EQ(languages.strings[0].substr(0, 2), "\x1F\x01");
    EXPECT_EQ(languages.count, 6u);
    EXPECT_EQ(AnswerMenu(languages.id, 7), HRESULT_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(AnswerMenu(languages.id, 3), S_OK);
    EXPECT_EQ(Current().strings.back(), "\x05" "T\xFC" "rk\xE7" "e");
}

TEST_F(CamTest, ThePinEnquiryAcceptsOnlyTheRightPin) {
    Call(CARD_CI_MMI_OPEN);
    EXPECT_EQ(AnswerMenu(Current().id, 2), S_OK);
    MmiObject pin = Current();
    EXPECT_EQ(pin.type, 3u);
    EXPECT_EQ(pin.count, 4u) << "answer length limit";
    ASSERT_EQ(pin.strings.size(), 1u);
    EXPECT_EQ(AnswerMenu(pin.id, 0), HRESULT_ERROR_INVALID_PARAMETER) << "an enquiry wants text";

    EXPECT_EQ(AnswerEnquiry(pin.id, "4321"), S_OK);
    const MmiObject wrong = Current();
    EXPECT_EQ(wrong.type, 2u);
    EXPECT_EQ(wrong.strings.at(3), "The PIN you entered is not correct.");
    EXPECT_EQ(AnswerMenu(wrong.id, 0), S_OK);  // back to the main menu

    EXPECT_EQ(AnswerMenu(Current().id, 2), S_OK);
    pin = Current();
    EXPECT_EQ(AnswerEnquiry(pin.id + 1, "1234"), HRESULT_ERROR_INVALID_PARAMETER) << "stale id";
    Bytes mismatched = Words({pin.id, 5, 0x34333231, 0});
    EXPECT_EQ(Call(CARD_CI_MMI_ENQUIRY_ANSWER, &mismatched), HRESULT_ERROR_INVALID_PARAMETER);
    Bytes tooShort = Words({pin.id, 0});
    EXPECT_EQ(Call(CARD_CI_MMI_ENQUIRY_ANSWER, &tooShort), HRESULT_ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(AnswerEnquiry(pin.id, "1234"), S_OK);
    const MmiObject parental = Current();
    EXPECT_EQ(parental.type, 1u);
    EXPECT_EQ(parental.strings[0], "Parental control");

    // Cancelling an enquiry (length 0) returns to the main menu.
    EXPECT_EQ(AnswerMenu(parental.id, 0), S_OK);
    EXPECT_EQ(AnswerMenu(Current().id, 2), S_OK);
    EXPECT_EQ(AnswerEnquiry(Current().id, ""), S_OK);
    EXPECT_EQ(Current().count, 4u);
    EXPECT_EQ(Current().type, 1u);
}

TEST_F(CamTest, OneObjectHasNoItemCount) {
    Call(CARD_CI_MMI_OPEN);
    EXPECT_EQ(AnswerMenu(Current().id, 4), S_OK);
    const MmiObject about = Current();
    EXPECT_EQ(about.count, 255u);
    EXPECT_EQ(about.strings.size(), 3u);
    EXPECT_EQ(AnswerMenu(about.id, 1), HRESULT_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(AnswerMenu(about.id, 0), S_OK);
}

TEST_F(CamTest, TheDialogueEndsOnBackFromTheMainMenuOnCloseAndOnReset) {
    MmiObject object;
    Call(CARD_CI_MMI_OPEN);
    EXPECT_EQ(AnswerMenu(Current().id, 0), S_OK);
    EXPECT_EQ(Get(object), HRESULT_ERROR_NOT_READY);
    EXPECT_EQ(AnswerMenu(object.id, 0), HRESULT_ERROR_NOT_READY);

    Call(CARD_CI_MMI_OPEN);
    EXPECT_EQ(Call(CARD_CI_MMI_CLOSE), S_OK);
    EXPECT_EQ(Get(object), HRESULT_ERROR_NOT_READY);
    EXPECT_EQ(Call(CARD_CI_MMI_CLOSE), S_OK) << "closing twice is harmless";

    Call(CARD_CI_MMI_OPEN);
    const std::uint32_t before = Current().id;
    EXPECT_EQ(Call(CARD_CI_RESET), S_OK);
    EXPECT_EQ(m_card->CamRestarts(), 1u);
    EXPECT_EQ(Get(object), HRESULT_ERROR_NOT_READY);
    Call(CARD_CI_MMI_OPEN);
    EXPECT_GT(Current().id, before) << "ids are never reused";
}

TEST_F(CamTest, BothCiFiltersReachTheOneCam) {
    const auto other = query<IKsControl>(BindDevice(KSCATEGORY_BDA_RECEIVER_COMPONENT, {DeviceKind::Ci, 2}));
    ASSERT_TRUE(other);
    Call(CARD_CI_MMI_OPEN);
    MmiObject seen;
    ASSERT_EQ(Get(seen, other.get()), S_OK);
    EXPECT_EQ(seen.id, Current().id);
    EXPECT_EQ(Call(CARD_CI_MMI_CLOSE, nullptr, other.get()), S_OK);
    EXPECT_EQ(Get(seen), HRESULT_ERROR_NOT_READY);
}

TEST_F(CamTest, TheRoutingModeDecidesWhichTunerTheCamServes) {
    const auto other = query<IKsControl>(BindDevice(KSCATEGORY_BDA_RECEIVER_COMPONENT, {DeviceKind::Ci, 2}));
    auto setMode = [](IKsControl& control, std::uint32_t mode) {
        Bytes data = Words({mode});
        return Property(control, PropertyHeader(KSPROPSETID_CardCi, CARD_CI_MODE, KSPROPERTY_TYPE_SET), data).hr;
    };
    EXPECT_TRUE(m_card->Descrambles(1)) << "MTD until told otherwise";
    EXPECT_EQ(setMode(*m_ci, 0), S_OK);
    EXPECT_FALSE(m_card->Descrambles(1));
    EXPECT_TRUE(m_card->Descrambles(2));
    EXPECT_EQ(setMode(*m_ci, 2), S_OK);
    EXPECT_EQ(setMode(*other, 2), S_OK);
    EXPECT_FALSE(m_card->Descrambles(1)) << "single transponder: the last tuner to ask";
    EXPECT_TRUE(m_card->Descrambles(2));
    EXPECT_EQ(m_card->Status(2).ciMode, 2u);
}

}  // namespace
}  // namespace cardtest

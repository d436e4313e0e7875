// The simulated module's menus, written out byte for byte, read by the host's parsers: each
// object's lengths hold, and along a long walk the module shows what the simulated card's CAM
// shows for the same answers, so the tests written for one stay meaningful on the other.
#include <gtest/gtest.h>

#include <random>

#include "ModuleMenus.h"
#include "cardkit/CamMmi.h"
#include "linuxdvb/en50221/Apdu.h"
#include "linuxdvb/en50221/MmiDisplay.h"

namespace linuxdvb::en50221 {
namespace {

// The module's page as the host reads it, checked against the card's page.
void ExpectSamePage(const ModuleMenus& module, const cardkit::CamMmi& card, int step) {
    const cardkit::MmiPage* expected = card.Current();
    ASSERT_EQ(module.Page().has_value(), expected != nullptr) << "step " << step;
    if (!expected) return;
    const ByteView object = module.Object();
    const auto apdu = ReadApdu(object);
    ASSERT_TRUE(apdu) << "step " << step;
    ASSERT_EQ(apdu->size, object.size()) << "step " << step;  // nothing past its length
    const auto shown = apdu->tag == kEnq ? ParseEnquiry(apdu->body)
                                         : ParseMenu(apdu->body, apdu->tag == kListLast);
    ASSERT_TRUE(shown) << "step " << step;
    EXPECT_EQ(shown->kind, expected->type) << "step " << step;
    EXPECT_EQ(shown->count, expected->count) << "step " << step;
    EXPECT_EQ(shown->strings, expected->strings) << "step " << step;
}

TEST(ModuleMenusTest, EveryPageReadsAsTheCardsPageForTheSameAnswers) {
    ModuleMenus module;
    cardkit::CamMmi card;
    std::mt19937 random(22);
    // Answers to the PIN enquiry: the right PIN bare and behind the prompt's selector, a wrong
    // one, an empty answer and a cancel (answ_id 0x00).
    const std::vector<Bytes> answers = {{0x01, '1', '2', '3', '4'},
                                        {0x01, 0x05, '1', '2', '3', '4'},
                                        {0x01, '0', '0', '0', '0'},
                                        {0x01},
                                        {0x00}};
    for (int step = 0; step < 2000; ++step) {
        if (!module.Page()) {
            module.Open();
            card.Open();
        } else if (module.Page() == ModulePage::PinEntry) {
            const Bytes& answ = answers[random() % answers.size()];
            EXPECT_FALSE(module.AnswerMenu(0)) << "an enquiry takes no choice";
            EXPECT_TRUE(module.AnswerEnquiry(answ));
            const ByteView text = answ[0] == 0x01 ? ByteView(answ).subspan(1) : ByteView{};
            card.AnswerEnquiry(card.CurrentId(), text);
        } else {
            // Now and then a choice beyond the items, which both refuse.
            const auto choice = static_cast<std::uint8_t>(random() % 8);
            EXPECT_EQ(module.AnswerMenu(choice),
                      SUCCEEDED(card.AnswerMenu(card.CurrentId(), choice)))
                << "step " << step << " choice " << int{choice};
        }
        ExpectSamePage(module, card, step);
        if (HasFatalFailure()) return;
    }
}

}  // namespace
}  // namespace linuxdvb::en50221

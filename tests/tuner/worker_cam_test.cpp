// The CAM's man-machine interface through the CI filter, against the card's CAM: opening its
// menu, reading each new object, answering menus and enquiries, closing, and resetting.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "worker_fixture.h"

namespace worker_test {
namespace {

// One object as MmiGet hands it over.
struct Object {
    HRESULT result = E_FAIL;
    std::uint32_t id = 0, type = 0, count = 0, textLength = 0;
    std::array<std::uint8_t, kMmiTextSize> text{};

    // The NUL-terminated strings of the text area.
    std::vector<std::string> Strings() const {
        std::vector<std::string> strings;
        std::string current;
        for (std::uint32_t i = 0; i < textLength; ++i) {
            if (text[i] != 0) {
                current.push_back(static_cast<char>(text[i]));
            } else {
                strings.push_back(current);
                current.clear();
            }
        }
        return strings;
    }
};

Object Get(TunerGraph& graph) {
    Object object;
    object.result = graph.MmiGet(&object.id, &object.type, &object.count, &object.textLength,
                                 object.text.data());
    return object;
}

class WorkerCamTest : public CardTest {
protected:
    void SetUp() override {
        graph = MakeGraph(1);
        ASSERT_TRUE(graph->m_ciFilter);
    }
    std::unique_ptr<TunerGraph> graph;
};

TEST_F(WorkerCamTest, MenuDialogueFromOpenToClose) {
    EXPECT_LT(Get(*graph).result, 0);  // no dialogue yet

    ASSERT_EQ(graph->MmiOpen(), S_OK);
    const Object main = Get(*graph);
    ASSERT_EQ(main.result, S_OK);
    EXPECT_EQ(main.type, 1u);
    EXPECT_EQ(main.count, 4u);
    ASSERT_EQ(main.Strings().size(), 7u);
    EXPECT_EQ(main.Strings()[0], "Kestrel CAM");
    EXPECT_EQ(Get(*graph).id, main.id);  // nothing changed: same id

    // Item 2 asks for the PIN; a wrong one shows a list, "back" returns to the main menu.
    ASSERT_EQ(graph->MmiAnswerMenu(main.id, 2), S_OK);
    const Object enquiry = Get(*graph);
    ASSERT_EQ(enquiry.type, 3u);
    EXPECT_NE(enquiry.id, main.id);
    EXPECT_EQ(enquiry.count, 4u);
    const std::uint8_t wrong[] = {'0', '0', '0', '0'};
    ASSERT_EQ(graph->MmiAnswerEnquiry(enquiry.id, wrong, 4), S_OK);
    const Object refusal = Get(*graph);
    EXPECT_EQ(refusal.type, 2u);
    ASSERT_EQ(graph->MmiAnswerMenu(refusal.id, 0), S_OK);
    const Object again = Get(*graph);
    EXPECT_EQ(again.type, 1u);
    EXPECT_NE(again.id, main.id);

    // The right PIN opens parental control; an answer to a stale object is refused.
    ASSERT_EQ(graph->MmiAnswerMenu(again.id, 2), S_OK);
    const std::uint32_t pinId = Get(*graph).id;
    const std::uint8_t pin[] = {'1', '2', '3', '4'};
    ASSERT_EQ(graph->MmiAnswerEnquiry(pinId, pin, 4), S_OK);
    EXPECT_EQ(Get(*graph).Strings()[0], "Parental control");
    EXPECT_LT(graph->MmiAnswerMenu(pinId, 1), 0);

    ASSERT_EQ(graph->MmiClose(), S_OK);
    EXPECT_LT(Get(*graph).result, 0);
}

TEST_F(WorkerCamTest, CancelledEnquiryAndResetEndWhereTheCamSays) {
    ASSERT_EQ(graph->MmiOpen(), S_OK);
    ASSERT_EQ(graph->MmiAnswerMenu(Get(*graph).id, 2), S_OK);
    ASSERT_EQ(graph->MmiAnswerEnquiry(Get(*graph).id, nullptr, 0), S_OK);  // cancel
    EXPECT_EQ(Get(*graph).type, 1u);

    const std::uint32_t restarts = m_card->CamRestarts();
    ASSERT_EQ(graph->CamReset(), S_OK);
    EXPECT_EQ(m_card->CamRestarts(), restarts + 1);
    EXPECT_LT(Get(*graph).result, 0);
}

TEST_F(WorkerCamTest, FailedReadCopiesNothingAndGraphWithoutCiFilterFails) {
    Object untouched;
    untouched.id = 77;
    untouched.text.fill(0xAA);
    untouched.result = graph->MmiGet(&untouched.id, &untouched.type, &untouched.count,
                                     &untouched.textLength, untouched.text.data());
    EXPECT_LT(untouched.result, 0);
    EXPECT_EQ(untouched.id, 77u);
    EXPECT_EQ(untouched.text[0], 0xAA);

    card::CardConfig noCi = card::TestCardConfig();
    noCi.receiverCategory = {{card::DeviceKind::Capture, 1}};
    InstallCard(noCi);
    auto withoutCi = MakeGraph(1);
    ASSERT_EQ(withoutCi->m_ready, 1);
    EXPECT_EQ(withoutCi->MmiOpen(), E_FAIL);
    EXPECT_EQ(withoutCi->CamReset(), E_FAIL);
    EXPECT_EQ(Get(*withoutCi).result, E_FAIL);
}

}  // namespace
}  // namespace worker_test

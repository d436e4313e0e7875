// The fault run's walk through the CAM menu: reset, open, close, the objects read and answered.
#include <gtest/gtest.h>

#include <algorithm>
#include <span>

#include "FaultRun.h"
#include "dialogs/MmiStrings.h"
#include "tuner/driver/MmiObject.h"

namespace {

constexpr std::size_t kMmiHeaderStrings = 3;  // title, subtitle, bottom line
constexpr int kMmiRounds = 3;

}  // namespace

void FaultRun::WalkCamMenu(int tuner) {
    TunerGraph& graph = Graph(tuner);
    const bool hasCi = graph.m_ciFilter != nullptr;
    const int start = Between(0, 9);
    if (start == 0) {
        ExpectCiResult(graph.CamReset(), CardRequest::CamReset, tuner, hasCi);
    } else if (start == 1) {
        ExpectCiResult(graph.MmiClose(), CardRequest::MmiClose, tuner, hasCi);
    } else if (start < 5) {
        ExpectCiResult(graph.MmiOpen(), CardRequest::MmiOpen, tuner, hasCi);
    }
    for (int rounds = Between(1, kMmiRounds); rounds > 0; --rounds) {
        if (!AnswerMmiObject(graph)) return;
    }
}

void FaultRun::ExpectCiResult(HRESULT hr, CardRequest request, int tuner, bool hasCi) {
    if (!hasCi) {
        EXPECT_EQ(hr, E_FAIL);
    } else if (m_faults.Refuses(request, tuner)) {
        EXPECT_LT(hr, 0);
    } else {
        EXPECT_EQ(hr, S_OK);
    }
}

// Reads the CAM's object and answers it as a user might: a choice (sometimes one beyond the
// items), back, the PIN, a wrong PIN, an overlong answer, a cancel, now and then for an object
// id the CAM never showed. False when there was no object to answer.
bool FaultRun::AnswerMmiObject(TunerGraph& graph) {
    std::uint32_t objectId = 0;
    std::uint32_t type = 0;
    std::uint32_t count = 0;
    std::uint32_t textLength = 0;
    std::array<std::uint8_t, kMmiTextSize> text{};
    const HRESULT hr = graph.MmiGet(&objectId, &type, &count, &textLength, text.data());
    if (!graph.m_ciFilter) {
        EXPECT_EQ(hr, E_FAIL);
    }
    if (FAILED(hr)) return false;
    ++m_figures.mmiObjects;

    const auto reported =
        std::span<const std::uint8_t>(text).first(std::min<std::size_t>(textLength, text.size()));
    const std::uint32_t answerId = Coin(0.1) ? objectId + 1000 : objectId;
    HRESULT answered = S_OK;
    // The text is decoded as the dialog shows it, whatever the driver reported.
    if (type == kMmiTypeEnquiry || type == kMmiTypeEnquiryAlt) {
        DecodeMmiText(reported);
        static const std::array<std::string, 4> kAnswers{"1234", "0000", "", std::string(40, '7')};
        const std::string& answer = kAnswers[m_random() % kAnswers.size()];
        answered =
            graph.MmiAnswerEnquiry(answerId, reinterpret_cast<const std::uint8_t*>(answer.data()),
                                   static_cast<std::uint32_t>(answer.size()));
    } else {
        const std::size_t items = count == kMmiNoItemCount ? 0 : count;
        DecodeMmiStrings(reported, kMmiHeaderStrings + items);
        const std::uint32_t choice =
            type == kMmiTypeMenu
                ? static_cast<std::uint32_t>(Between(0, static_cast<int>(items) + 1))
                : (Coin(0.9) ? 0u : 1u);
        answered = graph.MmiAnswerMenu(answerId, choice);
    }
    if (answered != S_OK || answerId != objectId) return true;

    // An answer the CAM took moves it on: the object answered never shows again.
    std::uint32_t nextId = 0;
    const HRESULT next = graph.MmiGet(&nextId, &type, &count, &textLength, text.data());
    if (SUCCEEDED(next)) {
        EXPECT_NE(nextId, objectId) << "the CAM took an answer and still shows the same object";
    }
    return true;
}

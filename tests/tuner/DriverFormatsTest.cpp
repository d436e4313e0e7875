// The bytes of every driver request, against the layouts the driver expects.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "platform/KsInterfaces.h"
#include "tuner/driver/CamName.h"
#include "tuner/driver/DiseqcSend.h"
#include "tuner/driver/DriverWord.h"
#include "tuner/driver/KsRequestHeader.h"
#include "tuner/driver/MmiEnquiryAnswer.h"
#include "tuner/driver/MmiMenuAnswer.h"
#include "tuner/driver/MmiObject.h"
#include "tuner/driver/PropertySets.h"
#include "tuner/driver/ScifConfig.h"
#include "tuner/driver/SpectrumStepRequest.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

template <std::size_t N>
Bytes ToBytes(const std::array<std::uint8_t, N>& array) {
    return {array.begin(), array.end()};
}

TEST(KsRequestHeader, PropertyHeaderCarriesTheSetInWireOrderThenIdAndFlags) {
    const auto bytes = EncodeKsProperty({KSPROPSETID_CardCi, CARD_CI_MODE, KSPROPERTY_TYPE_SET});
    EXPECT_EQ(ToBytes(bytes), (Bytes{0x01, 0xA5, 0xA8, 0x0A, 0x40, 0xA2, 0xDE, 0x11,  //
                                     0xB1, 0x30, 0x00, 0x00, 0x00, 0x00, 0x4D, 0x56,  //
                                     0x1C, 0x0C, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00}));
    EXPECT_EQ(DecodeKsProperty(bytes),
              (KSPROPERTY{KSPROPSETID_CardCi, CARD_CI_MODE, KSPROPERTY_TYPE_SET}));
}

TEST(KsRequestHeader, MethodHeaderIsSentWithFlagsOne) {
    const auto bytes =
        EncodeKsProperty({KSMETHODSETID_CardCiMmi, CARD_CI_MMI_GET, KSMETHOD_TYPE_SEND});
    EXPECT_EQ(ToBytes(bytes), (Bytes{0x11, 0xA5, 0xA8, 0x0A, 0x40, 0xA2, 0xDE, 0x11,  //
                                     0xB1, 0x30, 0x00, 0x00, 0x00, 0x00, 0x4D, 0x56,  //
                                     0x03, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00}));
}

TEST(KsRequestHeader, NodeHeaderAppendsNodeIdAndZeroReserved) {
    const KSP_NODE node{
        {KSPROPSETID_BdaDiseqCommand, KSPROPERTY_BDA_DISEQC_SEND, KSPROPERTY_TYPE_SET}, 2, 0};
    const auto bytes = EncodeKsNode(node);
    EXPECT_EQ(ToBytes(bytes), (Bytes{0xB0, 0x2A, 0x4E, 0xF8, 0x6B, 0x3C, 0xE3, 0x45,  //
                                     0xA0, 0xFC, 0x86, 0x69, 0xD4, 0xB8, 0x1F, 0x11,  //
                                     0x04, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00,  //
                                     0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}));
    EXPECT_EQ(DecodeKsNode(bytes), node);
}

TEST(KsRequestHeader, CardTunerSetAndANodeOfMinusOne) {
    const auto bytes = EncodeKsNode(
        {{KSPROPSETID_CardTuner, CARD_TUNER_SPECTRUM_STEP, KSPROPERTY_TYPE_GET}, 0xFFFFFFFFu, 0});
    EXPECT_EQ(ToBytes(bytes), (Bytes{0x01, 0xA6, 0xA8, 0x0A, 0x40, 0xA2, 0xDE, 0x11,  //
                                     0xB1, 0x30, 0x00, 0x00, 0x00, 0x00, 0x4D, 0x56,  //
                                     0xE8, 0x03, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00,  //
                                     0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00}));
}

TEST(DriverWord, IsOneLittleEndianWord) {
    EXPECT_EQ(ToBytes(EncodeDriverWord(2)), (Bytes{0x02, 0x00, 0x00, 0x00}));
    EXPECT_EQ(ToBytes(EncodeDriverWord(0x01020304)), (Bytes{0x04, 0x03, 0x02, 0x01}));
    EXPECT_EQ(DecodeDriverWord(EncodeDriverWord(0xFFFFFFFEu)), 0xFFFFFFFEu);
}

TEST(DiseqcSend, MessageFirstThenZeros) {
    const std::uint8_t message[] = {0xE0, 0x10, 0x5A, 0x00, 0x00};
    const auto send = MakeDiseqcSend(message);
    ASSERT_TRUE(send);
    const auto bytes = EncodeDiseqcSend(*send);
    EXPECT_EQ(ToBytes(bytes), (Bytes{0x00, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00,  //
                                     0xE0, 0x10, 0x5A, 0x00, 0x00, 0x00, 0x00, 0x00}));
    EXPECT_EQ(DecodeDiseqcSend(bytes), *send);

    const std::uint8_t three[] = {0xE0, 0x10, 0x38};
    EXPECT_EQ(ToBytes(EncodeDiseqcSend(*MakeDiseqcSend(three))),
              (Bytes{0x00, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00,  //
                     0xE0, 0x10, 0x38, 0x00, 0x00, 0x00, 0x00, 0x00}));
}

TEST(DiseqcSend, OnlyOneToEightBytes) {
    const std::uint8_t nine[9] = {0xE0, 0x10, 0x38, 0xF0, 1, 2, 3, 4, 5};
    EXPECT_FALSE(MakeDiseqcSend(std::span(nine, 0)));
    EXPECT_FALSE(MakeDiseqcSend(nine));
    EXPECT_TRUE(MakeDiseqcSend(std::span(nine, 8)));
}

TEST(ScifConfig, EnableAndDisable) {
    EXPECT_EQ(ToBytes(EncodeScifConfig(ScifConfig::Enable(0, 950, kScifNoPin))),
              (Bytes{0x00, 0x00, 0x00, 0x00, 0xB6, 0x03, 0x00, 0x00,  //
                     0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00}));
    // Slot 0 gives index byte 255, zero-extended, not sign-extended.
    EXPECT_EQ(ToBytes(EncodeScifConfig(ScifConfig::Enable(255, 2150, 17))),
              (Bytes{0xFF, 0x00, 0x00, 0x00, 0x66, 0x08, 0x00, 0x00,  //
                     0x11, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}));
    EXPECT_EQ(ToBytes(EncodeScifConfig(ScifConfig::Disable())),
              (Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,  //
                     0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00}));
    const auto config = ScifConfig::Enable(3, 1284, 200);
    EXPECT_EQ(DecodeScifConfig(EncodeScifConfig(config)), config);
}

TEST(SpectrumStepRequest, FirstAndLaterSteps) {
    SpectrumStepRequest first;
    first.frequencyHz = 950'000'000;
    first.settle = kSpectrumFirstSettle;
    EXPECT_EQ(ToBytes(EncodeSpectrumStepRequest(first)),
              (Bytes{0x80, 0xD9, 0x9F, 0x38, 0x80, 0x84, 0x1E, 0x00, 0xFF, 0xFF,  //
                     0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0xE8, 0x03, 0x00, 0x00}));
    SpectrumStepRequest last;
    last.frequencyHz = 2'150'000'000u;
    EXPECT_EQ(ToBytes(EncodeSpectrumStepRequest(last)),
              (Bytes{0x80, 0x65, 0x26, 0x80, 0x80, 0x84, 0x1E, 0x00, 0xFF, 0xFF,  //
                     0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x32, 0x00, 0x00, 0x00}));
    EXPECT_EQ(DecodeSpectrumStepRequest(EncodeSpectrumStepRequest(last)), last);
}

TEST(CamName, CopiesUpToTheFirstNulAndKeepsTheRestOfTheCallersBuffer) {
    std::array<std::uint8_t, kCamNameBytes> out;
    out.fill(0xAA);
    DecodeCamName(EncodeCamName("Cam"), out);
    EXPECT_EQ(out[0], 'C');
    EXPECT_EQ(out[2], 'm');
    EXPECT_EQ(out[3], 0);
    EXPECT_EQ(out[4], 0xAA);
    EXPECT_EQ(out[255], 0);
}

TEST(CamName, AFullBufferWithoutNulIsCutTo255Bytes) {
    std::array<std::uint8_t, kCamNameBytes> answer;
    answer.fill('x');
    std::array<std::uint8_t, kCamNameBytes> out{};
    DecodeCamName(answer, out);
    for (std::size_t i = 0; i < 255; ++i) ASSERT_EQ(out[i], 'x') << i;
    EXPECT_EQ(out[255], 0);
    EXPECT_EQ(EncodeCamName(std::string(300, 'y'))[255], 0);
}

TEST(MmiObject, HeaderWordsThenText) {
    std::array<std::uint8_t, kMmiObjectSize> bytes{};
    const std::uint8_t header[] = {0x07, 0, 0, 0, 0x01, 0, 0, 0, 0xFF, 0, 0, 0, 0x05, 0, 0, 0};
    std::copy(std::begin(header), std::end(header), bytes.begin());
    bytes[16] = 'T';
    bytes[2063] = 'z';
    const MmiObject object = DecodeMmiObject(bytes);
    EXPECT_EQ(object.objectId, 7u);
    EXPECT_EQ(object.type, kMmiTypeMenu);
    EXPECT_EQ(object.count, kMmiNoItemCount);
    EXPECT_EQ(object.textLength, 5u);
    EXPECT_EQ(object.text[0], 'T');
    EXPECT_EQ(object.text[2047], 'z');
    EXPECT_EQ(EncodeMmiObject(object), bytes);
}

TEST(MmiMenuAnswer, IdThenChoice) {
    EXPECT_EQ(ToBytes(EncodeMmiMenuAnswer({0x11223344, 2})),
              (Bytes{0x44, 0x33, 0x22, 0x11, 0x02, 0x00, 0x00, 0x00}));
    EXPECT_EQ(DecodeMmiMenuAnswer(EncodeMmiMenuAnswer({9, 0})), (MmiMenuAnswer{9, 0}));
}

TEST(MmiEnquiryAnswer, LengthPlusTwelveBytes) {
    EXPECT_EQ(EncodeMmiEnquiryAnswer({5, {}}), (Bytes{0x05, 0, 0, 0, 0x00, 0, 0, 0, 0, 0, 0, 0}));
    const MmiEnquiryAnswer pin{6, {0x10, 0x00, 0x05, '1', '2', '3', '4'}};
    const Bytes bytes = EncodeMmiEnquiryAnswer(pin);
    EXPECT_EQ(bytes, (Bytes{0x06, 0, 0, 0, 0x07, 0, 0, 0, 0x10, 0x00, 0x05, '1', '2', '3', '4', 0,
                            0, 0, 0}));
    EXPECT_EQ(DecodeMmiEnquiryAnswer(bytes), pin);
}

TEST(MmiEnquiryAnswer, ABufferShorterThanItsLengthWordIsNotDecoded) {
    EXPECT_FALSE(DecodeMmiEnquiryAnswer(Bytes(11)));
    Bytes bytes = EncodeMmiEnquiryAnswer({1, {'1', '2'}});
    bytes[4] = 3;
    EXPECT_FALSE(DecodeMmiEnquiryAnswer(bytes));
    bytes[4] = 0xFF;
    bytes[7] = 0xFF;
    EXPECT_FALSE(DecodeMmiEnquiryAnswer(bytes));
}

}  // namespace

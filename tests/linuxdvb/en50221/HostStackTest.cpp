// The host stack driven byte by byte as a module would drive it, with the clock in the test's
// hands: the start-up dialogue, chained data, garbage at each layer, sessions, the MMI objects,
// date-time and ca_pmt.
#include <gtest/gtest.h>

#include "linuxdvb/en50221/CaPmt.h"
#include "linuxdvb/en50221/DateTime.h"
#include "linuxdvb/en50221/HostStack.h"
#include "linuxdvb/en50221/LengthField.h"

namespace linuxdvb::en50221 {
namespace {

using namespace std::chrono_literals;

const Bytes kStatusIdle = {0x80, 0x02, 0x01, 0x00};
const Bytes kStatusData = {0x80, 0x02, 0x01, 0x80};

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

Bytes Text(const std::string& s) {
    return Cat(
        {{0x9F, 0x88, 0x03, static_cast<std::uint8_t>(s.size())}, Bytes(s.begin(), s.end())});
}

class HostStackTest : public ::testing::Test {
protected:
    // The command the host writes next (empty when it has none due).
    Bytes Command() { return stack.NextCommand(now).value_or(Bytes{}); }
    void Answer(const Bytes& response) { stack.OnResponse(response, now); }

    void Open() {
        stack.Connect(now);
        ASSERT_EQ(Command(), (Bytes{0x82, 0x01, 0x01}));
        Answer({0x83, 0x01, 0x01, 0x80, 0x02, 0x01, 0x00});
        ASSERT_TRUE(stack.IsConnected());
    }
    // The module hands over one session unit in answer to whatever the host says next, and
    // tells it nothing more is queued; returns what the host then says.
    Bytes Deliver(const Bytes& spdu) {
        now += Transport::kPollInterval;
        Command();
        Answer(Cat({{0xA0, static_cast<std::uint8_t>(spdu.size() + 1), 0x01}, spdu, kStatusIdle}));
        return Command();
    }
    // The session-data unit the host sends on `session`, as it writes it.
    static Bytes HostData(std::uint16_t session, const Bytes& apdu) {
        return Cat({{0xA0, static_cast<std::uint8_t>(apdu.size() + 5), 0x01, 0x90, 0x02, 0x00,
                     static_cast<std::uint8_t>(session)},
                    apdu});
    }
    static Bytes ModuleData(std::uint16_t session, const Bytes& apdu) {
        return Cat({{0x90, 0x02, 0x00, static_cast<std::uint8_t>(session)}, apdu});
    }
    // Opens `resource` and returns the host's answer.
    Bytes OpenSession(std::uint32_t resource) {
        return Deliver({0x91, 0x04, static_cast<std::uint8_t>(resource >> 24),
                        static_cast<std::uint8_t>(resource >> 16),
                        static_cast<std::uint8_t>(resource >> 8),
                        static_cast<std::uint8_t>(resource)});
    }
    // Opens the application (session 1) and MMI (session 2) sessions.
    void OpenMmi() {
        Open();
        OpenSession(kApplicationInformation);
        Command();  // application_info_enq
        Answer(kStatusIdle);
        OpenSession(kMmiResource);
    }

    HostStack stack;
    HostStack::Clock::time_point now{};
};

TEST(LengthFieldTest, ShortAndLongFormsReadBackAndMalformedFieldsAreRefused) {
    for (const std::size_t length : {0u, 127u, 128u, 255u, 256u, 65535u, 70000u}) {
        Bytes field;
        AppendLengthField(field, length);
        const auto read = ReadLengthField(field);
        ASSERT_TRUE(read);
        EXPECT_EQ(read->value, length);
        EXPECT_EQ(read->size, field.size());
    }
    EXPECT_EQ(ReadLengthField(Bytes{0x81, 0x80})->value, 0x80u);
    EXPECT_FALSE(ReadLengthField(Bytes{0x80}));                        // no length bytes
    EXPECT_FALSE(ReadLengthField(Bytes{0x85, 1, 2, 3, 4, 5}));         // five of them
    EXPECT_FALSE(ReadLengthField(Bytes{0x82, 0x01}));                  // cut short
    EXPECT_FALSE(ReadTaggedObject(Bytes{0xA0, 0x05, 0x01, 0x02}, 1));  // body past the end
}

TEST_F(HostStackTest, StartUpPollsEveryIntervalAndFetchesAtOnceWhenTheModuleHasData) {
    Open();
    EXPECT_TRUE(Command().empty());  // just answered: no poll yet
    now += 299ms;                    // modules fail when polled faster
    EXPECT_TRUE(Command().empty());
    now += 1ms;
    EXPECT_EQ(Command(), (Bytes{0xA0, 0x01, 0x01}));
    Answer(kStatusData);
    EXPECT_EQ(Command(), (Bytes{0x81, 0x01, 0x01}));
    Answer(Cat({{0xA0, 0x07, 0x01, 0x91, 0x04, 0x00, 0x01, 0x00, 0x41}, kStatusIdle}));
    EXPECT_EQ(Command(),
              (Bytes{0xA0, 0x0A, 0x01, 0x92, 0x07, 0x00, 0x00, 0x01, 0x00, 0x41, 0x00, 0x01}));
    Answer(kStatusIdle);
    EXPECT_EQ(Command(), HostData(1, {0x9F, 0x80, 0x10, 0x00}));  // profile_enq
}

TEST_F(HostStackTest, ChainedDataIsJoinedBeforeTheSessionLayerSeesIt) {
    Open();
    now += Transport::kPollInterval;
    Command();
    Answer(Cat({{0xA1, 0x04, 0x01, 0x91, 0x04, 0x00}, kStatusData}));
    EXPECT_EQ(Command(), (Bytes{0x81, 0x01, 0x01}));
    Answer(Cat({{0xA0, 0x04, 0x01, 0x01, 0x00, 0x41}, kStatusIdle}));
    EXPECT_EQ(Command(),
              (Bytes{0xA0, 0x0A, 0x01, 0x92, 0x07, 0x00, 0x00, 0x01, 0x00, 0x41, 0x00, 0x01}));
}

TEST_F(HostStackTest, TransportGarbageOrSilenceDeletesTheConnectionAndANewOneFollows) {
    const std::vector<Bytes> garbage = {
        {0xA0, 0x09, 0x01, 0x00, 0x80, 0x02, 0x01, 0x00},  // length past the end
        Cat({{0xA0, 0x01, 0x02}, kStatusIdle}),            // another connection's data
    };
    for (const Bytes& response : garbage) {
        Open();
        now += Transport::kPollInterval;
        Command();
        Answer(response);
        EXPECT_FALSE(stack.IsConnected());
        EXPECT_EQ(Command(), (Bytes{0x84, 0x01, 0x01}));
        Answer({0x85, 0x01, 0x01});
        EXPECT_TRUE(Command().empty());
        now += Transport::kRetryDelay;
        EXPECT_EQ(Command(), (Bytes{0x82, 0x01, 0x01}));
    }
    stack.OnSilence(now);
    EXPECT_FALSE(stack.TakeResetRequest());  // a create unanswered: no reset, the module is slow
    now += Transport::kRetryDelay;
    EXPECT_EQ(Command(), (Bytes{0x82, 0x01, 0x01}));
}

TEST_F(HostStackTest, ABadSessionUnitOrAnUnknownSessionLeavesTheConnectionAndItsSessions) {
    OpenMmi();
    for (const Bytes& unit : {Bytes{0x77, 0x00}, Bytes{0x91, 0x09, 0x00}, ModuleData(9, {})}) {
        const Bytes next = Deliver(unit);
        EXPECT_NE(next, (Bytes{0x84, 0x01, 0x01}));  // no delete_t_c
        if (!next.empty()) Answer(kStatusIdle);
    }
    EXPECT_TRUE(stack.IsConnected());
    EXPECT_TRUE(stack.EnterMenu());
}

TEST_F(HostStackTest, ModuleDeletesTheConnection) {
    Open();
    now += Transport::kPollInterval;
    Command();
    Answer(Cat({{0x84, 0x01, 0x01}, kStatusIdle}));
    EXPECT_EQ(Command(), (Bytes{0x85, 0x01, 0x01}));
    Answer(kStatusIdle);
    now += Transport::kRetryDelay;
    EXPECT_EQ(Command(), (Bytes{0x82, 0x01, 0x01}));
}

TEST_F(HostStackTest, SessionsOpenOnlyForResourcesAndVersionsTheHostHas) {
    Open();
    // Host control is not offered; application information beyond version 3 is refused with
    // the newest the host has.
    EXPECT_EQ(OpenSession(0x00200041),
              (Bytes{0xA0, 0x0A, 0x01, 0x92, 0x07, 0xF0, 0x00, 0x20, 0x00, 0x41, 0x00, 0x00}));
    EXPECT_EQ(OpenSession(0x00020044),
              (Bytes{0xA0, 0x0A, 0x01, 0x92, 0x07, 0xF2, 0x00, 0x02, 0x00, 0x43, 0x00, 0x00}));
    EXPECT_EQ(OpenSession(kMmiResource),
              (Bytes{0xA0, 0x0A, 0x01, 0x92, 0x07, 0x00, 0x00, 0x40, 0x00, 0x41, 0x00, 0x01}));
    Answer(kStatusIdle);
    // A second MMI session is the module's next dialogue: the old session is closed for it.
    EXPECT_EQ(OpenSession(kMmiResource), (Bytes{0xA0, 0x05, 0x01, 0x95, 0x02, 0x00, 0x01}));
    Answer(kStatusIdle);
    EXPECT_EQ(Command(),
              (Bytes{0xA0, 0x0A, 0x01, 0x92, 0x07, 0x00, 0x00, 0x40, 0x00, 0x41, 0x00, 0x02}));
    Answer(kStatusIdle);
    EXPECT_EQ(Deliver({0x95, 0x02, 0x00, 0x02}),
              (Bytes{0xA0, 0x06, 0x01, 0x96, 0x03, 0x00, 0x00, 0x02}));
    Answer(kStatusIdle);
    EXPECT_EQ(Deliver({0x95, 0x02, 0x00, 0x07}),
              (Bytes{0xA0, 0x06, 0x01, 0x96, 0x03, 0xF0, 0x00, 0x07}));
}

TEST_F(HostStackTest, ResourceManagerExchangesProfilesOnce) {
    Open();
    EXPECT_EQ(OpenSession(kResourceManager).size(), 12u);
    Answer(kStatusIdle);
    EXPECT_EQ(Command(), HostData(1, {0x9F, 0x80, 0x10, 0x00}));
    Answer(kStatusIdle);
    EXPECT_EQ(Deliver(ModuleData(1, {0x9F, 0x80, 0x11, 0x00})),
              HostData(1, {0x9F, 0x80, 0x12, 0x00}));
    Answer(kStatusIdle);
    EXPECT_EQ(
        Deliver(ModuleData(1, {0x9F, 0x80, 0x10, 0x00})),
        HostData(1, {0x9F, 0x80, 0x11, 0x14, 0x00, 0x01, 0x00, 0x41, 0x00, 0x02, 0x00, 0x41,
                     0x00, 0x03, 0x00, 0x41, 0x00, 0x24, 0x00, 0x41, 0x00, 0x40, 0x00, 0x41}));
    Answer(kStatusIdle);
    now += Transport::kPollInterval;
    EXPECT_TRUE(Deliver(ModuleData(1, {0x9F, 0x80, 0x11, 0x00})).empty());  // no second change
}

TEST_F(HostStackTest, ApplicationNamesTheModuleAndAMalformedInfoClosesItsSession) {
    Open();
    OpenSession(kApplicationInformation);
    Answer(kStatusIdle);
    EXPECT_EQ(Command(), HostData(1, {0x9F, 0x80, 0x20, 0x00}));
    Answer(kStatusIdle);
    Deliver(ModuleData(1, Cat({{0x9F, 0x80, 0x21, 0x0A, 0x01, 0x4B, 0x57, 0x02, 0x04, 0x04},
                               Bytes{'C', 'A', 'M', '1'}})));
    EXPECT_EQ(stack.CamName(), "CAM1");
    EXPECT_TRUE(stack.EnterMenu());
    Answer(kStatusIdle);
    EXPECT_EQ(Command(), HostData(1, {0x9F, 0x80, 0x22, 0x00}));
    Answer(kStatusIdle);
    // The menu string claims more bytes than the object holds.
    EXPECT_EQ(
        Deliver(ModuleData(1, {0x9F, 0x80, 0x21, 0x07, 0x01, 0x4B, 0x57, 0x02, 0x04, 0x09, 'X'})),
        (Bytes{0xA0, 0x05, 0x01, 0x95, 0x02, 0x00, 0x01}));
    EXPECT_FALSE(stack.CamName());
    EXPECT_FALSE(stack.EnterMenu());
}

TEST_F(HostStackTest, MmiObjectsInPartsEachGetANewIdAndAnswersGoOutOnce) {
    OpenMmi();
    EXPECT_EQ(Deliver(ModuleData(2, {0x9F, 0x88, 0x01, 0x02, 0x01, 0x01})),
              HostData(2, {0x9F, 0x88, 0x02, 0x02, 0x01, 0x01}));
    Answer(kStatusIdle);
    // A menu of four choices of which two come, the subtitle itself in two text parts.
    const Bytes menu = Cat({{0x04},
                            Text("Title"),
                            {0x9F, 0x88, 0x04, 0x02, 'S', 'u'},
                            Text("b"),
                            Text("Bottom"),
                            Text("One"),
                            Text("Two")});
    const Bytes first(menu.begin(), menu.begin() + 10), rest(menu.begin() + 10, menu.end());
    Deliver(
        ModuleData(2, Cat({{0x9F, 0x88, 0x0A, static_cast<std::uint8_t>(first.size())}, first})));
    EXPECT_FALSE(stack.Display());
    Deliver(ModuleData(2, Cat({{0x9F, 0x88, 0x09, static_cast<std::uint8_t>(rest.size())}, rest})));
    ASSERT_TRUE(stack.Display());
    EXPECT_EQ(stack.Display()->kind, MmiDisplay::kMenu);
    EXPECT_EQ(stack.Display()->count, 2u);
    EXPECT_EQ(stack.Display()->strings,
              (std::vector<std::string>{"Title", "Sub", "Bottom", "One", "Two"}));
    const std::uint32_t menuId = stack.DisplayId();

    EXPECT_TRUE(stack.AnswerMenu(2));
    EXPECT_FALSE(stack.AnswerMenu(1));  // answered already
    EXPECT_EQ(Command(), HostData(2, {0x9F, 0x88, 0x0B, 0x01, 0x02}));
    Answer(kStatusIdle);

    Deliver(ModuleData(2, Cat({{0x9F, 0x88, 0x07, 0x06, 0x01, 0x04}, Bytes{'P', 'I', 'N', '?'}})));
    EXPECT_EQ(stack.Display()->kind, MmiDisplay::kBlindEnquiry);
    EXPECT_EQ(stack.Display()->count, 4u);
    EXPECT_NE(stack.DisplayId(), menuId);
    EXPECT_FALSE(stack.AnswerMenu(0));
    EXPECT_TRUE(stack.AnswerEnquiry(Bytes{0x05, '1', '2'}));
    EXPECT_EQ(Command(), HostData(2, {0x9F, 0x88, 0x08, 0x04, 0x01, 0x05, '1', '2'}));
    Answer(kStatusIdle);

    // A list without an item count counts every item; cancel of an enquiry is answ_id 0.
    Deliver(ModuleData(
        2,
        MakeApdu(kListLast, Cat({{0xFF}, Text("T"), Text("S"), Text("B"), Text("i"), Text("j")}))));
    EXPECT_EQ(stack.Display()->count, 2u);
    EXPECT_EQ(stack.Display()->strings.size(), 5u);
    Deliver(ModuleData(2, {0x9F, 0x88, 0x07, 0x02, 0x00, 0x04}));
    EXPECT_TRUE(stack.AnswerEnquiry({}));
    EXPECT_EQ(Command(), HostData(2, {0x9F, 0x88, 0x08, 0x01, 0x00}));
    Answer(kStatusIdle);

    Deliver(ModuleData(2, {0x9F, 0x88, 0x00, 0x01, 0x00}));
    EXPECT_FALSE(stack.Display());
}

TEST_F(HostStackTest, MalformedMmiObjectsCloseTheSessionAndEndTheDialogue) {
    const std::vector<Bytes> garbage = {
        Cat({{0x9F, 0x88, 0x09, 0x0D, 0x01}, Text("T"), Text("S"), {0x9F, 0x88, 0x03, 0x09, 'B'}}),
        Cat({{0x9F, 0x88, 0x09, 0x07, 0x00}, Text("T"), Text("S")}),  // no bottom line
        Cat({{0x9F, 0x88, 0x0A, 0x04, 0x00},
             Text("T"),
             {0x9F, 0x88, 0x0C, 0x01, 0x00}}),  // menu part, then list
        {0x9F, 0x88, 0x07, 0x01, 0x00},         // enquiry without length
        {0x9F, 0x88, 0x00, 0x00},               // close without command
    };
    for (const Bytes& apdu : garbage) {
        OpenMmi();
        Answer(kStatusIdle);
        Deliver(ModuleData(2, Cat({{0x9F, 0x88, 0x07, 0x03, 0x00, 0x04, 'P'}})));
        ASSERT_TRUE(stack.Display());
        Bytes reply = Deliver(ModuleData(2, apdu));
        if (reply.size() > 3 && reply[3] == 0x90) {  // the first of the parts was taken
            Answer(kStatusIdle);
            reply = Deliver(ModuleData(2, Cat({{0x9F, 0x88, 0x0C, 0x01, 0x00}})));
        }
        EXPECT_EQ(reply, (Bytes{0xA0, 0x05, 0x01, 0x95, 0x02, 0x00, 0x02}));
        EXPECT_FALSE(stack.Display());
        stack.Disconnect();
    }
}

TEST_F(HostStackTest, OnlyHighLevelMmiIsAcknowledgedAndADelayedCloseWaitsItsSeconds) {
    OpenMmi();
    EXPECT_EQ(Deliver(ModuleData(2, {0x9F, 0x88, 0x01, 0x02, 0x01, 0x03})),
              HostData(2, {0x9F, 0x88, 0x02, 0x01, 0xF1}));  // full-screen: unknown mode
    Answer(kStatusIdle);
    EXPECT_EQ(Deliver(ModuleData(2, {0x9F, 0x88, 0x01, 0x01, 0x02})),
              HostData(2, {0x9F, 0x88, 0x02, 0x01, 0xF0}));  // character tables: unknown command
    Answer(kStatusIdle);
    Deliver(ModuleData(2, {0x9F, 0x88, 0x07, 0x02, 0x00, 0x04}));
    Deliver(ModuleData(2, {0x9F, 0x88, 0x00, 0x02, 0x01, 0x02}));  // close in two seconds
    now += 1900ms;
    Command();
    EXPECT_TRUE(stack.Display());
    now += Transport::kPollInterval;
    Command();
    EXPECT_FALSE(stack.Display());
}

TEST_F(HostStackTest, DateTimeIsSentAtOnceAndThenAtTheAskedInterval) {
    Open();
    OpenSession(kDateTimeResource);
    Answer(kStatusIdle);
    const Bytes reply = Deliver(ModuleData(1, {0x9F, 0x84, 0x40, 0x01, 0x02}));
    ASSERT_EQ(reply.size(), 7u + 4u + 7u);
    EXPECT_EQ(Bytes(reply.begin() + 7, reply.begin() + 11), (Bytes{0x9F, 0x84, 0x41, 0x07}));
    Answer(kStatusIdle);
    now += 1s;
    EXPECT_EQ(Command(), (Bytes{0xA0, 0x01, 0x01}));  // a poll, not yet the time
    Answer(kStatusIdle);
    now += 1s;
    EXPECT_EQ(Command().size(), 18u);
}

TEST(DateTimeTest, ModifiedJulianDateAndBcdTime) {
    // 1993-10-13 12:45:00 UTC, one hour east.
    EXPECT_EQ(DateTimeBody(750516300, 60), (Bytes{0xC0, 0x79, 0x12, 0x45, 0x00, 0x00, 0x3C}));
    EXPECT_EQ(DateTimeBody(750516300, -90), (Bytes{0xC0, 0x79, 0x12, 0x45, 0x00, 0xFF, 0xA6}));
}

TEST(CaPmtTest, KeepsTheCaDescriptorsOfProgrammeAndStreamsBehindTheCommand) {
    const std::vector<std::uint16_t> kIds = {0x0B00};
    Bytes pmt = {0x02, 0xB0, 0x00, 0x12, 0x34, 0xC7, 0x00, 0x00, 0xE1, 0x00, 0xF0, 0x09,
                 0x09, 0x04, 0x0B, 0x00, 0xE1, 0x01,  // CA descriptor
                 0x52, 0x01, 0x07,                    // another descriptor, dropped
                 0x02, 0xE1, 0x10, 0xF0, 0x06, 0x09, 0x04, 0x0B, 0x00, 0xE1, 0x02, 0x04,
                 0xE1, 0x11, 0xF0, 0x03, 0x0A, 0x01, 0x65, 0xDE, 0xAD, 0xBE, 0xEF};
    pmt[2] = static_cast<std::uint8_t>(pmt.size() - 3);
    EXPECT_EQ(ReadPmtIdentity(pmt)->version, 3);
    EXPECT_EQ(MakeCaPmt(pmt, kCaPmtOnly, kCaPmtOkDescrambling, kIds),
              (Bytes{0x03, 0x12, 0x34, 0x07, 0x00, 0x07, 0x01, 0x09, 0x04, 0x0B,
                     0x00, 0xE1, 0x01, 0x02, 0x01, 0x10, 0x00, 0x07, 0x01, 0x09,
                     0x04, 0x0B, 0x00, 0xE1, 0x02, 0x04, 0x01, 0x11, 0x00, 0x00}));
    pmt[2] += 1;  // section longer than the bytes
    EXPECT_FALSE(MakeCaPmt(pmt, kCaPmtOnly, kCaPmtOkDescrambling, kIds));
    pmt[2] -= 4;  // the last stream's descriptor loop runs into the CRC
    EXPECT_FALSE(MakeCaPmt(pmt, kCaPmtOnly, kCaPmtOkDescrambling, kIds));
}

TEST_F(HostStackTest, ALateCreateReplyOpensTheConnectionAndAStrayOneWhileOpenIsIgnored) {
    stack.Connect(now);
    ASSERT_EQ(Command(), (Bytes{0x82, 0x01, 0x01}));
    stack.OnSilence(now + 1s);  // the module takes longer than the host waits
    now += 1500ms;
    Answer({0x83, 0x01, 0x01, 0x80, 0x02, 0x01, 0x00});  // read before the next create
    EXPECT_TRUE(stack.IsConnected());
    EXPECT_EQ(Command(), (Bytes{0xA0, 0x01, 0x01}));  // a poll, no second create
    // The module answers the create once more while open: neither a delete nor a lag.
    Answer({0x83, 0x01, 0x01, 0x80, 0x02, 0x01, 0x80});
    EXPECT_TRUE(stack.IsConnected());
    EXPECT_EQ(Command(), (Bytes{0x81, 0x01, 0x01}));
}

TEST_F(HostStackTest, UnitsLeftFromBeforeAResetOpenNothing) {
    stack.Connect(now);
    Answer({0x83, 0x01, 0x01, 0x80, 0x02, 0x01, 0x00});    // before the host's create
    Answer(Cat({{0xA0, 0x02, 0x01, 0x77}, kStatusData}));  // data of the old connection
    EXPECT_FALSE(stack.IsConnected());
    EXPECT_EQ(Command(), (Bytes{0x82, 0x01, 0x01}));
}

TEST_F(HostStackTest, AModuleThatDeletesTheConnectionLeavesNoPartOfItBehind) {
    Open();
    now += Transport::kPollInterval;
    Command();
    // Half an open request and a request for a second connection, then the module deletes it.
    Answer(Cat({{0xA1, 0x04, 0x01, 0x91, 0x04, 0x00}, {0x86, 0x01, 0x01}, kStatusIdle}));
    Answer(Cat({{0x84, 0x01, 0x01}, kStatusIdle}));
    EXPECT_EQ(Command(), (Bytes{0x85, 0x01, 0x01}));
    Answer(kStatusIdle);
    now += Transport::kRetryDelay;
    EXPECT_EQ(Command(), (Bytes{0x82, 0x01, 0x01}));
    Answer({0x83, 0x01, 0x01, 0x80, 0x02, 0x01, 0x00});
    now += Transport::kPollInterval;
    EXPECT_EQ(Command(), (Bytes{0xA0, 0x01, 0x01}));  // a poll, not the old connection's error
    Answer(Cat({{0xA0, 0x07, 0x01, 0x91, 0x04, 0x00, 0x01, 0x00, 0x41}, kStatusIdle}));
    EXPECT_EQ(Command(),
              (Bytes{0xA0, 0x0A, 0x01, 0x92, 0x07, 0x00, 0x00, 0x01, 0x00, 0x41, 0x00, 0x01}));
}

TEST_F(HostStackTest, AProfileEnquiryBeforeTheHostsOwnIsAnswered) {
    Open();
    // The module opens the manager and asks at once, in one unit, before reading the host.
    now += Transport::kPollInterval;
    Command();
    Answer(Cat({{0xA0, 0x07, 0x01, 0x91, 0x04, 0x00, 0x01, 0x00, 0x41}, kStatusIdle}));
    Command();  // open response
    Answer(Cat({{0xA0, 0x09, 0x01, 0x90, 0x02, 0x00, 0x01, 0x9F, 0x80, 0x10, 0x00}, kStatusIdle}));
    EXPECT_EQ(Command(), HostData(1, {0x9F, 0x80, 0x10, 0x00}));  // the host's own enquiry
    Answer(kStatusIdle);
    EXPECT_EQ(Command(), HostData(1, {0x9F, 0x80, 0x11, 0x14, 0x00, 0x01, 0x00, 0x41,
                                      0x00, 0x02, 0x00, 0x41, 0x00, 0x03, 0x00, 0x41,
                                      0x00, 0x24, 0x00, 0x41, 0x00, 0x40, 0x00, 0x41}));
}

TEST_F(HostStackTest, ApplicationInformationVersionThreeLearnsTheDataRateAndMayAskForAReset) {
    Open();
    EXPECT_EQ(OpenSession(0x00020043),
              (Bytes{0xA0, 0x0A, 0x01, 0x92, 0x07, 0x00, 0x00, 0x02, 0x00, 0x43, 0x00, 0x01}));
    Answer(kStatusIdle);
    Command();  // application_info_enq
    Answer(kStatusIdle);
    const Bytes info = {0x9F, 0x80, 0x21, 0x09, 0x01, 0x12, 0x34, 0x56, 0x78, 0x03, 'C', 'A', 'M'};
    EXPECT_EQ(Deliver(ModuleData(1, info)), HostData(1, {0x9F, 0x80, 0x24, 0x01, 0x00}));
    Answer(kStatusIdle);
    ASSERT_TRUE(stack.Application());
    EXPECT_EQ(stack.Application()->manufacturer, 0x1234);
    EXPECT_EQ(stack.Application()->code, 0x5678);
    EXPECT_FALSE(stack.TakeResetRequest());
    Deliver(ModuleData(1, {0x9F, 0x80, 0x23, 0x00}));
    EXPECT_TRUE(stack.TakeResetRequest());
    EXPECT_FALSE(stack.TakeResetRequest());
}

TEST_F(HostStackTest, CloseMmiClosesTheSessionAndTheModulesNextSessionIsHeard) {
    OpenMmi();
    Answer(kStatusIdle);
    Deliver(ModuleData(2, {0x9F, 0x88, 0x07, 0x02, 0x00, 0x04}));
    ASSERT_TRUE(stack.Display());
    EXPECT_EQ(Deliver(ModuleData(2, {0x9F, 0x88, 0x00, 0x01, 0x00})),
              (Bytes{0xA0, 0x05, 0x01, 0x95, 0x02, 0x00, 0x02}));
    Answer(kStatusIdle);
    EXPECT_FALSE(stack.Display());
    EXPECT_EQ(OpenSession(kMmiResource),
              (Bytes{0xA0, 0x0A, 0x01, 0x92, 0x07, 0x00, 0x00, 0x40, 0x00, 0x41, 0x00, 0x03}));
    Answer(kStatusIdle);
    Deliver(ModuleData(3, {0x9F, 0x88, 0x07, 0x02, 0x00, 0x04}));
    EXPECT_TRUE(stack.Display());
}

// A PMT section of programme `program` and `version`, with a programme-level CA descriptor of
// each system in `ids` and one video stream.
Bytes PmtSection(std::uint16_t program, std::uint8_t version, std::vector<std::uint16_t> ids,
                 bool current = true) {
    Bytes info;
    for (const std::uint16_t id : ids)
        info = Cat({info,
                    {0x09, 0x04, static_cast<std::uint8_t>(id >> 8), static_cast<std::uint8_t>(id),
                     0xE1, 0x00}});
    Bytes pmt = Cat({{0x02, 0xB0, 0x00, static_cast<std::uint8_t>(program >> 8),
                      static_cast<std::uint8_t>(program),
                      static_cast<std::uint8_t>(0xC0 | version << 1 | (current ? 1 : 0)), 0x00,
                      0x00, 0xE1, 0x00, 0xF0, static_cast<std::uint8_t>(info.size())},
                     info,
                     {0x02, 0xE1, 0x10, 0xF0, 0x00, 0xDE, 0xAD, 0xBE, 0xEF}});
    pmt[2] = static_cast<std::uint8_t>(pmt.size() - 3);
    return pmt;
}

TEST(CaPmtTest, OnlyTheModulesCaSystemsAndOnlyCurrentSections) {
    const std::vector<std::uint16_t> ids = {0x0B00};
    const auto both = MakeCaPmt(PmtSection(7, 1, {0x0100, 0x0B00}), kCaPmtOnly, 1, ids);
    ASSERT_TRUE(both);
    EXPECT_EQ(*both, (Bytes{0x03, 0x00, 0x07, 0x03, 0x00, 0x07, 0x01, 0x09, 0x04, 0x0B, 0x00, 0xE1,
                            0x00, 0x02, 0x01, 0x10, 0x00, 0x00}));
    EXPECT_FALSE(MakeCaPmt(PmtSection(7, 1, {0x0100}), kCaPmtOnly, 1, ids));  // nothing to ask
    EXPECT_FALSE(MakeCaPmt(PmtSection(7, 1, {}), kCaPmtOnly, 1, ids));
    EXPECT_FALSE(MakeCaPmt(PmtSection(7, 1, {0x0B00}, false), kCaPmtOnly, 1, ids));
    EXPECT_FALSE(ReadPmtIdentity(PmtSection(7, 1, {}, false))->current);
}

TEST_F(HostStackTest, TwoProgrammesShareTheModulesListAndANewCaSessionHearsThemAllAgain) {
    Open();
    const auto caPmt = [](std::uint8_t list, std::uint16_t program, std::uint8_t version,
                          std::uint8_t command) {
        return Bytes{0x9F,
                     0x80,
                     0x32,
                     0x12,
                     list,
                     0x00,
                     static_cast<std::uint8_t>(program),
                     static_cast<std::uint8_t>(version << 1 | 1),
                     0x00,
                     0x07,
                     command,
                     0x09,
                     0x04,
                     0x0B,
                     0x00,
                     0xE1,
                     0x00,
                     0x02,
                     0x01,
                     0x10,
                     0x00,
                     0x00};
    };
    stack.SetCaPmt(1, PmtSection(7, 1, {0x0B00}));  // kept until the module lists its systems
    OpenSession(kConditionalAccessSupport);
    Answer(kStatusIdle);
    Command();  // ca_info_enq
    Answer(kStatusIdle);
    EXPECT_EQ(Deliver(ModuleData(1, {0x9F, 0x80, 0x31, 0x02, 0x0B, 0x00})),
              HostData(1, caPmt(0x03, 7, 1, 0x01)));
    Answer(kStatusIdle);
    stack.SetCaPmt(2, PmtSection(8, 1, {0x0B00}));
    EXPECT_EQ(Command(), HostData(1, caPmt(0x04, 8, 1, 0x01)));  // added, not replacing
    Answer(kStatusIdle);
    stack.SetCaPmt(1, PmtSection(7, 2, {0x0B00}));
    EXPECT_EQ(Command(), HostData(1, caPmt(0x05, 7, 2, 0x01)));
    Answer(kStatusIdle);
    stack.SetCaPmt(1, PmtSection(7, 2, {0x0B00}));  // the same again: nothing
    stack.SetCaPmt(2, {});
    EXPECT_EQ(Command(), HostData(1, caPmt(0x05, 8, 1, 0x04)));  // no longer selected
    Answer(kStatusIdle);
    stack.SetCaPmt(3, PmtSection(9, 1, {0x0100}));  // not the module's system: nothing
    stack.SetCaPmt(2, PmtSection(8, 1, {0x0B00}));
    EXPECT_EQ(Command(), HostData(1, caPmt(0x04, 8, 1, 0x01)));
    Answer(kStatusIdle);

    // The module closes its CA session and opens a new one: everything again, first "only".
    Deliver({0x95, 0x02, 0x00, 0x01});
    Answer(kStatusIdle);
    OpenSession(kConditionalAccessSupport);
    Answer(kStatusIdle);
    Command();  // ca_info_enq
    Answer(kStatusIdle);
    EXPECT_EQ(Deliver(ModuleData(2, {0x9F, 0x80, 0x31, 0x02, 0x0B, 0x00})),
              HostData(2, caPmt(0x03, 7, 2, 0x01)));
    Answer(kStatusIdle);
    EXPECT_EQ(Command(), HostData(2, caPmt(0x04, 8, 1, 0x01)));
}

}  // namespace
}  // namespace linuxdvb::en50221

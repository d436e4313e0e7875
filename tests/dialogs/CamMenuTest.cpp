// The CAM menu dialog against the card's CAM on tuner 1's graph (the card this suite is linked
// with, see CardBackend.h), driven as the main frame's timer and the user drive it. Objects the
// CAM never shows (unsupported tables, a Turkish prompt, a repeated id with other text) are
// presented at the CI filter instead.
#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <array>
#include <string>

#include "CardBackend.h"
#include "DialogDriver.h"
#include "RequestRecorder.h"
#include "dialogs/CamMenu.h"
#include "faults/BoundedWait.h"
#include "tuner/driver/PropertySets.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Text(std::initializer_list<std::string> strings) {
    Bytes text;
    for (const auto& s : strings) {
        text.insert(text.end(), s.begin(), s.end());
        text.push_back(0);
    }
    return text;
}

// What the user sees.
struct View {
    QString title, subtitle, bottomLine;
    QStringList items;  // empty when the list box is hidden
    bool answerShown = false;
};

class CamMenuTest : public testing::Test {
protected:
    CamMenuTest()
        : m_backend(MakeCardBackend()),
          m_graph(m_backend->MakeReadyGraph(1)),
          m_recorder(*m_graph) {
        m_menu.m_camGraph = m_graph.get();
    }

    // What "CAM Menu ..." does.
    void OpenCamMenu() {
        ASSERT_GE(m_menu.m_camGraph->MmiOpen(), 0);
        m_menu.m_countdown = 100;
        m_menu.m_mmiState = kMmiOpening;
    }
    View Shown() const {
        View view;
        view.title = FindControl<QLabel>(&m_menu, kIdcCamTitle)->text();
        const auto* subtitle = FindControl<QLabel>(&m_menu, kIdcCamSubtitle);
        const auto* bottom = FindControl<QLabel>(&m_menu, kIdcCamBottomLine);
        view.subtitle = subtitle->isVisible() ? subtitle->text() : QString();
        view.bottomLine = bottom->isVisible() ? bottom->text() : QString();
        if (Items()->isVisible()) {
            for (int i = 0; i < Items()->count(); ++i) {
                view.items << Items()->item(i)->text();
            }
        }
        view.answerShown = Answer()->isVisible();
        return view;
    }
    QListWidget* Items() const { return FindControl<QListWidget>(&m_menu, kIdcCamItems); }
    QLineEdit* Answer() const { return FindControl<QLineEdit>(&m_menu, kIdcCamAnswer); }
    void SelectLine(int row) {
        QTest::mouseClick(Items()->viewport(), Qt::LeftButton, {},
                          Items()->visualItemRect(Items()->item(row)).center());
    }
    // The choices sent with MmiAnswerMenu, and the answers sent with MmiAnswerEnquiry.
    std::vector<std::uint32_t> MenuAnswers() const {
        std::vector<std::uint32_t> choices;
        for (const auto& r :
             m_recorder.Requests(KSMETHODSETID_CardCiMmi, CARD_CI_MMI_MENU_ANSWER)) {
            EXPECT_EQ(r.data.size(), 8u);
            choices.push_back(r.Word(1));
        }
        return choices;
    }
    std::vector<Bytes> EnquiryAnswers() const {
        std::vector<Bytes> answers;
        for (const auto& r :
             m_recorder.Requests(KSMETHODSETID_CardCiMmi, CARD_CI_MMI_ENQUIRY_ANSWER)) {
            EXPECT_EQ(r.data.size(), r.Word(1) + 12);
            answers.emplace_back(r.data.begin() + 8, r.data.begin() + 8 + r.Word(1));
        }
        return answers;
    }
    void FailMmiGet() { m_recorder.RefuseMmiGet(E_FAIL); }
    // Polls once the card shows another object than the dialog, or none at all (PollEnd). The
    // simulated card answers at once, a real module in its own time.
    void PollNext() {
        PollWhen([](HRESULT hr, std::uint32_t id, std::uint32_t shown) {
            return SUCCEEDED(hr) && id != shown;
        });
    }
    void PollEnd() {
        PollWhen([](HRESULT hr, std::uint32_t, std::uint32_t) { return FAILED(hr); });
    }
    void PollWhen(const std::function<bool(HRESULT, std::uint32_t, std::uint32_t)>& ready) {
        std::array<std::uint8_t, 2048> text{};
        EXPECT_TRUE(WaitUntil([&] {
            std::uint32_t id = 0, type = 0, count = 0, length = 0;
            const HRESULT hr = m_graph->MmiGet(&id, &type, &count, &length, text.data());
            return ready(hr, id, m_menu.m_objectId);
        }));
        m_menu.Poll();
    }
    // Opens the CAM's menu and walks to the PIN enquiry (main menu item 2).
    void ToPinEnquiry() {
        OpenCamMenu();
        PollNext();
        SelectLine(1);
        m_menu.OnOK();
        PollNext();
        ASSERT_EQ(m_menu.m_mmiState, kMmiEnquiry);
    }

    std::unique_ptr<CardBackend> m_backend;
    std::unique_ptr<TunerGraph> m_graph;
    GraphRecorder m_recorder;
    CCamMenu m_menu;
};

TEST_F(CamMenuTest, IsCreatedHiddenAndIdle) {
    EXPECT_FALSE(m_menu.isVisible());
    EXPECT_EQ(m_menu.windowTitle(), "Cam menu");
    EXPECT_EQ(m_menu.m_mmiState, kMmiIdle);
    EXPECT_EQ(m_menu.m_codePage, 28591u);
    m_menu.Poll();  // no dialogue yet: the CAM presents nothing
    EXPECT_FALSE(m_menu.isVisible());
}

TEST_F(CamMenuTest, MainMenuShowsDecodedStringsAndAnswersTheChosenLine) {
    OpenCamMenu();
    PollNext();
    ASSERT_TRUE(m_menu.isVisible());
    const View main = Shown();
    EXPECT_EQ(main.title, "Kestrel CAM");
    EXPECT_EQ(main.subtitle, "Main menu");
    EXPECT_EQ(main.bottomLine, "Select an item, Cancel to leave");
    // Emphasis codes, in the default table and in UTF-8, are gone.
    EXPECT_EQ(main.items, (QStringList{"Smart card information", "Parental control",
                                       "Language / Sprache", "About this module"}));
    EXPECT_FALSE(main.answerShown);
    EXPECT_EQ(m_menu.m_mmiState, kMmiMenu);
    EXPECT_EQ(m_menu.m_countdown, 100);

    SelectLine(1);
    Click(m_menu, kIdOk);
    EXPECT_EQ(MenuAnswers(), (std::vector<std::uint32_t>{2}));
    EXPECT_EQ(m_menu.m_mmiState, kMmiWaiting);
    EXPECT_EQ(Shown().title, "Loading...");
    EXPECT_TRUE(Shown().items.isEmpty());
    EXPECT_TRUE(Shown().subtitle.isEmpty());

    PollNext();
    EXPECT_EQ(Shown().title, "Please enter your 4-digit PIN");
    EXPECT_TRUE(Shown().answerShown);
    EXPECT_EQ(m_menu.m_mmiState, kMmiEnquiry);
    Type(Answer(), "123456");  // typing stops at the enquiry's 4 characters
    EXPECT_EQ(Answer()->text(), "1234");
}

TEST_F(CamMenuTest, MenuOfThreeItemsAnswers2Or0AndListsAnswer0) {
    ToPinEnquiry();
    Type(Answer(), "1234");
    Click(m_menu, kIdOk);
    // The CAM's PIN prompt names ISO 8859-9 (selector 0x05): the answer goes back behind it.
    EXPECT_EQ(EnquiryAnswers(), (std::vector<Bytes>{{0x05, '1', '2', '3', '4'}}));
    PollNext();
    EXPECT_EQ(Shown().items,
              (QStringList{"Maturity rating 12", "Maturity rating 16", "Maturity rating 18"}));
    SelectLine(1);
    Click(m_menu, kIdOk);  // 2: rating 16
    PollNext();
    EXPECT_EQ(Shown().items, QStringList{"Maturity rating is now 16"});
    EXPECT_EQ(m_menu.m_mmiState, kMmiList);
    SelectLine(0);  // a list is answered 0, selected line or not
    Click(m_menu, kIdOk);
    PollNext();
    EXPECT_EQ(Shown().subtitle, "Maturity rating: 16");
    Click(m_menu, kIdOk);  // nothing selected: 0, back to the main menu
    PollNext();
    EXPECT_EQ(Shown().subtitle, "Main menu");
    EXPECT_EQ(MenuAnswers(), (std::vector<std::uint32_t>{2, 2, 0, 0}));
}

TEST_F(CamMenuTest, ListStringsInTheirOwnTables) {
    OpenCamMenu();
    PollNext();
    SelectLine(0);
    m_menu.OnOK();
    PollNext();
    const View info = Shown();
    EXPECT_EQ(info.title, QString::fromStdU16String(u"Ak\u0131ll\u0131 kart bilgisi"));
    EXPECT_EQ(info.items, (QStringList{"Card number: 0412 5567 8812 9034",
                                       "Subscription: Premium until 31.12.2030",
                                       QString::fromStdU16String(u"Stav karty: platn\u00E1"),
                                       QString::fromStdU16String(u"Berechtigung g\u00FCltig")}));
    EXPECT_EQ(m_menu.m_mmiState, kMmiList);
    Click(m_menu, kIdCancel);
    EXPECT_EQ(MenuAnswers(), (std::vector<std::uint32_t>{1, 0}));
    EXPECT_EQ(m_menu.m_mmiState, kMmiWaiting);
}

TEST_F(CamMenuTest, ObjectWithoutItemCountLeavesTheStateAlone) {
    OpenCamMenu();
    PollNext();
    SelectLine(3);
    m_menu.OnOK();  // "About this module": a list whose count is 255
    PollNext();
    const View about = Shown();
    EXPECT_EQ(about.title, "Kestrel CAM");
    EXPECT_EQ(about.subtitle, "Software 2.04 (build 1187)");
    EXPECT_EQ(about.bottomLine, "Press Cancel to return");
    EXPECT_TRUE(about.items.isEmpty());
    EXPECT_EQ(m_menu.m_mmiState, kMmiWaiting);
    Click(m_menu, kIdOk);
    Click(m_menu, kIdCancel);
    EXPECT_EQ(MenuAnswers(), (std::vector<std::uint32_t>{4}));  // neither sent anything
    EXPECT_TRUE(m_menu.isVisible());
}

TEST_F(CamMenuTest, TheSameObjectIdChangesNothing) {
    OpenCamMenu();
    PollNext();
    SelectLine(2);
    m_menu.m_countdown = 7;
    m_menu.Poll();
    EXPECT_EQ(Items()->currentRow(), 2);
    EXPECT_EQ(m_menu.m_countdown, 7);

    // Even other text under the same id is not shown.
    m_recorder.PresentObject(
        MmiObjectBytes(m_menu.m_objectId, 1, 1, Text({"Other", "text", "entirely", "item"})));
    m_menu.Poll();
    EXPECT_EQ(Shown().title, "Kestrel CAM");
    EXPECT_EQ(Shown().items.size(), 4);
}

TEST_F(CamMenuTest, EnquiryAnswersCarryThePromptsSelectorAndTable) {
    ToPinEnquiry();
    EXPECT_EQ(m_menu.m_selectorLength, 1);  // the CAM's PIN prompt names ISO 8859-9
    EXPECT_EQ(m_menu.m_codePage, 28599u);
    // A Turkish prompt (selector 0x05): the answer is 0x05 then ISO 8859-9.
    m_recorder.PresentObject(MmiObjectBytes(900, 3, 8,
                                            Text({"\x05"
                                                  "\xDE"
                                                  "ifre?"})));
    m_menu.Poll();
    EXPECT_EQ(Shown().title, QString::fromStdU16String(u"\u015Eifre?"));
    Type(Answer(), QString::fromStdU16String(u"\u011F1"));
    Click(m_menu, kIdOk);
    EXPECT_EQ(EnquiryAnswers().back(), (Bytes{0x05, 0xF0, '1'}));

    // A new enquiry keeps the previous answer in the field; limit 0 leaves the field unlimited.
    m_recorder.PresentObject(MmiObjectBytes(901, 4, 0, Text({"PIN"})));
    m_menu.Poll();
    EXPECT_EQ(Answer()->text(), QString::fromStdU16String(u"\u011F1"));
    EXPECT_EQ(m_menu.m_selectorLength, 0);
    Click(m_menu, kIdOk);      // no selector: the text alone, here ğ fails Latin-1 and is left out
    Click(m_menu, kIdCancel);  // already answered: waiting, nothing sent
    EXPECT_EQ(EnquiryAnswers().back(), Bytes{});

    m_recorder.PresentObject(MmiObjectBytes(902, 3, 4, Text({"PIN"})));
    m_menu.Poll();
    Click(m_menu, kIdCancel);  // cancelling an enquiry sends length 0
    EXPECT_EQ(EnquiryAnswers().size(), 3u);
    EXPECT_EQ(EnquiryAnswers().back(), Bytes{});
    EXPECT_EQ(m_menu.m_countdown, 100);
    EXPECT_EQ(m_menu.m_mmiState, kMmiWaiting);
}

TEST_F(CamMenuTest, AShorterEnquiryKeepsTheWholeAnswerAndLimitsOnlyTyping) {
    OpenCamMenu();
    m_recorder.PresentObject(MmiObjectBytes(910, 3, 8, Text({"PIN"})));
    m_menu.Poll();
    Type(Answer(), "123456");
    Click(m_menu, kIdOk);

    m_recorder.PresentObject(MmiObjectBytes(911, 3, 4, Text({"PIN"})));
    m_menu.Poll();
    EXPECT_EQ(Answer()->text(), "123456");
    Answer()->end(false);
    QTest::keyClicks(Answer(), "7");  // the field is over its limit: typing adds nothing
    EXPECT_EQ(Answer()->text(), "123456");
    QTest::keyClick(Answer(), Qt::Key_Backspace);
    QTest::keyClicks(Answer(), "8");
    EXPECT_EQ(Answer()->text(), "12345");
    Click(m_menu, kIdOk);
    EXPECT_EQ(EnquiryAnswers().back(), (Bytes{'1', '2', '3', '4', '5'}));

    m_recorder.PresentObject(MmiObjectBytes(912, 3, 4, Text({"PIN"})));
    m_menu.Poll();
    Type(Answer(), "abcdef");
    EXPECT_EQ(Answer()->text(), "abcd");
}

TEST_F(CamMenuTest, UnsupportedTablesEmptyAndMissingStrings) {
    OpenCamMenu();
    // A menu of 4 items whose text ends after the second; two-byte and reserved tables.
    m_recorder.PresentObject(MmiObjectBytes(500, 1, 4,
                                            Text({"\x11"
                                                  "AB",
                                                  "",
                                                  "\x1A"
                                                  "x",
                                                  "\x1F\x01"
                                                  "first",
                                                  "\x16"
                                                  "second"})));
    m_menu.Poll();
    const View view = Shown();
    EXPECT_EQ(view.title, "CHAR ENCODING");
    EXPECT_EQ(view.subtitle, "");
    EXPECT_EQ(view.bottomLine, "CHAR ENCODING");
    EXPECT_EQ(view.items, (QStringList{"first", "CHAR ENCODING", "", ""}));

    // A reported text length of 0: everything empty, still a menu with its lines.
    m_recorder.PresentObject(MmiObjectBytes(501, 1, 2, Text({"hidden", "a", "b", "c", "d"}), 0));
    m_menu.Poll();
    EXPECT_EQ(Shown().title, "");
    EXPECT_EQ(Shown().items, (QStringList{"", ""}));
    EXPECT_EQ(m_menu.m_mmiState, kMmiMenu);

    // Strings beyond the reported length are not read.
    m_recorder.PresentObject(MmiObjectBytes(502, 2, 1, Text({"T", "S", "B", "item"}), 7));
    m_menu.Poll();
    EXPECT_EQ(Shown().items, QStringList{"i"});

    // A type the dialog does not know shows "Loading..." and changes no state.
    m_recorder.PresentObject(MmiObjectBytes(503, 9, 1, Text({"T"})));
    m_menu.Poll();
    EXPECT_EQ(Shown().title, "Loading...");
    EXPECT_EQ(m_menu.m_mmiState, kMmiList);
}

TEST_F(CamMenuTest, GracePeriodAfterCamMenuThenIdle) {
    FailMmiGet();
    OpenCamMenu();
    for (int poll = 1; poll < 100; ++poll) {
        m_menu.Poll();
    }
    EXPECT_EQ(m_menu.m_mmiState, kMmiOpening);
    EXPECT_FALSE(m_menu.isVisible());
    m_recorder.RefuseMmiGet(std::nullopt);  // the CAM answers within the ten seconds
    PollNext();
    EXPECT_TRUE(m_menu.isVisible());
    EXPECT_EQ(m_menu.m_mmiState, kMmiMenu);

    m_menu.OnOK();  // nothing selected: 0 leaves the main menu, which ends the dialogue
    PollEnd();      // after an answer a failed poll ends it at once
    EXPECT_FALSE(m_menu.isVisible());
    EXPECT_EQ(m_menu.m_mmiState, kMmiIdle);

    FailMmiGet();
    OpenCamMenu();
    for (int poll = 1; poll <= 100; ++poll) {
        m_menu.Poll();
    }
    EXPECT_EQ(m_menu.m_mmiState, kMmiIdle);  // gave up after ten seconds
}

TEST_F(CamMenuTest, ClosingTheWindowEndsTheDialogue) {
    OpenCamMenu();
    PollNext();
    m_menu.close();
    EXPECT_EQ(m_recorder.Requests(KSMETHODSETID_CardCiMmi, CARD_CI_MMI_CLOSE).size(), 1u);
    EXPECT_TRUE(m_menu.isVisible());  // until the poll finds no object
    PollEnd();
    EXPECT_FALSE(m_menu.isVisible());
    EXPECT_EQ(m_menu.m_mmiState, kMmiIdle);

    // Closed while the CAM still had not answered "CAM Menu ...": no grace period then.
    FailMmiGet();
    OpenCamMenu();
    m_menu.OnClose();
    m_menu.Poll();
    EXPECT_EQ(m_menu.m_mmiState, kMmiIdle);
}

TEST_F(CamMenuTest, WithoutAGraphButtonsAndCloseHideTheDialog) {
    OpenCamMenu();
    PollNext();
    m_menu.m_camGraph = nullptr;  // tuner 1's graph destroyed
    m_menu.Poll();
    EXPECT_TRUE(m_menu.isVisible());
    Click(m_menu, kIdCancel);
    EXPECT_FALSE(m_menu.isVisible());
    m_menu.show();
    m_menu.close();
    EXPECT_FALSE(m_menu.isVisible());
    EXPECT_TRUE(MenuAnswers().empty());
    EXPECT_TRUE(m_recorder.Requests(KSMETHODSETID_CardCiMmi, CARD_CI_MMI_CLOSE).empty());
}

}  // namespace

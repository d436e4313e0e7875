// The Unicable settings dialog against real tuner graphs on the simulated card.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include "DialogDriver.h"
#include "RequestRecorder.h"
#include "SimulatedCardFixture.h"
#include "dialogs/SCIFSettings.h"
#include "tuner/driver/PropertySets.h"

namespace {

constexpr std::uint32_t kOff = 0xFFFFFFFFu;

using Words = std::vector<std::uint32_t>;

class SCIFSettingsTest : public SimulatedCardFixture {
protected:
    SCIFSettingsTest() {
        m_graphs[0] = MakeReadyGraph(1);
        m_graphs[1] = MakeReadyGraph(2);
    }

    // The single-cable configurations the dialog sent to tuner t (1 or 2), as words.
    std::vector<Words> Sent(int t) const {
        std::vector<Words> sent;
        for (const auto& request :
             m_recorders[t - 1]->Requests(KSPROPSETID_CardTuner, CARD_TUNER_SCIF)) {
            if (request.flags == KSPROPERTY_TYPE_SET) {
                sent.push_back(
                    {request.Word(0), request.Word(1), request.Word(2), request.Word(3)});
            }
        }
        return sent;
    }
    void StartRecording() {
        for (int t = 0; t < 2; ++t) {
            m_recorders[t] = std::make_unique<GraphRecorder>(*m_graphs[t]);
        }
    }
    void ClickBox(QCheckBox* box) { QTest::mouseClick(box, Qt::LeftButton); }

    TunerGraphSlots m_graphs;
    std::array<std::unique_ptr<GraphRecorder>, 2> m_recorders;
};

TEST_F(SCIFSettingsTest, OpensWithWhatTheDriverHolds) {
    m_graphs[0]->SetScif(2, 1400, 7);    // slot 3 with PIN 7
    m_graphs[1]->SetScif(0, 950, kOff);  // slot 1, no PIN
    CSCIFSettings dialog(m_graphs);
    ShowActive(dialog);
    EXPECT_EQ(dialog.windowTitle(), "Unicable Settings");

    EXPECT_TRUE(dialog.m_enable[0]->isChecked());
    EXPECT_EQ(dialog.m_slot[0]->text(), "3");
    EXPECT_EQ(dialog.m_frequency[0]->text(), "1400");
    EXPECT_TRUE(dialog.m_pinSwitch[0]->isChecked());
    EXPECT_TRUE(dialog.m_pin[0]->isVisible());
    EXPECT_EQ(dialog.m_pin[0]->text(), "7");

    EXPECT_TRUE(dialog.m_enable[1]->isChecked());
    EXPECT_EQ(dialog.m_slot[1]->text(), "1");
    EXPECT_EQ(dialog.m_frequency[1]->text(), "950");
    EXPECT_TRUE(dialog.m_pinSwitch[1]->isVisible());
    EXPECT_FALSE(dialog.m_pinSwitch[1]->isChecked());
    EXPECT_FALSE(dialog.m_pin[1]->isVisible());
}

TEST_F(SCIFSettingsTest, TunersThatAreOffUnreadableOrMissingOpenAsOff) {
    // Tuner 1: nothing stored. Tuner 2: the driver answers its read short.
    m_graphs[1]->SetScif(4, 1600, 9);
    card::Fault shortRead;
    shortRead.shortAnswer = 12;
    m_card->Faults().Set({KSPROPSETID_CardTuner, CARD_TUNER_SCIF, KSPROPERTY_TYPE_GET, 2},
                         shortRead);
    {
        CSCIFSettings dialog(m_graphs);
        ShowActive(dialog);
        for (int t = 0; t < 2; ++t) {
            SCOPED_TRACE(t);
            EXPECT_TRUE(dialog.m_enable[t]->isVisible());
            EXPECT_FALSE(dialog.m_enable[t]->isChecked());
            for (QWidget* w : std::initializer_list<QWidget*>{
                     dialog.m_slotLabel[t], dialog.m_slot[t], dialog.m_frequencyLabel[t],
                     dialog.m_frequency[t], dialog.m_pinSwitch[t], dialog.m_pin[t]}) {
                EXPECT_FALSE(w->isVisible()) << w->objectName().toStdString();
            }
        }
    }
    m_graphs[1].reset();  // no graph at all: not even the enable box
    CSCIFSettings dialog(m_graphs);
    ShowActive(dialog);
    EXPECT_FALSE(dialog.m_enable[1]->isVisible());
    EXPECT_FALSE(dialog.m_enable[1]->isChecked());
}

TEST_F(SCIFSettingsTest, CheckBoxesShowAndHideTheFields) {
    CSCIFSettings dialog(m_graphs);
    ShowActive(dialog);
    ClickBox(dialog.m_enable[0]);
    EXPECT_TRUE(dialog.m_enable[0]->isChecked());
    EXPECT_TRUE(dialog.m_slot[0]->isVisible());
    EXPECT_TRUE(dialog.m_slotLabel[0]->isVisible());
    EXPECT_TRUE(dialog.m_frequency[0]->isVisible());
    EXPECT_TRUE(dialog.m_frequencyLabel[0]->isVisible());
    EXPECT_TRUE(dialog.m_pinSwitch[0]->isVisible());
    EXPECT_FALSE(dialog.m_pin[0]->isVisible());
    EXPECT_FALSE(dialog.m_slot[1]->isVisible());  // the other tuner is untouched

    ClickBox(dialog.m_pinSwitch[0]);
    EXPECT_TRUE(dialog.m_pin[0]->isVisible());
    ClickBox(dialog.m_enable[0]);
    EXPECT_FALSE(dialog.m_slot[0]->isVisible());
    EXPECT_FALSE(dialog.m_pin[0]->isVisible());
    EXPECT_TRUE(dialog.m_pinSwitch[0]->isChecked());  // ticks are kept while hidden
    ClickBox(dialog.m_enable[0]);
    EXPECT_TRUE(dialog.m_pin[0]->isVisible());
    ClickBox(dialog.m_pinSwitch[0]);
    EXPECT_FALSE(dialog.m_pin[0]->isVisible());
}

TEST_F(SCIFSettingsTest, OkWritesBothTunersToTheDriver) {
    m_graphs[0]->SetScif(2, 1400, 7);
    StartRecording();
    CSCIFSettings dialog(m_graphs);
    ShowActive(dialog);
    Type(dialog.m_slot[0], "264");  // low 8 bits: 8
    Type(dialog.m_frequency[0], "2150");
    Type(dialog.m_pin[0], "255");
    ClickBox(dialog.m_enable[1]);
    Type(dialog.m_slot[1], " 1");
    Type(dialog.m_frequency[1], "950");
    ClickBox(dialog.m_pinSwitch[1]);
    Type(dialog.m_pin[1], "256");
    ClickBox(dialog.m_pinSwitch[1]);  // a cleared PIN box is not read
    Click(dialog, kIdOk);

    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(Sent(1), (std::vector<Words>{{7, 2150, 255, 0}}));
    EXPECT_EQ(Sent(2), (std::vector<Words>{{0, 950, kOff, 0}}));
    EXPECT_EQ(m_card->Status(1).scif.userBand, 7u);
    EXPECT_EQ(m_card->Status(2).scif.frequencyMHz, 950u);

    CSCIFSettings reopened(m_graphs);
    EXPECT_EQ(reopened.m_slot[0]->text(), "8");
    EXPECT_EQ(reopened.m_pin[0]->text(), "255");
    EXPECT_FALSE(reopened.m_pinSwitch[1]->isChecked());
}

TEST_F(SCIFSettingsTest, SlotZeroOrTextIsWrittenAsIndex255) {
    m_graphs[0]->SetScif(2, 1400, kOff);
    m_graphs[1]->SetScif(2, 1400, kOff);
    StartRecording();
    CSCIFSettings dialog(m_graphs);
    ShowActive(dialog);
    Type(dialog.m_slot[0], "0");
    Type(dialog.m_slot[1], "one");
    Click(dialog, kIdOk);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(Sent(1), (std::vector<Words>{{255, 1400, kOff, 0}}));
    EXPECT_EQ(Sent(2), (std::vector<Words>{{255, 1400, kOff, 0}}));
}

struct Refusal {
    const char* slot;
    const char* frequency;
    const char* pin;  // nullptr: PIN box cleared
    int focusId;
};

TEST_F(SCIFSettingsTest, InvalidFieldsAreRefusedWithTheFocusOnThem) {
    const Refusal refusals[] = {
        {"9", "1400", nullptr, 1003}, {"8", "949", nullptr, 1004}, {"8", "2151", nullptr, 1004},
        {"8", "", nullptr, 1004},     {"8", "1400", "256", 1006},  {"8", "1400x", nullptr, 1004},
    };
    StartRecording();
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(testing::Message() << r.slot << " " << r.frequency << " " << r.focusId);
        CSCIFSettings dialog(m_graphs);
        ShowActive(dialog);
        ClickBox(dialog.m_enable[0]);
        Type(dialog.m_slot[0], r.slot);
        Type(dialog.m_frequency[0], r.frequency);
        if (r.pin) {
            ClickBox(dialog.m_pinSwitch[0]);
            Type(dialog.m_pin[0], r.pin);
        }
        Click(dialog, kIdOk);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(QApplication::focusWidget(), FindControl<QLineEdit>(&dialog, r.focusId));
        dialog.reject();
    }
    EXPECT_TRUE(Sent(1).empty());
    EXPECT_TRUE(Sent(2).empty());
}

TEST_F(SCIFSettingsTest, TunerTwoRefusedAfterTunerOneWasWritten) {
    StartRecording();
    CSCIFSettings dialog(m_graphs);
    ShowActive(dialog);
    for (int t = 0; t < 2; ++t) {
        ClickBox(dialog.m_enable[t]);
        Type(dialog.m_slot[t], "2");
    }
    Type(dialog.m_frequency[0], "1210");
    Type(dialog.m_frequency[1], "2151");
    Click(dialog, kIdOk);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(QApplication::focusWidget(), dialog.m_frequency[1]);
    EXPECT_EQ(Sent(1), (std::vector<Words>{{1, 1210, kOff, 0}}));  // stands
    EXPECT_TRUE(Sent(2).empty());

    Type(dialog.m_frequency[1], "1420");
    Click(dialog, kIdOk);  // the second OK writes tuner 1 again, then tuner 2
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(Sent(1).size(), 2u);
    EXPECT_EQ(Sent(2), (std::vector<Words>{{1, 1420, kOff, 0}}));
}

TEST_F(SCIFSettingsTest, ClearingTheEnableBoxSwitchesUnicableOff) {
    m_graphs[0]->SetScif(5, 1800, 3);
    StartRecording();
    CSCIFSettings dialog(m_graphs);
    ShowActive(dialog);
    ClickBox(dialog.m_enable[0]);
    Click(dialog, kIdOk);
    EXPECT_EQ(Sent(1), (std::vector<Words>{{kOff, kOff, kOff, 0}}));
    EXPECT_EQ(Sent(2), (std::vector<Words>{{kOff, kOff, kOff, 0}}));  // was off: cleared again
    EXPECT_FALSE(m_card->Status(1).scif.Enabled());
}

TEST_F(SCIFSettingsTest, TheUnicableTwoBoxOpensAsTheDriverHoldsItAndWidensTheSlots) {
    m_graphs[0]->SetScif(31, 1420, 9, 1);  // Unicable II, slot 32
    m_graphs[1]->SetScif(2, 1400, kOff);   // Unicable, slot 3
    StartRecording();
    CSCIFSettings dialog(m_graphs);
    ShowActive(dialog);
    EXPECT_TRUE(dialog.m_unicableTwo[0]->isVisible());
    EXPECT_TRUE(dialog.m_unicableTwo[0]->isChecked());
    EXPECT_EQ(dialog.m_unicableTwo[0]->text(), "Unicable II (EN 50607)");
    EXPECT_EQ(dialog.m_slotLabel[0]->text(), "UB Slot (1-32)");
    EXPECT_EQ(dialog.m_slot[0]->text(), "32");
    EXPECT_FALSE(dialog.m_unicableTwo[1]->isChecked());
    EXPECT_EQ(dialog.m_slotLabel[1]->text(), "UB Slot (1-8)");

    // Tuner 2 to slot 20: refused under EN 50494, taken once the box is ticked.
    Type(dialog.m_slot[1], "20");
    Click(dialog, kIdOk);
    EXPECT_EQ(QApplication::focusWidget(), dialog.m_slot[1]);
    ClickBox(dialog.m_unicableTwo[1]);
    EXPECT_EQ(dialog.m_slotLabel[1]->text(), "UB Slot (1-32)");
    Type(dialog.m_slot[0], "33");
    Click(dialog, kIdOk);
    EXPECT_EQ(QApplication::focusWidget(), dialog.m_slot[0]);
    Type(dialog.m_slot[0], "32");
    Click(dialog, kIdOk);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(Sent(2).back(), (Words{19, 1400, kOff, 1}));
    EXPECT_EQ(Sent(1).back(), (Words{31, 1420, 9, 1}));

    // Cleared, the box's tuner is EN 50494 again, and the box hides with the other fields.
    CSCIFSettings reopened(m_graphs);
    ShowActive(reopened);
    ClickBox(reopened.m_unicableTwo[1]);
    EXPECT_EQ(reopened.m_slotLabel[1]->text(), "UB Slot (1-8)");
    Type(reopened.m_slot[1], "8");
    ClickBox(reopened.m_enable[0]);
    EXPECT_FALSE(reopened.m_unicableTwo[0]->isVisible());
    Click(reopened, kIdOk);
    EXPECT_EQ(Sent(2).back(), (Words{7, 1400, kOff, 0}));
}

TEST_F(SCIFSettingsTest, CancelWritesNothingAndModalRunWorks) {
    StartRecording();
    {
        CSCIFSettings dialog(m_graphs);
        ShowActive(dialog);
        ClickBox(dialog.m_enable[0]);
        Click(dialog, kIdCancel);
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
    }
    EXPECT_TRUE(Sent(1).empty());

    m_recorders[1].reset();
    m_graphs[1].reset();  // a tuner without a graph is skipped
    CSCIFSettings dialog(m_graphs);
    QTimer::singleShot(0, &dialog, [&] {
        ClickBox(dialog.m_enable[0]);
        Type(dialog.m_slot[0], "4");
        Type(dialog.m_frequency[0], "1076");
        Click(dialog, kIdOk);
    });
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_EQ(Sent(1), (std::vector<Words>{{3, 1076, kOff, 0}}));
}

}  // namespace

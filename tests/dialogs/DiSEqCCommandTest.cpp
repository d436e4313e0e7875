// The DiSEqC command dialog driven through its widgets.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include "DialogDriver.h"
#include "dialogs/DiSEqCCommand.h"

namespace {

using Message = std::array<std::uint8_t, 8>;
const Message kStartMessage = {0xE0, 0x10, 0x5A, 0x00, 0x00, 0x00, 0x00, 0x00};

class DiSEqCCommandTest : public testing::Test {
protected:
    QLineEdit* Field(const CDiSEqCCommand& dialog) {
        return FindControl<QLineEdit>(&dialog, kIdcDiseqcBytes);
    }
    // Opens the dialog on the stored message, types `text`, presses OK; tells whether the
    // dialog accepted.
    bool TypeAndOk(const QString& text) {
        CDiSEqCCommand dialog(m_command, m_length);
        ShowActive(dialog);
        Type(Field(dialog), text);
        Click(dialog, kIdOk);
        if (dialog.isVisible()) {
            EXPECT_EQ(dialog.result(), QDialog::Rejected);
            ExpectFocusedWithoutSelection(Field(dialog));
            EXPECT_EQ(Field(dialog)->text(), text);
            return false;
        }
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        return true;
    }
    QString Reopened() {
        CDiSEqCCommand dialog(m_command, m_length);
        return Field(dialog)->text();
    }

    Message m_command = kStartMessage;
    std::int32_t m_length = 5;
};

TEST_F(DiSEqCCommandTest, OpensWithTheStoredMessageSelectedAndLimitedTo23Characters) {
    CDiSEqCCommand dialog(m_command, m_length);
    ShowActive(dialog);
    EXPECT_EQ(dialog.windowTitle(), "DiSEqC Command");
    EXPECT_EQ(Field(dialog)->text(), "E0 10 5A 00 00");
    EXPECT_EQ(Field(dialog)->maxLength(), 23);
    EXPECT_EQ(QApplication::focusWidget(), Field(dialog));
    EXPECT_TRUE(Field(dialog)->hasSelectedText());
}

TEST_F(DiSEqCCommandTest, AcceptedInputIsStoredAndShownNextTime) {
    EXPECT_TRUE(TypeAndOk("e0 10 38 f0"));
    EXPECT_EQ(m_length, 4);
    EXPECT_EQ(m_command, (Message{0xE0, 0x10, 0x38, 0xF0, 0, 0, 0, 0}));
    EXPECT_EQ(Reopened(), "E0 10 38 F0");

    EXPECT_TRUE(TypeAndOk("  E0   10 38  F0 00 "));
    EXPECT_EQ(m_length, 5);
    EXPECT_EQ(Reopened(), "E0 10 38 F0 00");
}

TEST_F(DiSEqCCommandTest, InvalidInputKeepsTheDialogOpenAndTheMessageUnchanged) {
    // Nine bytes only fit the 23-character field as single digits.
    for (const char* text :
         {"E0 10", "E0 10 38 F0 0 0 0 0 0", "E1 10 38 F0", "E0 10 138", "E0 10 1G"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(TypeAndOk(text));
        EXPECT_EQ(m_command, kStartMessage);
        EXPECT_EQ(m_length, 5);
    }
}

TEST_F(DiSEqCCommandTest, TypingIsCutAt23Characters) {
    CDiSEqCCommand dialog(m_command, m_length);
    ShowActive(dialog);
    Type(Field(dialog), "E0 10 38 F0 01 02 03 04 05");
    EXPECT_EQ(Field(dialog)->text(), "E0 10 38 F0 01 02 03 04");
}

TEST_F(DiSEqCCommandTest, UntouchedOkAndCancelLeaveTheMessage) {
    m_command = {0xE0, 0x31, 0x00, 0x00, 0x00, 0x00, 0x00, 0x07};  // bytes past the length stay
    m_length = 3;
    {
        CDiSEqCCommand dialog(m_command, m_length);
        ShowActive(dialog);
        Click(dialog, kIdOk);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    }
    {
        CDiSEqCCommand dialog(m_command, m_length);
        ShowActive(dialog);
        Type(Field(dialog), "E0 10 38 F0");
        Click(dialog, kIdCancel);
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
    }
    EXPECT_EQ(m_command, (Message{0xE0, 0x31, 0x00, 0x00, 0x00, 0x00, 0x00, 0x07}));
    EXPECT_EQ(m_length, 3);
}

TEST_F(DiSEqCCommandTest, RunsModallyAndAcceptsWithEnter) {
    CDiSEqCCommand dialog(m_command, m_length);
    QTimer::singleShot(0, &dialog, [&] {
        QTest::keyClicks(Field(dialog), "E0 10 39 F1");  // replaces the selected text
        QTest::keyClick(Field(dialog), Qt::Key_Return);
    });
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_EQ(m_command, (Message{0xE0, 0x10, 0x39, 0xF1, 0, 0, 0, 0}));
}

}  // namespace

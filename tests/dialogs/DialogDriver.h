// Driving a real dialog as a user would: show it, type into its fields, click its buttons.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QTest>

#include "dialogs/DialogControls.h"

inline void ShowActive(QDialog& dialog) {
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
}

// Replaces the field's text by typing, which marks the field as edited by the user.
inline void Type(QLineEdit* field, const QString& text) {
    ASSERT_NE(field, nullptr);
    field->setFocus(Qt::MouseFocusReason);
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    // Key by key with the character as the key's text, so any character can be typed.
    for (const QChar c : text) {
        QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

inline void Click(const QDialog& dialog, int id) {
    auto* button = FindControl<QAbstractButton>(&dialog, id);
    ASSERT_NE(button, nullptr);
    QTest::mouseClick(button, Qt::LeftButton);
}

// The keyboard focus is in the field and none of its text is selected.
inline void ExpectFocusedWithoutSelection(const QLineEdit* field) {
    EXPECT_EQ(QApplication::focusWidget(), field);
    EXPECT_FALSE(field->hasSelectedText());
}

// Each dialog as its resource designs it: control ids, kinds, texts and rectangles in dialog
// units of the dialog's font.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "dialogs/CamMenu.h"
#include "dialogs/DiSEqCCommand.h"
#include "dialogs/DialogControls.h"
#include "dialogs/SCIFSettings.h"

namespace {

enum class Kind { Static, Edit, Button, CheckBox, GroupBox, ListBox };

struct Control {
    int id;
    Kind kind;
    const char* text;
    DialogRect rect;
};

QString TextOf(const QWidget* widget) {
    if (const auto* label = qobject_cast<const QLabel*>(widget)) return label->text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) return button->text();
    if (const auto* group = qobject_cast<const QGroupBox*>(widget)) return group->title();
    if (const auto* edit = qobject_cast<const QLineEdit*>(widget)) return edit->text();
    return {};
}

bool IsKind(const QWidget* widget, Kind kind) {
    switch (kind) {
        case Kind::Static:
            return qobject_cast<const QLabel*>(widget) != nullptr;
        case Kind::Edit:
            return qobject_cast<const QLineEdit*>(widget) != nullptr;
        case Kind::Button:
            return qobject_cast<const QPushButton*>(widget) != nullptr;
        case Kind::CheckBox:
            return qobject_cast<const QCheckBox*>(widget) != nullptr;
        case Kind::GroupBox:
            return qobject_cast<const QGroupBox*>(widget) != nullptr;
        case Kind::ListBox:
            return qobject_cast<const QListWidget*>(widget) != nullptr;
    }
    return false;
}

// Controls with an id are found by it; static text without one by its text.
const QWidget* Find(const QWidget& dialog, const Control& control) {
    if (control.id != kStaticId) {
        return FindControl<QWidget>(&dialog, control.id);
    }
    for (const QWidget* child : dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (TextOf(child) == QString::fromUtf8(control.text)) return child;
    }
    return nullptr;
}

void ExpectLayout(const QDialog& dialog, const char* caption, DialogRect size,
                  std::initializer_list<Control> controls) {
    const DialogUnits units(dialog.font());
    EXPECT_EQ(dialog.windowTitle(), caption);
    EXPECT_EQ(dialog.size(), units.Size(size.width, size.height));
    for (const Control& control : controls) {
        SCOPED_TRACE(testing::Message() << control.id << " " << control.text);
        const QWidget* widget = Find(dialog, control);
        ASSERT_NE(widget, nullptr);
        EXPECT_TRUE(IsKind(widget, control.kind));
        EXPECT_EQ(TextOf(widget), QString::fromUtf8(control.text));
        const DialogRect r = control.rect;
        EXPECT_EQ(widget->geometry(), units.Rect(r.x, r.y, r.width, r.height));
    }
}

TEST(DialogResources, DialogUnitsFollowTheFont) {
    QFont small = ShellDialogFont();
    QFont large = small;
    large.setPointSize(16);
    const DialogUnits a(small), b(large);
    EXPECT_GT(b.BaseWidth(), a.BaseWidth());
    EXPECT_GT(b.BaseHeight(), a.BaseHeight());
    // Four horizontal units are one average character, eight vertical ones a character height.
    EXPECT_EQ(a.X(4), a.BaseWidth());
    EXPECT_EQ(a.Y(8), a.BaseHeight());
    EXPECT_EQ(a.Rect(4, 8, 400, 80),
              QRect(a.BaseWidth(), a.BaseHeight(), 100 * a.BaseWidth(), 10 * a.BaseHeight()));
    EXPECT_EQ(CamMenuFont().pointSize(), 10);
    EXPECT_EQ(ShellDialogFont().pointSize(), 8);
}

TEST(DialogResources, DiSEqCCommand) {
    std::array<std::uint8_t, 8> command{0xE0, 0x10, 0x5A};
    std::int32_t length = 5;
    CDiSEqCCommand dialog(command, length);
    EXPECT_EQ(dialog.font().pointSize(), 8);
    ExpectLayout(
        dialog, "DiSEqC Command", {0, 0, 280, 174},
        {
            {-1,
             Kind::Static,
             "Command bytes must be entered has Hexadecimal digits",
             {20, 21, 229, 8}},
            {-1, Kind::Static, "General Format: LL AA CC PP ..", {20, 29, 229, 8}},
            {-1, Kind::Static, "LL: Leadin. Must be E0", {20, 37, 229, 8}},
            {-1, Kind::Static, "AA: Address, typically 10 or 11", {20, 45, 206, 8}},
            {-1, Kind::Static, "CC: Command.  ", {20, 53, 229, 8}},
            {-1, Kind::Static, "PP: Command Parameters (repeated up to 5 times)", {20, 61, 229, 8}},
            {-1,
             Kind::Static,
             "Sample: Select Sat A, low, vertical: E0 10 38 F0",
             {20, 68, 229, 8}},
            {-1, Kind::Static, "Sample: Unicable switch UB1 off: E0 10 5A 00 00", {20, 77, 229, 8}},
            {-1,
             Kind::Static,
             "Unicable commands (5A,5B,5C,5D) will be send according to EN 50494 \u00A75.1",
             {20, 86, 244, 8}},
            {1017, Kind::Edit, "E0 10 5A 00 00", {31, 109, 210, 14}},
            {1, Kind::Button, "OK", {127, 136, 50, 14}},
            {2, Kind::Button, "Cancel", {191, 136, 50, 14}},
        });
    EXPECT_TRUE(FindControl<QPushButton>(&dialog, 1)->isDefault());
}

TEST(DialogResources, SCIFSettings) {
    const TunerGraphSlots noGraphs;
    CSCIFSettings dialog(noGraphs);
    // The "Unicable II" row under the PIN row makes the dialog and its group boxes 16 units
    // taller, and moves the buttons down with the dialog's edge.
    ExpectLayout(dialog, "Unicable Settings", {0, 0, 312, 164},
                 {
                     {-1, Kind::GroupBox, "Tuner 1", {19, 19, 133, 118}},
                     {-1, Kind::GroupBox, "Tuner 2", {161, 19, 133, 118}},
                     {1, Kind::Button, "OK", {205, 143, 50, 14}},
                     {2, Kind::Button, "Cancel", {255, 143, 50, 14}},
                     {1000, Kind::CheckBox, "Enable Unicable Support", {28, 36, 115, 10}},
                     {1012, Kind::Static, "UB Slot (1-8)", {28, 57, 60, 12}},
                     {1003, Kind::Edit, "", {103, 57, 40, 12}},
                     {1014, Kind::Static, "UB Frequency (MHZ)", {28, 79, 67, 12}},
                     {1004, Kind::Edit, "", {103, 79, 40, 12}},
                     {1010, Kind::CheckBox, "UB Pin", {28, 100, 64, 12}},
                     {1006, Kind::Edit, "", {103, 100, 40, 12}},
                     {1017, Kind::CheckBox, "Unicable II (EN 50607)", {28, 116, 115, 10}},
                     {1001, Kind::CheckBox, "Enable Unicable Support", {170, 36, 115, 10}},
                     {1016, Kind::Static, "UB Slot (1-8)", {170, 57, 60, 12}},
                     {1005, Kind::Edit, "", {245, 57, 40, 12}},
                     {1015, Kind::Static, "UB Frequency (MHZ)", {170, 79, 67, 12}},
                     {1007, Kind::Edit, "", {245, 79, 40, 12}},
                     {1011, Kind::CheckBox, "UB Pin", {170, 100, 64, 12}},
                     {1008, Kind::Edit, "", {245, 100, 40, 12}},
                     {1018, Kind::CheckBox, "Unicable II (EN 50607)", {170, 116, 115, 10}},
                 });
    // The check boxes carry their text on the left of the box.
    EXPECT_EQ(FindControl<QCheckBox>(&dialog, 1000)->layoutDirection(), Qt::RightToLeft);
    EXPECT_EQ(FindControl<QCheckBox>(&dialog, 1011)->layoutDirection(), Qt::RightToLeft);
}

TEST(DialogResources, CamMenu) {
    CCamMenu dialog;
    EXPECT_EQ(dialog.font().pointSize(), 10);
    ExpectLayout(dialog, "Cam menu", {0, 0, 209, 235},
                 {
                     {1032, Kind::Static, "Cam menu title", {7, 7, 195, 15}},
                     {1033, Kind::Static, "Cam menu subtitle", {7, 27, 195, 15}},
                     {1031, Kind::Edit, "", {7, 48, 195, 16}},
                     {1035, Kind::ListBox, "", {7, 44, 195, 138}},
                     {1034, Kind::Static, "Cam menu bottom line", {7, 195, 195, 15}},
                     {1, Kind::Button, "OK", {25, 214, 50, 14}},
                     {2, Kind::Button, "Cancel", {134, 214, 50, 14}},
                 });
    EXPECT_TRUE(FindControl<QPushButton>(&dialog, 1)->isDefault());
    EXPECT_FALSE(dialog.isModal());
    EXPECT_TRUE(dialog.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
}

}  // namespace

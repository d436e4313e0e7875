// The main window: its menu bar as built, accelerators, status bar, title, icon and size, and
// the about box.
#include <QAction>
#include <QActionGroup>
#include <QClipboard>
#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QtTest/QTest>
#include <thread>

#include "AppFixture.h"
#include "app/AppIcon.h"
#include "app/BackendNotices.h"
#include "app/CommandIds.h"
#include "app/MainFrame.h"
#include "app/MenuBar.h"
#include "spectrum/ChildView.h"

namespace app_test {
namespace {

// One line per item: popups end in ":", commands carry " #id" and their check state,
// "[x]"/"[ ]" for a check item and "(o)"/"( )" for a radio item.
void Outline(const QList<QAction*>& actions, int depth, QStringList& lines) {
    for (const QAction* action : actions) {
        QString line(depth * 2, u' ');
        if (action->isSeparator()) {
            line += "---";
        } else if (action->menu()) {
            lines << line + action->text() + ":";
            Outline(action->menu()->actions(), depth + 1, lines);
            continue;
        } else {
            line += action->text() + " #" + QString::number(CommandIdOf(*action));
            if (action->isCheckable()) {
                const bool on = action->isChecked();
                line += action->actionGroup() ? (on ? " (o)" : " ( )") : (on ? " [x]" : " [ ]");
            }
        }
        lines << line;
    }
}

TEST_F(AppTest, TheMenuBarIsBuiltAsTheResourceDescribesIt) {
    Start();
    QStringList lines;
    Outline(Frame().menuBar()->actions(), 0, lines);
    const QStringList expected{
        "&File:",
        "  Create all\t^A #3002",
        "  Create 1 #3003",
        "  Create 2 #3004",
        "  Record 1 #3005",
        "  Record 2 #3006",
        "  ---",
        "  Destroy all #3001",
        "  Destroy 1 #3007",
        "  Destroy 2 #3008",
        "  ---",
        "  Unicable ... #3009",
        "  ---",
        "  Save Spectrum ...\t^S #3100",
        "  Load Spectrum ... #3102",
        "  Clear Spectrum\t^C #3101",
        "  ---",
        "  E&xit #57665",
        "Tuner 1:",
        "  Sat 1:",
        "  Sat 2:",
        "  Sat 3:",
        "  Sat 4:",
        "  ---",
        "  DiSEqC #3200",
        "  Spectrum\t^1 #3202",
        "Tuner 2:",
        "  Sat 1:",
        "  Sat 2:",
        "  Sat 3:",
        "  Sat 4:",
        "  ---",
        "  DiSEqC #3201",
        "  Spectrum\t^2 #3203",
        "CI:",
        "  CAM Menu ... #3301",
        "  Reset CAM #3302",
        "  ---",
        "  MTD Mode #3310 (o)",
        "  Single Transponder Mode #3311 ( )",
        "  Bypass Mode #3312 ( )",
        "&View:",
        "  &Status Bar #59393 [x]",
        "&Help:",
        "  &About Orvalen... #57664",
    };
    EXPECT_EQ(lines.join('\n').toStdString(), expected.join('\n').toStdString());
    // The menu shows the labels after the tab; no item has a shortcut of its own that Qt would
    // print instead.
    for (const QAction* action : Frame().findChildren<QAction*>()) {
        EXPECT_TRUE(action->shortcut().isEmpty()) << action->text().toStdString();
    }
}

// Counts the items of the File popup when the view first paints.
class ItemsAtFirstPaint final : public QObject {
public:
    ItemsAtFirstPaint(QWidget& view, const QMenu& file) : m_file(file) {
        view.installEventFilter(this);
    }
    int items = -1;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && items < 0) items = m_file.actions().size();
        return false;
    }

private:
    const QMenu& m_file;
};

TEST_F(AppTest, TheFirstPaintShowsTheMenuTitlesAndTheItemsFollowIt) {
    Launch();
    QMenuBar& menus = *Frame().menuBar();
    ASSERT_EQ(menus.actions().size(), 6);
    const ItemsAtFirstPaint watch(Frame().View(), *PopupAt(menus, 0));
    ASSERT_TRUE(WaitFor([this] { return Item(ID_APP_EXIT) != nullptr; }));
    EXPECT_EQ(watch.items, 0);
}

TEST_F(AppTest, CommandsBeforeTheFirstPaintFindTheMenusComplete) {
    Launch();
    Frame().OnCommand(ID_VIEW_STATUS_BAR);  // hides the bar before its item exists
    App().OnCommand(ID_CREATE_1);
    EXPECT_FALSE(SatPopup(1, 1).actions().isEmpty());
    EXPECT_EQ(Item(PlaceholderCommandId(0)), nullptr);
    EXPECT_FALSE(Item(ID_VIEW_STATUS_BAR)->isChecked());
}

TEST_F(AppTest, HighlightedItemsShowTheirPromptInTheMessagePane) {
    Start();
    EXPECT_EQ(Item(ID_CREATE_ALL)->statusTip(), "Create all Tuner Graphs");
    EXPECT_EQ(Item(ID_RECORD_2)->statusTip(), "Create Tuner 2 Recording Graph");
    EXPECT_EQ(Item(ID_DESTROY_ALL)->statusTip(), "Destroy all Graphs");
    EXPECT_EQ(Item(ID_APP_EXIT)->statusTip(), "Quit the application; prompts to save documents");
    EXPECT_EQ(Item(ID_VIEW_STATUS_BAR)->statusTip(), "Show or hide the status bar");
    EXPECT_TRUE(Item(ID_UNICABLE)->statusTip().isEmpty());
}

// What the message pane shows: a message over the pane, or the pane's own text.
QString MessageShown(const QStatusBar& bar) {
    if (!bar.currentMessage().isEmpty()) return bar.currentMessage();
    const QLabel* pane = bar.findChild<QLabel*>();
    return pane && pane->isVisible() ? pane->text() : QString();
}

TEST_F(AppTest, ANoticeTheCardSaysOnATuningThreadShowsInTheMessagePane) {
    Start();
    const auto say = NoticesToMessagePane(Frame());
    const std::string notice = "Tuner 2: the driver has no tone burst; tunes go on without it";
    std::thread([&] { say(notice); }).join();
    EXPECT_TRUE(WaitFor(
        [&] { return MessageShown(*Frame().statusBar()) == QString::fromStdString(notice); }));
}

TEST_F(AppTest, WhileAMenuIsOpenTheMessagePaneShowsThePromptOrNothingThenReadyAgain) {
    Start();
    Frame().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Frame()));
    const QStatusBar& bar = *Frame().statusBar();
    EXPECT_EQ(MessageShown(bar), "Ready");

    QMenuBar& menus = *Frame().menuBar();
    QMenu& file = *PopupAt(menus, 0);
    menus.setActiveAction(file.menuAction());
    ASSERT_TRUE(WaitFor([&] { return file.isVisible(); }));
    EXPECT_EQ(MessageShown(bar), "");  // the popup itself has no prompt
    file.setActiveAction(Item(ID_DESTROY_1));
    EXPECT_EQ(MessageShown(bar), "Destroy Tuner 1 Graph");
    file.setActiveAction(Item(ID_UNICABLE));
    EXPECT_EQ(MessageShown(bar), "");

    file.setActiveAction(Item(ID_DESTROY_1));
    QMenu& tuner1 = *PopupAt(menus, 1);
    menus.setActiveAction(tuner1.menuAction());
    ASSERT_TRUE(WaitFor([&] { return tuner1.isVisible(); }));
    EXPECT_EQ(MessageShown(bar), "");
    tuner1.setActiveAction(SatPopup(1, 1).menuAction());
    EXPECT_EQ(MessageShown(bar), "");

    QTest::keyClick(&tuner1, Qt::Key_Escape);
    QTest::keyClick(&menus, Qt::Key_Escape);
    ASSERT_TRUE(WaitFor([&] { return !tuner1.isVisible() && !file.isVisible(); }));
    EXPECT_TRUE(WaitFor([&] { return MessageShown(bar) == "Ready"; }));
}

TEST_F(AppTest, TheStatusBarItemShowsAndHidesTheBarAndItsArea) {
    Start();
    QStatusBar& bar = *Frame().statusBar();
    const auto keyPanes = bar.findChildren<QLabel*>();
    EXPECT_EQ(keyPanes.size(), 4);  // the message pane and CAP, NUM, SCRL
    QCoreApplication::processEvents();
    const int viewHeight = Frame().View().height();

    Choose(ID_VIEW_STATUS_BAR);
    QCoreApplication::processEvents();
    EXPECT_TRUE(bar.isHidden());
    EXPECT_FALSE(Item(ID_VIEW_STATUS_BAR)->isChecked());
    EXPECT_GT(Frame().View().height(), viewHeight);

    Choose(ID_VIEW_STATUS_BAR);
    QCoreApplication::processEvents();
    EXPECT_FALSE(bar.isHidden());
    EXPECT_TRUE(Item(ID_VIEW_STATUS_BAR)->isChecked());
    EXPECT_EQ(Frame().View().height(), viewHeight);
}

TEST_F(AppTest, AcceleratorsRunTheirCommandsFromAnywhereInTheWindow) {
    Start();
    Frame().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Frame()));
    QWidget& view = Frame().View();

    QTest::keyClick(&view, Qt::Key_A, Qt::ControlModifier);
    ASSERT_TRUE(App().m_graphs[0] && App().m_graphs[1]);

    QTest::keyClick(Frame().statusBar(), Qt::Key_2, Qt::ControlModifier);
    EXPECT_TRUE(App().m_spectrum.Busy());
    ASSERT_TRUE(WaitFor([this] { return !App().m_spectrum.Busy(); }));
    EXPECT_EQ(App().m_spectrum.Traces()[0].tuner, 2);
    QTest::keyClick(&view, Qt::Key_1, Qt::ControlModifier);
    ASSERT_TRUE(WaitFor([this] { return !App().m_spectrum.Busy(); }));
    EXPECT_EQ(App().m_spectrum.Traces()[1].tuner, 1);

    QTest::keyClick(&view, Qt::Key_S, Qt::ControlModifier);
    ASSERT_EQ(prompts.fileDialogs.size(), 1u);
    EXPECT_EQ(prompts.fileDialogs[0].initialName, "Spectrum");

    QGuiApplication::clipboard()->setText("untouched");
    QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(App().m_spectrum.RowCount(), 0);  // cleared
    EXPECT_EQ(App().m_spectrum.Traces()[0].tuner, 0);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "untouched");
}

// The icon is embedded as bare pixels for speed; orvalen.png is the picture they must be.
TEST(AppIcon, ShowsThePixelsOfItsPng) {
    const QImage png(QStringLiteral(ORVALEN_ICON_PNG));
    ASSERT_EQ(png.size(), QSize(128, 128));
    const QIcon icon = AppIcon();
    ASSERT_EQ(icon.availableSizes(), QList<QSize>{QSize(128, 128)});
    EXPECT_EQ(icon.pixmap(QSize(128, 128)).toImage(), QPixmap::fromImage(png).toImage());
}

TEST_F(AppTest, TheWindowIsTitledWithAnIconAndSizedToShowTheWholeClientArea) {
    Start();
    EXPECT_EQ(Frame().windowTitle(), "Orvalen");
    EXPECT_FALSE(Frame().windowIcon().isNull());
    QCoreApplication::processEvents();
    const QSize screen = Frame().screen()->availableGeometry().size();
    EXPECT_LE(Frame().width(), screen.width());
    EXPECT_LE(Frame().height(), screen.height());
    const QSize view = Frame().View().size();
    if (screen.width() >= 1120 && screen.height() >= 800) {
        EXPECT_GE(view.width(), 1100);
        EXPECT_GE(view.height(), 690);
    }
}

TEST_F(AppTest, TheAboutBoxNamesTheProgramItsVersionAndCopyright) {
    Start();
    QStringList texts;
    bool hasOk = false;
    prompts.onModal = [&](QDialog& dialog) {
        for (const QLabel* label : dialog.findChildren<QLabel*>()) texts << label->text();
        for (const QPushButton* button : dialog.findChildren<QPushButton*>()) {
            hasOk = hasOk || button->text().remove('&') == "OK";
        }
        return int{QDialog::Accepted};
    };
    Choose(ID_APP_ABOUT);
    EXPECT_EQ(prompts.modalTitles, std::vector<QString>{"About Orvalen"});
    EXPECT_TRUE(texts.contains("Orvalen, Version 1.0.0")) << texts.join('|').toStdString();
    EXPECT_TRUE(texts.filter("Copyright (C)").size() == 1) << texts.join('|').toStdString();
    EXPECT_TRUE(hasOk);
}

}  // namespace
}  // namespace app_test

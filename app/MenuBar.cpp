#include "app/MenuBar.h"

#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <array>

#include "app/CommandIds.h"
#include "app/CommandPrompts.h"

namespace {

using Kind = MenuEntry::Kind;
using Mark = MenuEntry::Mark;

constexpr MenuEntry Command(const char* text, int id, Mark mark = Mark::None) {
    return {Kind::Command, text, id, mark, {}};
}
constexpr MenuEntry Popup(const char* text, std::span<const MenuEntry> entries) {
    return {Kind::Popup, text, 0, Mark::None, entries};
}
constexpr MenuEntry kSeparator{};

// Each Sat popup of the resource holds one placeholder, so that the popup exists.
constexpr std::array<std::array<MenuEntry, 1>, 8> kSatPlaceholders{{
    {Command("Tune", PlaceholderCommandId(0))},
    {Command("Tune", PlaceholderCommandId(1))},
    {Command("Tune", PlaceholderCommandId(2))},
    {Command("Tune", PlaceholderCommandId(3))},
    {Command("Tune", PlaceholderCommandId(4))},
    {Command("Tune", PlaceholderCommandId(5))},
    {Command("Tune", PlaceholderCommandId(6))},
    {Command("Tune", PlaceholderCommandId(7))},
}};

constexpr std::array kFileMenu{
    Command("Create all\t^A", ID_CREATE_ALL),
    Command("Create 1", ID_CREATE_1),
    Command("Create 2", ID_CREATE_2),
    Command("Record 1", ID_RECORD_1),
    Command("Record 2", ID_RECORD_2),
    kSeparator,
    Command("Destroy all", ID_DESTROY_ALL),
    Command("Destroy 1", ID_DESTROY_1),
    Command("Destroy 2", ID_DESTROY_2),
    kSeparator,
    Command("Unicable ...", ID_UNICABLE),
    kSeparator,
    Command("Save Spectrum ...\t^S", ID_SAVE_SPECTRUM),
    Command("Load Spectrum ...", ID_LOAD_SPECTRUM),
    Command("Clear Spectrum\t^C", ID_CLEAR_SPECTRUM),
    kSeparator,
    Command("E&xit", ID_APP_EXIT),
};

constexpr std::array kTuner1Menu{
    Popup("Sat 1", kSatPlaceholders[0]),
    Popup("Sat 2", kSatPlaceholders[1]),
    Popup("Sat 3", kSatPlaceholders[2]),
    Popup("Sat 4", kSatPlaceholders[3]),
    kSeparator,
    Command("DiSEqC", ID_DISEQC_1),
    Command("Spectrum\t^1", ID_SPECTRUM_1),
};

constexpr std::array kTuner2Menu{
    Popup("Sat 1", kSatPlaceholders[4]),
    Popup("Sat 2", kSatPlaceholders[5]),
    Popup("Sat 3", kSatPlaceholders[6]),
    Popup("Sat 4", kSatPlaceholders[7]),
    kSeparator,
    Command("DiSEqC", ID_DISEQC_2),
    Command("Spectrum\t^2", ID_SPECTRUM_2),
};

constexpr std::array kCiMenu{
    Command("CAM Menu ...", ID_CAM_MENU),
    Command("Reset CAM", ID_RESET_CAM),
    kSeparator,
    Command("MTD Mode", ID_CI_MTD, Mark::Radio),
    Command("Single Transponder Mode", ID_CI_SINGLE_TRANSPONDER, Mark::Radio),
    Command("Bypass Mode", ID_CI_BYPASS, Mark::Radio),
};

constexpr std::array kViewMenu{
    Command("&Status Bar", ID_VIEW_STATUS_BAR, Mark::Check),
};

constexpr std::array kHelpMenu{
    Command("&About Orvalen...", ID_APP_ABOUT),
};

constexpr std::array kMainMenu{
    Popup("&File", kFileMenu), Popup("Tuner 1", kTuner1Menu), Popup("Tuner 2", kTuner2Menu),
    Popup("CI", kCiMenu),      Popup("&View", kViewMenu),     Popup("&Help", kHelpMenu),
};

QAction* MakeCommandItem(QWidget& parent, const QString& text, int id, const CommandSink& sink) {
    auto* action = new QAction(text, &parent);
    action->setData(id);
    action->setStatusTip(CommandPrompt(id));
    QObject::connect(action, &QAction::triggered, &parent, [sink, id] { sink(id); });
    return action;
}

void FillMenu(QMenu& menu, std::span<const MenuEntry> entries, const CommandSink& sink) {
    QActionGroup* radioGroup = nullptr;
    for (const MenuEntry& entry : entries) {
        if (entry.mark != Mark::Radio) radioGroup = nullptr;
        switch (entry.kind) {
            case Kind::Separator:
                menu.addSeparator();
                break;
            case Kind::Popup:
                FillMenu(*menu.addMenu(QString::fromUtf8(entry.text)), entry.popup, sink);
                break;
            case Kind::Command: {
                QAction* action =
                    MakeCommandItem(menu, QString::fromUtf8(entry.text), entry.id, sink);
                if (entry.mark == Mark::Radio) {
                    if (!radioGroup) radioGroup = new QActionGroup(&menu);
                    action->setCheckable(true);
                    radioGroup->addAction(action);
                } else if (entry.mark == Mark::Check) {
                    action->setCheckable(true);
                }
                menu.addAction(action);
                break;
            }
        }
    }
}

QAction* FindIn(const QList<QAction*>& actions, int id) {
    for (QAction* action : actions) {
        if (CommandIdOf(*action) == id) return action;
        if (QMenu* popup = action->menu()) {
            if (QAction* found = FindIn(popup->actions(), id)) return found;
        }
    }
    return nullptr;
}

QMenu* PopupIn(const QList<QAction*>& actions, int position) {
    if (position < 0 || position >= actions.size()) return nullptr;
    return actions[position]->menu();
}

}  // namespace

std::span<const MenuEntry> MainMenuResource() {
    return kMainMenu;
}

void AddMenuTitles(QMenuBar& bar, std::span<const MenuEntry> entries) {
    for (const MenuEntry& entry : entries) bar.addMenu(QString::fromUtf8(entry.text));
}

void AddMenuItems(QMenuBar& bar, std::span<const MenuEntry> entries, const CommandSink& sink) {
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (QMenu* popup = PopupAt(bar, static_cast<int>(i)))
            FillMenu(*popup, entries[i].popup, sink);
    }
}

QAction* AppendCommandItem(QMenu& popup, const QString& text, int id, const CommandSink& sink) {
    QAction* action = MakeCommandItem(popup, text, id, sink);
    popup.addAction(action);
    return action;
}

int CommandIdOf(const QAction& action) {
    bool isNumber = false;
    const int id = action.data().toInt(&isNumber);
    return isNumber ? id : -1;
}

QAction* FindCommandItem(const QMenuBar& bar, int id) {
    return FindIn(bar.actions(), id);
}

bool DeleteCommandItem(QMenuBar& bar, int id) {
    QAction* action = FindCommandItem(bar, id);
    delete action;
    return action != nullptr;
}

QMenu* PopupAt(const QMenuBar& bar, int position) {
    return PopupIn(bar.actions(), position);
}

QMenu* PopupAt(const QMenu& menu, int position) {
    return PopupIn(menu.actions(), position);
}

// The main window's menu bar: the menu resource as data, the builder that turns it into Qt menus,
// and the menu operations the commands need (append an item, find or delete one by its id).
#pragma once

#include <cstdint>
#include <functional>
#include <span>

class QAction;
class QMenu;
class QMenuBar;
class QString;

struct MenuEntry {
    enum class Kind : std::uint8_t { Command, Separator, Popup };
    enum class Mark : std::uint8_t { None, Check, Radio };

    Kind kind = Kind::Separator;
    // Qt's form of the item text: "&" before the mnemonic, and after a tab the accelerator label
    // that the menu shows right-aligned.
    const char* text = "";
    int id = 0;
    // Check: the item shows a check mark when checked. Radio: neighbouring radio items of a
    // popup form one group, of which exactly one is checked.
    Mark mark = Mark::None;
    std::span<const MenuEntry> popup{};
};

// The menu bar as the program's resources describe it, with the "Tune" placeholder of every Sat
// popup, which start-up removes.
std::span<const MenuEntry> MainMenuResource();

// Receives the id of every command item that is triggered.
using CommandSink = std::function<void(int id)>;

// Appends the popups of `entries` to `bar`, titles only: what the window shows before anything is
// opened. AddMenuItems gives them their items.
void AddMenuTitles(QMenuBar& bar, std::span<const MenuEntry> entries);

// Fills the popups that AddMenuTitles appended for the same `entries`. Every command item carries
// its id (QAction::data) and its prompt (QAction::statusTip) and reports to `sink` when triggered.
void AddMenuItems(QMenuBar& bar, std::span<const MenuEntry> entries, const CommandSink& sink);

// Appends a plain command item to `popup`.
QAction* AppendCommandItem(QMenu& popup, const QString& text, int id, const CommandSink& sink);

// The id a command item carries, or -1 for a popup or a separator.
int CommandIdOf(const QAction& action);

// The first command item with `id` anywhere in the menu bar, depth first; null when none.
QAction* FindCommandItem(const QMenuBar& bar, int id);

// Deletes the first command item with `id`; false when there is none.
bool DeleteCommandItem(QMenuBar& bar, int id);

// The popup at `position` (counting every item, separators included); null when the item there
// is not a popup or the position is out of range.
QMenu* PopupAt(const QMenuBar& bar, int position);
QMenu* PopupAt(const QMenu& menu, int position);

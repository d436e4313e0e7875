// The status bar's message pane: "Ready" while the program is idle; while a menu is open, the
// prompt of the highlighted item, or nothing for an item or popup that has no prompt. A notice
// (from the card, or about a carrier tuned from the spectrum) stays until the menus or a prompt
// take the pane again.
//
// User-interface thread only.
#pragma once

#include <QLabel>

class QMenuBar;

class MessagePane final : public QLabel {
    Q_OBJECT

public:
    explicit MessagePane(QWidget* parent);

    // Follows the popups of `bar`: opening one empties the pane (a popup has no prompt), and
    // "Ready" comes back once the last one has closed.
    void FollowMenus(const QMenuBar& bar);

    // What a highlighted item asks to show (its status tip, empty when it has no prompt).
    void ShowPrompt(const QString& prompt);
    // A line the card's backend says to the user.
    void ShowNotice(const QString& notice);
};

// CMainFrame: the program's only top-level window. It holds the menu bar, the accelerators,
// the status bar and the client view with the signal meters and the spectrum picture, routes
// every command to the application object, ticks the CAM menu dialog's poll every 100 ms, and
// shuts the tuners down before it closes.
#pragma once

#include <QMainWindow>
#include <array>

#include "app/MenuBar.h"

class CChildView;
class COrvalenApp;
class QLabel;
class QMenu;
class MessagePane;
class QStatusBar;
class SpectrumStore;
struct SignalMeters;

class CMainFrame final : public QMainWindow {
    Q_OBJECT

public:
    // Builds the whole window (view, status bar, timer, menu titles, accelerators, title, icon,
    // first size) without showing it. The window deletes itself once it has closed.
    CMainFrame(COrvalenApp& app, const SignalMeters& meters, const SpectrumStore& spectrum);

    CChildView& View() const { return *m_wndView; }

    // Gives the menus their items; called once. The first paint shows only the titles, so the
    // application object calls this after it, or with a command that comes sooner.
    void AddMenuItems();

    // Appends a command item that routes like every other menu item.
    void AppendCommandItem(QMenu& popup, const QString& text, int id);
    // Checks the radio item `id`, unchecking the others of its group.
    void CheckMenuRadioItem(int id);

    // Offers a command to the frame first (status bar), then to the application object.
    void OnCommand(int id);

    // Shows a line the card's backend says in the message pane.
    void ShowNotice(const QString& notice);

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    void CreateStatusBar();
    void ToggleStatusBar();
    void UpdateKeyIndicators();
    QSize FirstSize() const;
    // Where menu items and accelerators send their commands: OnCommand.
    CommandSink Route();

    COrvalenApp& m_app;
    int m_timerId = 0;  // 0: the timer did not start, and the CAM dialog gets no polls
    QStatusBar* m_wndStatusBar = nullptr;
    MessagePane* m_messagePane = nullptr;
    CChildView* m_wndView = nullptr;
    std::array<QLabel*, 3> m_keyIndicators{};  // CAP, NUM, SCRL
};

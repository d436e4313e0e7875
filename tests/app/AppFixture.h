// What the application tests build on: one QApplication for the suite, prompts that a test
// scripts instead of a user, a scratch working directory holding the example lists, and a
// started application on a freshly installed simulated card.
#pragma once

#include <gtest/gtest.h>

#include <QDialog>
#include <QDir>
#include <QString>
#include <QTemporaryDir>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "app/OrvalenApp.h"
#include "app/SocketStartup.h"
#include "app/UserPrompts.h"
#include "card/InstallSimulatedCard.h"

class QAction;
class QMenu;

namespace app_test {

// Answers every prompt at once: file dialogs from a queue (an empty name, or an empty queue,
// cancels), modal dialogs through `onModal` (Rejected unless set), and notes what was asked.
class ScriptedPrompts final : public UserPrompts {
public:
    std::optional<QString> AskFileName(const FileDialogSpec& spec) override;
    int RunModal(QDialog& dialog) override;
    void ShowMessage(const QString& text) override { messages.push_back(text); }

    std::deque<QString> fileAnswers;
    std::function<void(const FileDialogSpec&)> duringFileDialog;
    std::function<int(QDialog&)> onModal;

    std::vector<FileDialogSpec> fileDialogs;
    std::vector<QString> modalTitles;
    std::vector<QString> messages;
};

// Runs Qt's events until `condition` holds; false when it has not after a generous bound.
bool WaitFor(const std::function<bool()>& condition,
             std::chrono::milliseconds limit = std::chrono::seconds(20));

// A fresh directory with copies of the example lists, the working directory while it lives.
class ScratchDirectory {
public:
    ScratchDirectory();
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    QString Path(const QString& name) const { return m_dir.filePath(name); }
    // Replaces a file's content.
    void Write(const QString& name, const QByteArray& content) const;

private:
    QString m_previous;
    QTemporaryDir m_dir;
};

// The application started on a card with `CardConfig` (the test configuration unless a test
// changes `config` before calling Start).
class AppTest : public ::testing::Test {
protected:
    AppTest();
    ~AppTest() override;

    // InitInstance, then events until the window has painted once and its menus have their
    // items, as a user first sees it.
    void Start();
    // InitInstance alone: no event has been handled yet.
    void Launch();
    COrvalenApp& App() { return *m_app; }
    CMainFrame& Frame();

    QAction* Item(int id);
    QString ItemText(int id);
    // Triggers the menu item `id`, as choosing it does.
    void Choose(int id);
    QMenu& SatPopup(int tuner, int lnbSource);
    // The command ids of the items in a popup, in order.
    static std::vector<int> IdsIn(const QMenu& popup);

    card::CardConfig config = card::TestCardConfig();
    ScratchDirectory scratch;
    ScriptedPrompts prompts;
    StandInSocketLibrary sockets;
    std::shared_ptr<card::SimulatedCard> simulatedCard;

private:
    std::unique_ptr<COrvalenApp> m_app;
};

}  // namespace app_test

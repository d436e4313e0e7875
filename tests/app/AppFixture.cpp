#include "AppFixture.h"

#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QThread>

#include "app/CommandIds.h"
#include "app/MainFrame.h"
#include "app/MenuBar.h"
#include "platform/ClassIds.h"
#include "platform/ComponentRegistry.h"
#include "platform/DeviceRegistry.h"

namespace app_test {

std::optional<QString> ScriptedPrompts::AskFileName(const FileDialogSpec& spec) {
    fileDialogs.push_back(spec);
    if (duringFileDialog) duringFileDialog(spec);
    if (fileAnswers.empty()) return std::nullopt;
    const QString answer = fileAnswers.front();
    fileAnswers.pop_front();
    if (answer.isEmpty()) return std::nullopt;
    return answer;
}

int ScriptedPrompts::RunModal(QDialog& dialog) {
    modalTitles.push_back(dialog.windowTitle());
    return onModal ? onModal(dialog) : QDialog::Rejected;
}

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    const QDeadlineTimer deadline(limit);
    while (!condition()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

ScratchDirectory::ScratchDirectory() : m_previous(QDir::currentPath()) {
    const QDir examples(QStringLiteral(ORVALEN_EXAMPLES_DIR));
    for (const QString& name : examples.entryList({QStringLiteral("*.csv")}, QDir::Files)) {
        QFile::copy(examples.filePath(name), m_dir.filePath(name));
    }
    QDir::setCurrent(m_dir.path());
}

ScratchDirectory::~ScratchDirectory() {
    QDir::setCurrent(m_previous);
}

void ScratchDirectory::Write(const QString& name, const QByteArray& content) const {
    QFile file(Path(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

AppTest::AppTest() {
    ClearDevices();
    ClearComponentClasses();
    RegisterStandInClasses();
}

AppTest::~AppTest() {
    m_app.reset();
    ClearDevices();
    ClearComponentClasses();
}

void AppTest::Start() {
    Launch();
    ASSERT_TRUE(WaitFor([this] { return Item(ID_APP_EXIT) != nullptr; }))
        << "the menus got no items after the first paint";
}

void AppTest::Launch() {
    simulatedCard = card::InstallSimulatedCard(config);
    m_app = std::make_unique<COrvalenApp>(prompts, sockets);
    ASSERT_TRUE(m_app->InitInstance());
}

CMainFrame& AppTest::Frame() {
    return *m_app->m_mainFrame;
}

QAction* AppTest::Item(int id) {
    return FindCommandItem(*Frame().menuBar(), id);
}

QString AppTest::ItemText(int id) {
    QAction* item = Item(id);
    return item ? item->text() : QStringLiteral("<no item %1>").arg(id);
}

void AppTest::Choose(int id) {
    QAction* item = Item(id);
    ASSERT_NE(item, nullptr) << "no menu item " << id;
    item->trigger();
}

QMenu& AppTest::SatPopup(int tuner, int lnbSource) {
    return *PopupAt(*PopupAt(*Frame().menuBar(), tuner), lnbSource - 1);
}

std::vector<int> AppTest::IdsIn(const QMenu& popup) {
    std::vector<int> ids;
    for (const QAction* action : popup.actions()) ids.push_back(CommandIdOf(*action));
    return ids;
}

}  // namespace app_test

// The program's own start-up, measured: main()'s pieces in main()'s order, with a clock on the
// first paint of the main window's view.
//
//   startup_orvalen            reports the first paint, then ends as the program does
//   startup_orvalen --memory   then records on both tuners (accepting the proposed file names in
//                              the working directory), keeps 128 sweeps from a card that sweeps at
//                              no pace, tunes each tuner to its first channel, and reports the
//                              resident memory once both files hold a few megabytes
#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "FirstPaintClock.h"
#include "ProbeReport.h"
#include "app/CommandIds.h"
#include "app/MainFrame.h"
#include "app/OrvalenApp.h"
#include "app/QtUserPrompts.h"
#include "app/SocketStartup.h"
#include "card/InstallSimulatedCard.h"
#include "platform/ClassIds.h"
#include "spectrum/ChildView.h"

namespace {

constexpr int kStoredSweeps = 128;
constexpr int kSweepPoints = 601;
constexpr qint64 kRecordedBytes = 4 * 1024 * 1024;
constexpr int kWaitLimitMs = 60000;

// Answers every file prompt with the name it proposes, in the working directory, as a user
// pressing Enter would; no other prompt is expected.
class ProposedNamePrompts final : public UserPrompts {
public:
    std::optional<QString> AskFileName(const FileDialogSpec& spec) override {
        return QDir::current().filePath(spec.initialName + '.' + spec.defaultExtension);
    }
    // What the answer is for a tuner's record file.
    static QString RecordFileName(int tuner) { return QStringLiteral("Record_%1.ts").arg(tuner); }
    int RunModal(QDialog&) override { return QDialog::Rejected; }
    void ShowMessage(const QString& text) override {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    }
};

card::CardConfig MemoryRunCard() {
    card::CardConfig config;
    config.spectrumStepTime = std::chrono::microseconds(0);
    return config;
}

// Runs Qt's events until `condition` holds; false when it has not after a generous bound.
template <typename Condition>
bool WaitFor(Condition condition) {
    const QDeadlineTimer deadline(kWaitLimitMs);
    while (!condition()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

bool Fail(const char* what) {
    std::fprintf(stderr, "memory run: %s\n", what);
    return false;
}

// Both graphs recording, a full spectrum store with its sweeps taken in turn on both tuners, and
// then both tuners on a channel, the stream flowing into both files: the state the memory figure
// is taken in. (A sweep moves its tuner off the channel, so the sweeps come first.)
bool FillRun(COrvalenApp& app) {
    app.OnCommand(ID_RECORD_1);
    app.OnCommand(ID_RECORD_2);
    for (int sweep = 0; sweep < kStoredSweeps; ++sweep) {
        app.OnCommand(sweep % 2 == 0 ? ID_SPECTRUM_1 : ID_SPECTRUM_2);
        if (!WaitFor([&] { return !app.m_spectrum.Busy(); })) return Fail("a sweep did not end");
    }
    for (const SpectrumTrace& trace : app.m_spectrum.Traces())
        if (trace.count != kSweepPoints) return Fail("a sweep is missing from the store");

    app.OnCommand(ChannelCommandId(0, 0));
    app.OnCommand(ChannelCommandId(4, 0));
    const auto recorded = [](int tuner) {
        return QFileInfo(QDir::current().filePath(ProposedNamePrompts::RecordFileName(tuner)))
                   .size() >= kRecordedBytes;
    };
    if (!WaitFor([&] { return recorded(1) && recorded(2); }))
        return Fail("the recordings did not grow");
    return true;
}

// After the first paint: the memory run's state when one was asked for, then the window closes,
// which shuts the tuners down as the user's Exit does.
void FinishRun(COrvalenApp& app, bool memoryRun, int& result) {
    if (memoryRun) {
        if (FillRun(app))
            ReportResidentMemory();
        else
            result = EXIT_FAILURE;
    }
    if (app.m_mainFrame) app.m_mainFrame->close();
}

}  // namespace

int main(int argc, char* argv[]) {
    const bool memoryRun = argc > 1 && std::string_view(argv[1]) == "--memory";

    QApplication application(argc, argv);
    RegisterStandInClasses();
    const auto simulatedCard =
        card::InstallSimulatedCard(memoryRun ? MemoryRunCard() : card::CardConfig{});

    std::unique_ptr<UserPrompts> prompts;
    if (memoryRun)
        prompts = std::make_unique<ProposedNamePrompts>();
    else
        prompts = std::make_unique<QtUserPrompts>();
    StandInSocketLibrary sockets;
    COrvalenApp app(*prompts, sockets);

    int result = EXIT_SUCCESS;
    const FirstPaintClock clock(
        [](const QObject& object) { return qobject_cast<const CChildView*>(&object) != nullptr; },
        [&] {
            ReportFirstPaint();
            FinishRun(app, memoryRun, result);
        });

    if (!app.InitInstance())
        result = EXIT_FAILURE;
    else if (QApplication::exec() != 0)
        result = EXIT_FAILURE;
    app.ExitInstance();
    return result;
}

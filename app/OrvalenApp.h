// COrvalenApp: the application object. It owns the state of a run (the tuner graphs, the
// channel and satellite lists, the signal meters, the spectrum store, the last DiSEqC message,
// the CAM menu dialog and the CI mode), starts and ends the user interface, handles every menu
// command and the tuner workers' thread messages. It lives on the user-interface thread and is
// touched only there.
#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <array>
#include <cstdint>
#include <memory>

#include "app/CarrierTuneWatch.h"
#include "app/ThreadMessageBridge.h"
#include "channels/ChannelList.h"
#include "channels/SatelliteList.h"
#include "dialogs/CamMenu.h"
#include "scan/TableReader.h"
#include "spectrum/LnbSetting.h"
#include "spectrum/SignalMeter.h"
#include "spectrum/SpectrumStore.h"
#include "tuner/TunerGraph.h"
#include "tuner/WorkerMessages.h"

class CMainFrame;
class SocketLibrary;
class UserPrompts;

class COrvalenApp final : public QObject {
    Q_OBJECT

public:
    // Create it after the QApplication, on the thread that runs the user interface. `prompts`
    // answers every dialog and message box, `sockets` is the library start-up checks; both
    // must outlive the object.
    COrvalenApp(UserPrompts& prompts, SocketLibrary& sockets);
    ~COrvalenApp() override;
    COrvalenApp(const COrvalenApp&) = delete;
    COrvalenApp& operator=(const COrvalenApp&) = delete;

    // Start-up: true when the event loop should run, false to end the program at once.
    bool InitInstance();
    // Called by the main window when it is asked to close, before it goes.
    void ShutDownTuners();
    // The end of a run, after the event loop.
    void ExitInstance();

    // Runs the command with `id`, as a menu item or an accelerator does.
    void OnCommand(int id);
    // The main window's 100 ms tick.
    void OnCamPollTimer();

    // Graphs and their menus.
    void CreateTunerGraph(int tuner, bool recording);
    void DestroyTunerGraph(int tuner);
    void FillChannelMenus(int tuner);
    void RemoveChannelMenus(int tuner);
    void TuneChannel(int id);
    void DestroyAll();
    void OnUnicable();
    void OnDiseqc(int tuner);

    // CI and CAM.
    void OnCamMenu();
    void OnResetCam();
    void OnCiMode(int id);

    // Spectrum.
    void StartSpectrumTrace(int tunerIndex);
    void ClearSpectrum();
    void OnSaveSpectrum();
    void OnLoadSpectrum();
    // Tunes the tuner whose sweep shows a carrier at `picturePoint` (picture pixels) to it, or
    // says in the message pane why nothing is tuned.
    void TuneCarrierAt(QPoint picturePoint);

    // Thread-message handlers; each owns its record. wParam is the tuner number.
    void OnSignalStatus(std::uintptr_t wParam, std::unique_ptr<SignalStatus> status);
    void OnSpectrumPoint(std::unique_ptr<SpectrumPoint> point);

    // The state of a run, in this order.
    TunerGraphSlots m_graphs;
    std::array<std::unique_ptr<orvalen::ChannelList>, orvalen::kSatelliteSlots> m_channelLists;
    std::unique_ptr<orvalen::SatelliteList> m_satelliteList;
    SignalMeters m_meters;
    SpectrumStore m_spectrum;
    QPointer<CMainFrame> m_mainFrame;  // the window deletes itself when it has closed
    std::array<std::uint8_t, 8> m_diseqcCommand{0xE0, 0x10, 0x5A, 0x00, 0x00, 0x00, 0x00, 0x00};
    std::int32_t m_diseqcLength = 5;
    std::unique_ptr<CCamMenu> m_camMenu;
    std::uint32_t m_ciModeFlags = 0;

protected:
    bool event(QEvent* event) override;

private:
    TunerGraph* Graph(int tuner) const { return m_graphs[tuner - 1].get(); }
    // Tunes `graph` of `tuner` as a channel of a list does: the meters start again, and the
    // LNB setting the tune leaves is kept for the tuner's next sweep.
    std::int32_t RequestTune(TunerGraph& graph, int tuner, const TuneParameters& tune);
    void ShowMessage(const QString& text);
    // The carrier attempt of `tuner`: arms it after a request, and takes its signal reports
    // (quality in percent, the system locked as SignalStatus gives it).
    void ArmCarrierWatch(int tuner, std::uint64_t attempt);
    void FollowCarrierTune(int tuner, std::uint32_t quality, std::int32_t lockedSystem);
    void FollowCarrierAttempt(int tuner, std::uint32_t quality, std::int32_t lockedSystem,
                              scan::TableReader* tables);
    void AskRecordFile(TunerGraph& graph, int tuner);
    void ShowCamName(TunerGraph& graph);
    // Gives the menus their items when they are due, with what start-up does to them (the Sat
    // popups' placeholders go, the CI mode's item is checked): after the window's first paint,
    // or with the first command when that comes sooner.
    void CompleteMenus();
    // Makes the CAM menu dialog when it is due: after the window's first paint, or with the
    // first command when that comes sooner.
    void MakeCamMenu();
    void SetMenuItemText(int id, const QString& text);
    void RedrawMainWindow();
    void InvalidateView();
    void ShowAboutBox();

    UserPrompts& m_prompts;
    SocketLibrary& m_sockets;
    ThreadMessageBridge m_bridge;
    bool m_menusDue = false;    // from start-up until the menus have their items
    bool m_camMenuDue = false;  // from start-up until the dialog is made or the window closes
    // The CAM item reads "not ready": tuner 1's graph reads the name again on each tick.
    bool m_camNamePending = false;
    // What each tuner's LNB delivers now, as its last tune left it: a sweep is made through it.
    std::array<LnbSetting, 2> m_lnbSettings{};
    CarrierTuneWatch m_carrierWatch;
    // Each graph's reader of the tables of what it is tuned to, attached as the graph is built
    // (a tap is attached before a graph first runs), paused but while a carrier's attempt waits
    // for its tables.
    std::array<std::unique_ptr<scan::TableReader>, 2> m_tableReaders;
};

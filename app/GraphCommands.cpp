// Creating and destroying tuner graphs, and the commands that need a graph's life around them.
#include <QDialog>
#include <new>

#include "app/CommandIds.h"
#include "app/MainFrame.h"
#include "app/OrvalenApp.h"
#include "app/UserPrompts.h"
#include "dialogs/DiSEqCCommand.h"
#include "dialogs/SCIFSettings.h"

namespace {

FileDialogSpec RecordFileDialog(int tuner) {
    return {true, QStringLiteral("ts"), QStringLiteral("Record_%1").arg(tuner),
            QStringLiteral("TransportStream (*.ts)|*.ts|All Files (*.*)|*.*||")};
}

}  // namespace

void COrvalenApp::CreateTunerGraph(int tuner, bool recording) {
    auto& slot = m_graphs[tuner - 1];
    auto& tables = m_tableReaders[static_cast<std::size_t>(tuner - 1)];
    tables.reset();
    m_carrierWatch.Forget(tuner);
    if (slot) {
        // The CAM menu dialog must not poll a graph that is gone: the record file prompt below
        // runs a modal loop in which the 100 ms timer keeps ticking.
        if (m_camMenu && m_camMenu->m_camGraph == slot.get()) m_camMenu->m_camGraph = nullptr;
        slot.reset();
    }
    RemoveChannelMenus(tuner);

    const std::uint32_t flags = m_ciModeFlags | (recording ? GraphFlagRecord : 0);
    slot.reset(new (std::nothrow) TunerGraph(tuner, flags));
    if (!slot) return;
    TunerGraph& graph = *slot;
    // Whether construction completed (m_ready) is the graph's business: it refuses commands.
    graph.m_notifyThreadId = m_bridge.ThreadId();
    graph.m_tunerNumber = tuner;
    if (graph.m_ready && (tables = scan::TableReader::Attach(graph))) tables->Pause();

    m_meters.Reset(tuner - 1);
    RedrawMainWindow();

    if (recording) AskRecordFile(graph, tuner);
    if (tuner == 1 && m_camMenu) {
        ShowCamName(graph);
        m_camMenu->m_camGraph = &graph;
        m_camMenu->m_objectId = 0;
    }
    FillChannelMenus(tuner);
}

void COrvalenApp::AskRecordFile(TunerGraph& graph, int tuner) {
    // A cancelled prompt leaves the graph without a file: it is built, but records nothing.
    if (const auto path = m_prompts.AskFileName(RecordFileDialog(tuner))) {
        graph.SetRecordFile(path->toStdU16String());
    }
}

void COrvalenApp::DestroyTunerGraph(int tuner) {
    m_meters.Reset(tuner - 1);
    m_lnbSettings[static_cast<std::size_t>(tuner - 1)] = LnbSetting{};
    m_carrierWatch.Forget(tuner);
    m_tableReaders[static_cast<std::size_t>(tuner - 1)].reset();
    if (auto& slot = m_graphs[tuner - 1]) {
        if (tuner == 1 && m_camMenu) {
            SetMenuItemText(ID_CAM_MENU, QStringLiteral("CAM: None"));
            m_camNamePending = false;
            m_camMenu->m_camGraph = nullptr;
            m_camMenu->m_objectId = 0;
        }
        slot.reset();
    }
    RemoveChannelMenus(tuner);
}

void COrvalenApp::DestroyAll() {
    DestroyTunerGraph(1);
    DestroyTunerGraph(2);
    // The next graph reads "SatelliteList.csv" again.
    if (m_satelliteList) {
        orvalen::FreeSatelliteList(*m_satelliteList);
        m_satelliteList.reset();
    }
    RedrawMainWindow();
}

void COrvalenApp::OnUnicable() {
    // The dialog reads and writes each tuner's single-cable settings through live graphs, and
    // leaves none behind: the settings take effect in graphs built afterwards.
    DestroyTunerGraph(1);
    DestroyTunerGraph(2);
    CreateTunerGraph(1, false);
    CreateTunerGraph(2, false);
    {
        CSCIFSettings dialog(m_graphs, m_mainFrame);
        m_prompts.RunModal(dialog);
    }
    DestroyTunerGraph(1);
    DestroyTunerGraph(2);
    RedrawMainWindow();
}

void COrvalenApp::OnDiseqc(int tuner) {
    TunerGraph* graph = Graph(tuner);
    if (!graph) return;
    CDiSEqCCommand dialog(m_diseqcCommand, m_diseqcLength, m_mainFrame);
    if (m_prompts.RunModal(dialog) == QDialog::Accepted) {
        graph->RequestDiseqc(m_diseqcLength, m_diseqcCommand.data());
    }
}

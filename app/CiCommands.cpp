// The CI menu: the CAM's name on its first item, the CAM menu dialog, CAM reset and CI mode.
#include <algorithm>
#include <string_view>

#include "app/CommandIds.h"
#include "app/MainFrame.h"
#include "app/MenuBar.h"
#include "app/OrvalenApp.h"
#include "text/CodePage.h"

void COrvalenApp::ShowCamName(TunerGraph& graph) {
    std::array<std::uint8_t, kCamNameSize> name{};
    const HRESULT hr = graph.GetCamName(name);
    // A module still starting up gets its name on the item once it has one (OnCamPollTimer).
    m_camNamePending = hr == HRESULT_ERROR_BUSY;
    QString text = m_camNamePending ? QStringLiteral("CAM:Not ready") : QStringLiteral("CAM:None");
    if (hr >= 0) {
        // The name is the CAM's 8-bit text in the system's character set, ending at its NUL.
        const auto end = std::find(name.begin(), name.end(), std::uint8_t{0});
        const std::string_view bytes(reinterpret_cast<const char*>(name.data()),
                                     static_cast<std::size_t>(end - name.begin()));
        const auto decoded = DecodeCodePage(0, bytes);
        // Qt's own conversion stands in for a locale character set that iconv does not have.
        text =
            QStringLiteral("CAM:") +
            (decoded ? QString::fromStdU16String(*decoded)
                     : QString::fromLocal8Bit(bytes.data(), static_cast<qsizetype>(bytes.size())));
    }
    SetMenuItemText(ID_CAM_MENU, text);
}

void COrvalenApp::SetMenuItemText(int id, const QString& text) {
    if (!m_mainFrame) return;
    if (QAction* item = FindCommandItem(*m_mainFrame->menuBar(), id)) item->setText(text);
}

void COrvalenApp::OnCamMenu() {
    if (!m_camMenu || !m_camMenu->m_camGraph || m_camMenu->m_mmiState != 0) return;
    if (m_camMenu->m_camGraph->MmiOpen() >= 0) {
        // The dialog shows itself when a poll finds the CAM's menu.
        m_camMenu->m_countdown = 100;
        m_camMenu->m_mmiState = 1;
    }
}

void COrvalenApp::OnResetCam() {
    TunerGraph* graph = Graph(1) ? Graph(1) : Graph(2);
    if (graph) graph->CamReset();
}

void COrvalenApp::OnCiMode(int id) {
    if (m_mainFrame) m_mainFrame->CheckMenuRadioItem(id);
    // Graphs that exist keep the mode they were built with.
    switch (id) {
        case ID_CI_MTD:
            m_ciModeFlags = 0;
            break;
        case ID_CI_SINGLE_TRANSPONDER:
            m_ciModeFlags = GraphFlagCiSingleTransponder;
            break;
        case ID_CI_BYPASS:
            m_ciModeFlags = GraphFlagCiBypass;
            break;
        default:
            break;
    }
}

void COrvalenApp::OnCamPollTimer() {
    if (!m_camMenu) return;
    if (m_camNamePending && m_camMenu->m_camGraph) ShowCamName(*m_camMenu->m_camGraph);
    m_camMenu->Poll();
}

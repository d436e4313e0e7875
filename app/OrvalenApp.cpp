#include "app/OrvalenApp.h"

#include <QCoreApplication>
#include <new>

#include "app/AfterFirstPaint.h"
#include "app/AppStrings.h"
#include "app/CommandIds.h"
#include "app/MainFrame.h"
#include "app/MenuBar.h"
#include "app/SocketStartup.h"
#include "app/UserPrompts.h"
#include "platform/Threads.h"
#include "spectrum/ChildView.h"

COrvalenApp::COrvalenApp(UserPrompts& prompts, SocketLibrary& sockets)
    : m_spectrum(m_graphs, [this] { InvalidateView(); }),
      m_prompts(prompts),
      m_sockets(sockets),
      m_bridge(*this) {}

COrvalenApp::~COrvalenApp() {
    // A window that never closed (a test, a failed start) goes with the application; the CAM
    // menu dialog is its child and goes first.
    m_camMenu.reset();
    delete m_mainFrame.data();
}

bool COrvalenApp::InitInstance() {
    // Qt's widgets need no registration of control classes before use.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);

    if (!InitSockets(m_sockets)) {
        m_prompts.ShowMessage(kSocketsFailed);
        return false;
    }

    // Nothing is ever stored under the organisation's key; it only names where settings would go.
    QCoreApplication::setOrganizationName(kOrganisation);
    QCoreApplication::setApplicationName(kAppName);

    // The frame builds itself from the resources: menu, accelerators, icon and title.
    auto* frame = new (std::nothrow) CMainFrame(*this, m_meters, m_spectrum);
    if (!frame) return false;
    m_mainFrame = frame;

    // The first paint shows the menu titles, not their items; and the CAM menu dialog stays
    // hidden until the CAM has something to show, while making it loads a font of its own. Both
    // wait until the window has painted (watched from before the show, which may paint at once).
    m_menusDue = true;
    m_camMenuDue = true;
    AfterFirstPaint(frame->View(), *this, [this] {
        CompleteMenus();
        MakeCamMenu();
    });
    frame->show();
    return true;
}

void COrvalenApp::CompleteMenus() {
    if (!m_menusDue || !m_mainFrame) return;
    m_menusDue = false;
    m_mainFrame->AddMenuItems();
    // The menu resource gives every Sat popup a placeholder; a popup holds exactly the channels
    // of its slot.
    for (int slot = 0; slot < orvalen::kSatelliteSlots; ++slot) {
        DeleteCommandItem(*m_mainFrame->menuBar(), PlaceholderCommandId(slot));
    }
    m_mainFrame->CheckMenuRadioItem(ID_CI_MTD);  // m_ciModeFlags 0: no command has run yet
}

void COrvalenApp::MakeCamMenu() {
    if (!m_camMenuDue || !m_mainFrame) return;
    m_camMenuDue = false;
    m_camMenu.reset(new (std::nothrow) CCamMenu(m_mainFrame));
}

void COrvalenApp::ShutDownTuners() {
    m_camMenuDue = false;
    m_camMenu.reset();
    DestroyTunerGraph(1);  // the CAM item keeps its text: its dialog is gone
    DestroyTunerGraph(2);
}

void COrvalenApp::ExitInstance() {
    DestroyTunerGraph(1);
    DestroyTunerGraph(2);
    if (m_satelliteList) {
        orvalen::FreeSatelliteList(*m_satelliteList);
        m_satelliteList.reset();
    }
}

void COrvalenApp::RedrawMainWindow() {
    if (m_mainFrame) m_mainFrame->repaint();
}

void COrvalenApp::InvalidateView() {
    if (m_mainFrame) m_mainFrame->View().update();
}

// Every command of the menu bar and the accelerators, by its id.
#include "app/AboutDlg.h"
#include "app/CommandIds.h"
#include "app/MainFrame.h"
#include "app/OrvalenApp.h"
#include "app/UserPrompts.h"

void COrvalenApp::OnCommand(int id) {
    // A command that comes before the window's first paint finds the menus and the CAM menu
    // dialog all the same (a graph made now fills its Sat popups and is its CAM's).
    CompleteMenus();
    MakeCamMenu();
    switch (id) {
        case ID_CREATE_ALL:
            CreateTunerGraph(1, false);
            CreateTunerGraph(2, false);
            return;
        case ID_CREATE_1:
            CreateTunerGraph(1, false);
            return;
        case ID_CREATE_2:
            CreateTunerGraph(2, false);
            return;
        case ID_RECORD_1:
            CreateTunerGraph(1, true);
            return;
        case ID_RECORD_2:
            CreateTunerGraph(2, true);
            return;
        case ID_DESTROY_ALL:
            DestroyAll();
            return;
        case ID_DESTROY_1:
            DestroyTunerGraph(1);
            RedrawMainWindow();
            return;
        case ID_DESTROY_2:
            DestroyTunerGraph(2);
            RedrawMainWindow();
            return;
        case ID_UNICABLE:
            OnUnicable();
            return;
        case ID_SAVE_SPECTRUM:
            OnSaveSpectrum();
            return;
        case ID_LOAD_SPECTRUM:
            OnLoadSpectrum();
            return;
        case ID_CLEAR_SPECTRUM:
            ClearSpectrum();
            return;
        case ID_DISEQC_1:
            OnDiseqc(1);
            return;
        case ID_DISEQC_2:
            OnDiseqc(2);
            return;
        case ID_SPECTRUM_1:
            StartSpectrumTrace(0);
            return;
        case ID_SPECTRUM_2:
            StartSpectrumTrace(1);
            return;
        case ID_CAM_MENU:
            OnCamMenu();
            return;
        case ID_RESET_CAM:
            OnResetCam();
            return;
        case ID_CI_MTD:
        case ID_CI_SINGLE_TRANSPONDER:
        case ID_CI_BYPASS:
            OnCiMode(id);
            return;
        case ID_APP_ABOUT:
            ShowAboutBox();
            return;
        case ID_APP_EXIT:
            if (m_mainFrame) m_mainFrame->close();  // runs the window's close sequence
            return;
        default:
            if (id >= ID_CHANNEL_FIRST && id <= ID_CHANNEL_LAST) TuneChannel(id);
            return;
    }
}

void COrvalenApp::ShowAboutBox() {
    CAboutDlg dialog(m_mainFrame);
    m_prompts.RunModal(dialog);
}

// The spectrum commands: sweeps, clearing, and the spectrum files.
#include "app/OrvalenApp.h"
#include "app/UserPrompts.h"
#include "spectrum/SpectrumFiles.h"

void COrvalenApp::StartSpectrumTrace(int tunerIndex) {
    const auto index = static_cast<std::size_t>(tunerIndex);
    if (index >= m_lnbSettings.size()) return;
    m_spectrum.StartSpectrumTrace(tunerIndex, m_lnbSettings[index]);
    // The sweep moves the tuner off a carrier it was trying.
    if (m_spectrum.Busy() && m_spectrum.Traces()[m_spectrum.CurrentSlot()].tuner == tunerIndex + 1)
        m_carrierWatch.Forget(tunerIndex + 1);
}

void COrvalenApp::ClearSpectrum() {
    m_spectrum.ClearSpectrum();
}

void COrvalenApp::OnSaveSpectrum() {
    // Nothing to save while a sweep runs or before one has finished.
    if (m_spectrum.Busy() || m_spectrum.RowCount() == 0) return;
    if (const auto path = m_prompts.AskFileName(kSaveSpectrumDialog)) {
        SaveSpectrumFile(m_spectrum, *path);
    }
}

void COrvalenApp::OnLoadSpectrum() {
    if (m_spectrum.Busy()) return;
    if (const auto path = m_prompts.AskFileName(kLoadSpectrumDialog)) {
        LoadSpectrumFile(m_spectrum, *path);
    }
}

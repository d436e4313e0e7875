// The spectrum commands: sweeps, clearing, and the spectrum files.
#include "app/OrvalenApp.h"
#include "app/UserPrompts.h"
#include "spectrum/SpectrumFiles.h"

void COrvalenApp::StartSpectrumTrace(int tunerIndex) {
    m_spectrum.StartSpectrumTrace(tunerIndex);
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

// The Unicable settings dialog: both tuners' single-cable configuration side by side (EN 50494,
// or EN 50607 where the tuner's "Unicable II" box is ticked),
// read from each tuner's graph when the dialog opens and written back to the driver on OK, tuner
// 1 first. Invalid input keeps the dialog open with the focus in the offending field, without a
// message; a tuner written before the refusal stays written. Works run modally (exec) or shown
// and driven by a test; result() tells how it ended.
#pragma once

#include <QDialog>
#include <array>
#include <cstdint>

#include "dialogs/DialogUnits.h"
#include "tuner/TunerGraph.h"

class QCheckBox;
class QLabel;
class QLineEdit;

inline constexpr int kIddScifSettings = 310;

class CSCIFSettings : public QDialog {
    Q_OBJECT

public:
    CSCIFSettings(const TunerGraphSlots& graphs, QWidget* parent = nullptr);

    // OK: writes each tuner that has a graph, or refuses the input.
    void accept() override;

    // Indexed by tuner: 0 = tuner 1, 1 = tuner 2.
    std::array<QCheckBox*, 2> m_enable{};
    std::array<QLabel*, 2> m_slotLabel{};
    std::array<QLineEdit*, 2> m_slot{};
    std::array<QLabel*, 2> m_frequencyLabel{};
    std::array<QLineEdit*, 2> m_frequency{};
    std::array<QCheckBox*, 2> m_pinSwitch{};
    std::array<QLineEdit*, 2> m_pin{};
    std::array<QCheckBox*, 2> m_unicableTwo{};

private:
    void CreateTunerControls(int tuner, const DialogUnits& units);
    void ShowTuner(int tuner);
    void OnEnableClicked(int tuner);
    void OnPinSwitchClicked(int tuner);
    void OnUnicableTwoClicked(int tuner);
    void ShowSettingControls(int tuner, bool visible);
    // Writes one tuner's settings; false after moving the focus to the field that is refused.
    bool WriteTuner(int tuner);

    const TunerGraphSlots& m_graphs;
};

#include "dialogs/SCIFSettings.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "dialogs/DialogControls.h"
#include "dialogs/DialogInteger.h"

namespace {

constexpr std::uint8_t kIndexOff = 255;
constexpr std::uint32_t kValueOff = 0xFFFFFFFFu;
constexpr std::uint32_t kSlotMax = 8;
constexpr std::uint32_t kSlotMaxUnicableTwo = 32;
constexpr std::uint32_t kEn50494 = 0;
constexpr std::uint32_t kEn50607 = 1;
constexpr std::uint32_t kFrequencyMinMHz = 950;
constexpr std::uint32_t kFrequencyMaxMHz = 2150;
constexpr std::uint32_t kPinMax = 255;

// Control ids of one tuner's column.
struct TunerIds {
    int enable, slotLabel, slot, frequencyLabel, frequency, pinSwitch, pin, unicableTwo;
};
constexpr TunerIds kIds[2] = {
    {1000, 1012, 1003, 1014, 1004, 1010, 1006, 1017},
    {1001, 1016, 1005, 1015, 1007, 1011, 1008, 1018},
};
// The "Unicable II" row under the PIN row made the dialog, its group boxes and the rows below
// them this much taller.
constexpr int kUnicableTwoRow = 16;

QString SlotLabel(bool unicableTwo) {
    return unicableTwo ? QStringLiteral("UB Slot (1-32)") : QStringLiteral("UB Slot (1-8)");
}
constexpr int kColumnOffset = 142;  // tuner 2's column, right of tuner 1's

std::uint32_t ReadField(const QLineEdit* field) {
    return ReadDialogInteger(field->text().toStdU16String());
}

void Refuse(QLineEdit* field) {
    field->setFocus(Qt::OtherFocusReason);
}

// A check box drawn with its text on the left of the box.
QCheckBox* AddLeftTextCheckBox(QWidget* dialog, const DialogUnits& units, int id, DialogRect rect,
                               const QString& text) {
    auto* box = AddControl<QCheckBox>(dialog, units, id, rect, text);
    box->setLayoutDirection(Qt::RightToLeft);
    return box;
}

}  // namespace

CSCIFSettings::CSCIFSettings(const TunerGraphSlots& graphs, QWidget* parent)
    : QDialog(parent), m_graphs(graphs) {
    setObjectName(ControlName(kIddScifSettings));
    setWindowTitle(QStringLiteral("Unicable Settings"));
    setFont(ShellDialogFont());
    const DialogUnits units(font());
    setFixedSize(units.Size(312, 148 + kUnicableTwoRow));

    // Group boxes first, so the controls drawn over them stay on top.
    AddControl<QGroupBox>(this, units, kStaticId, {19, 19, 133, 102 + kUnicableTwoRow},
                          QStringLiteral("Tuner 1"));
    AddControl<QGroupBox>(this, units, kStaticId, {161, 19, 133, 102 + kUnicableTwoRow},
                          QStringLiteral("Tuner 2"));
    for (int tuner = 0; tuner < 2; ++tuner) {
        CreateTunerControls(tuner, units);
    }
    auto* ok =
        AddControl<QPushButton>(this, units, kIdOk, {205, 127 + kUnicableTwoRow, 50, 14}, tr("OK"));
    auto* cancel = AddControl<QPushButton>(this, units, kIdCancel,
                                           {255, 127 + kUnicableTwoRow, 50, 14}, tr("Cancel"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &CSCIFSettings::accept);
    connect(cancel, &QPushButton::clicked, this, &CSCIFSettings::reject);

    for (int tuner = 0; tuner < 2; ++tuner) {
        ShowTuner(tuner);
    }
}

void CSCIFSettings::CreateTunerControls(int tuner, const DialogUnits& units) {
    const TunerIds& ids = kIds[tuner];
    const int x = tuner * kColumnOffset;
    m_enable[tuner] = AddLeftTextCheckBox(this, units, ids.enable, {28 + x, 36, 115, 10},
                                          QStringLiteral("Enable Unicable Support"));
    m_slotLabel[tuner] = AddControl<QLabel>(this, units, ids.slotLabel, {28 + x, 57, 60, 12},
                                            QStringLiteral("UB Slot (1-8)"));
    m_slot[tuner] = AddControl<QLineEdit>(this, units, ids.slot, {103 + x, 57, 40, 12});
    m_frequencyLabel[tuner] =
        AddControl<QLabel>(this, units, ids.frequencyLabel, {28 + x, 79, 67, 12},
                           QStringLiteral("UB Frequency (MHZ)"));
    m_frequency[tuner] = AddControl<QLineEdit>(this, units, ids.frequency, {103 + x, 79, 40, 12});
    m_pinSwitch[tuner] = AddLeftTextCheckBox(this, units, ids.pinSwitch, {28 + x, 100, 64, 12},
                                             QStringLiteral("UB Pin"));
    m_pin[tuner] = AddControl<QLineEdit>(this, units, ids.pin, {103 + x, 100, 40, 12});
    m_unicableTwo[tuner] = AddLeftTextCheckBox(this, units, ids.unicableTwo, {28 + x, 116, 115, 10},
                                               QStringLiteral("Unicable II (EN 50607)"));

    connect(m_enable[tuner], &QCheckBox::clicked, this, [this, tuner] { OnEnableClicked(tuner); });
    connect(m_pinSwitch[tuner], &QCheckBox::clicked, this,
            [this, tuner] { OnPinSwitchClicked(tuner); });
    connect(m_unicableTwo[tuner], &QCheckBox::clicked, this,
            [this, tuner] { OnUnicableTwoClicked(tuner); });
}

void CSCIFSettings::ShowTuner(int tuner) {
    std::uint8_t index = kIndexOff;
    std::uint32_t frequency = kValueOff;
    std::uint32_t pin = kValueOff;
    std::uint32_t protocol = kEn50494;
    TunerGraph* graph = m_graphs[tuner].get();
    if (graph == nullptr) {
        m_enable[tuner]->setChecked(false);
        m_enable[tuner]->hide();
        ShowSettingControls(tuner, false);
        return;
    }
    // A read that fails or delivers nothing leaves the values above: Unicable off.
    graph->GetScif(&index, &frequency, &pin, &protocol);
    if (index == kIndexOff || frequency == kValueOff) {
        m_enable[tuner]->setChecked(false);
        ShowSettingControls(tuner, false);
        return;
    }
    m_enable[tuner]->setChecked(true);
    m_unicableTwo[tuner]->setChecked(protocol == kEn50607);
    m_slotLabel[tuner]->setText(SlotLabel(protocol == kEn50607));
    m_slot[tuner]->setText(QString::number(index + 1));
    m_frequency[tuner]->setText(QString::number(frequency));
    const bool hasPin = pin <= kPinMax;
    m_pinSwitch[tuner]->setChecked(hasPin);
    if (hasPin) {
        m_pin[tuner]->setText(QString::number(pin));
    }
    ShowSettingControls(tuner, true);
}

void CSCIFSettings::ShowSettingControls(int tuner, bool visible) {
    m_slotLabel[tuner]->setVisible(visible);
    m_slot[tuner]->setVisible(visible);
    m_frequencyLabel[tuner]->setVisible(visible);
    m_frequency[tuner]->setVisible(visible);
    m_pinSwitch[tuner]->setVisible(visible);
    m_pin[tuner]->setVisible(visible && m_pinSwitch[tuner]->isChecked());
    m_unicableTwo[tuner]->setVisible(visible);
}

void CSCIFSettings::OnEnableClicked(int tuner) {
    ShowSettingControls(tuner, m_enable[tuner]->isChecked());
}

void CSCIFSettings::OnPinSwitchClicked(int tuner) {
    m_pin[tuner]->setVisible(m_pinSwitch[tuner]->isChecked());
}

void CSCIFSettings::OnUnicableTwoClicked(int tuner) {
    m_slotLabel[tuner]->setText(SlotLabel(m_unicableTwo[tuner]->isChecked()));
}

void CSCIFSettings::accept() {
    for (int tuner = 0; tuner < 2; ++tuner) {
        if (m_graphs[tuner] && !WriteTuner(tuner)) {
            return;
        }
    }
    QDialog::accept();
}

bool CSCIFSettings::WriteTuner(int tuner) {
    TunerGraph& graph = *m_graphs[tuner];
    if (!m_enable[tuner]->isChecked()) {
        graph.ClearScif();
        return true;
    }
    const auto slot = static_cast<std::uint8_t>(ReadField(m_slot[tuner]));
    const std::uint32_t frequency = ReadField(m_frequency[tuner]);
    const bool unicableTwo = m_unicableTwo[tuner]->isChecked();
    if (slot > (unicableTwo ? kSlotMaxUnicableTwo : kSlotMax)) {
        Refuse(m_slot[tuner]);
        return false;
    }
    if (frequency < kFrequencyMinMHz || frequency > kFrequencyMaxMHz) {
        Refuse(m_frequency[tuner]);
        return false;
    }
    std::uint32_t pin = kValueOff;
    if (m_pinSwitch[tuner]->isChecked()) {
        pin = ReadField(m_pin[tuner]);
        if (pin > kPinMax) {
            Refuse(m_pin[tuner]);
            return false;
        }
    }
    // Slot 0 (or a field that does not read as a number) wraps to index 255: Unicable off.
    graph.SetScif(static_cast<std::uint8_t>(slot - 1), frequency, pin,
                  unicableTwo ? kEn50607 : kEn50494);
    return true;
}

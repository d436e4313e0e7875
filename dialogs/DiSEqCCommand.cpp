#include "dialogs/DiSEqCCommand.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "dialogs/DialogControls.h"
#include "dialogs/DiseqcCommandText.h"

namespace {

struct HelpLine {
    int y;
    int width;
    const char* text;
};

constexpr HelpLine kHelp[] = {
    {21, 229, "Command bytes must be entered has Hexadecimal digits"},
    {29, 229, "General Format: LL AA CC PP .."},
    {37, 229, "LL: Leadin. Must be E0"},
    {45, 206, "AA: Address, typically 10 or 11"},
    {53, 229, "CC: Command.  "},
    {61, 229, "PP: Command Parameters (repeated up to 5 times)"},
    {68, 229, "Sample: Select Sat A, low, vertical: E0 10 38 F0"},
    {77, 229, "Sample: Unicable switch UB1 off: E0 10 5A 00 00"},
    {86, 244, "Unicable commands (5A,5B,5C,5D) will be send according to EN 50494 \u00A75.1"},
};
constexpr int kHelpX = 20;
constexpr int kHelpHeight = 8;  // one line of the dialog font

}  // namespace

CDiSEqCCommand::CDiSEqCCommand(std::array<std::uint8_t, 8>& command, std::int32_t& length,
                               QWidget* parent)
    : QDialog(parent), m_command(command), m_length(length) {
    setObjectName(ControlName(kIddDiseqcCommand));
    setWindowTitle(QStringLiteral("DiSEqC Command"));
    setFont(ShellDialogFont());
    const DialogUnits units(font());
    setFixedSize(units.Size(280, 174));

    for (const HelpLine& line : kHelp) {
        AddControl<QLabel>(this, units, kStaticId, {kHelpX, line.y, line.width, kHelpHeight},
                           QString::fromUtf8(line.text));
    }
    m_bytes = AddControl<QLineEdit>(this, units, kIdcDiseqcBytes, {31, 109, 210, 14});
    auto* ok = AddControl<QPushButton>(this, units, kIdOk, {127, 136, 50, 14}, tr("OK"));
    auto* cancel =
        AddControl<QPushButton>(this, units, kIdCancel, {191, 136, 50, 14}, tr("Cancel"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &CDiSEqCCommand::accept);
    connect(cancel, &QPushButton::clicked, this, &CDiSEqCCommand::reject);

    m_bytes->setText(QString::fromStdU16String(FormatDiseqcCommand(m_command, m_length)));
    m_bytes->setMaxLength(kDiseqcTextLimit);
    // The field opens focused with its text selected, so typing replaces the stored message.
    m_bytes->selectAll();
    m_bytes->setFocus(Qt::OtherFocusReason);
}

void CDiSEqCCommand::accept() {
    if (m_bytes->isModified()) {
        const auto message = ParseDiseqcCommand(m_bytes->text().toStdU16String());
        if (!message) {
            // Put the user back in the field, leaving the text as typed and unselected.
            m_bytes->deselect();
            m_bytes->setFocus(Qt::OtherFocusReason);
            return;
        }
        m_command = message->bytes;
        m_length = message->length;
    }
    QDialog::accept();
}

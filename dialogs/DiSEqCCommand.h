// The DiSEqC command dialog: the user types one raw DiSEqC message as hexadecimal bytes. It edits
// the application's stored message (bytes and length), which it writes only when OK accepts the
// input; invalid input keeps the dialog open with the focus in the field, without a message.
// Works run modally (exec) or shown and driven by a test; result() tells how it ended.
#pragma once

#include <QDialog>
#include <array>
#include <cstdint>

class QLineEdit;

inline constexpr int kIddDiseqcCommand = 311;
inline constexpr int kIdcDiseqcBytes = 1017;

class CDiSEqCCommand : public QDialog {
    Q_OBJECT

public:
    CDiSEqCCommand(std::array<std::uint8_t, 8>& command, std::int32_t& length,
                   QWidget* parent = nullptr);

    // OK: stores the typed message and ends the dialog, or refuses the input.
    void accept() override;

private:
    std::array<std::uint8_t, 8>& m_command;
    std::int32_t& m_length;
    QLineEdit* m_bytes;
};

// Everything that stops the program to ask the user: file dialogs, modal dialogs and message
// boxes. The application reaches them only through this seam, so a test can answer them
// without blocking.
#pragma once

#include <QString>
#include <optional>

#include "spectrum/FileDialogSpec.h"

class QDialog;

class UserPrompts {
public:
    virtual ~UserPrompts() = default;

    // Shows a save or open dialog as `spec` describes; the chosen full path, or empty when the
    // user cancels.
    virtual std::optional<QString> AskFileName(const FileDialogSpec& spec) = 0;
    // Runs `dialog` modally; its result (QDialog::Accepted or QDialog::Rejected).
    virtual int RunModal(QDialog& dialog) = 0;
    // A message box with the application's name as caption and an OK button.
    virtual void ShowMessage(const QString& text) = 0;
};

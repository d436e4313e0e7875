// The prompts of a real run: Qt's file dialog, QDialog::exec and QMessageBox, each owned by the
// window that is active when it opens.
#pragma once

#include "app/UserPrompts.h"

class QtUserPrompts final : public UserPrompts {
public:
    std::optional<QString> AskFileName(const FileDialogSpec& spec) override;
    int RunModal(QDialog& dialog) override;
    void ShowMessage(const QString& text) override;
};

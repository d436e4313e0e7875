#include "app/QtUserPrompts.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>

#include "app/AppStrings.h"
#include "app/FileFilter.h"

namespace {

// Runs `dialog` modally and then gives the keyboard back to the window that was active before it.
// A window manager would do that as the dialog goes; without one (a plain X server) the keyboard
// stays with no window, and the main window's accelerators would wait for a click.
int ExecAndGiveBackKeyboard(QDialog& dialog) {
    const QPointer<QWidget> owner = QApplication::activeWindow();
    const int result = dialog.exec();
    if (owner && owner->isVisible()) owner->activateWindow();
    return result;
}

}  // namespace

std::optional<QString> QtUserPrompts::AskFileName(const FileDialogSpec& spec) {
    QFileDialog dialog(QApplication::activeWindow());
    dialog.setAcceptMode(spec.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(spec.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    SetFileFilter(dialog, spec.filter);
    dialog.setDefaultSuffix(spec.defaultExtension);
    if (!spec.initialName.isEmpty()) dialog.selectFile(spec.initialName);
    if (ExecAndGiveBackKeyboard(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().constFirst();
}

int QtUserPrompts::RunModal(QDialog& dialog) {
    return ExecAndGiveBackKeyboard(dialog);
}

void QtUserPrompts::ShowMessage(const QString& text) {
    QMessageBox box(QMessageBox::Warning, kAppName, text, QMessageBox::Ok,
                    QApplication::activeWindow());
    ExecAndGiveBackKeyboard(box);
}

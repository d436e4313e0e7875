#include "app/QtUserPrompts.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>

#include "app/AppStrings.h"
#include "app/FileFilter.h"

std::optional<QString> QtUserPrompts::AskFileName(const FileDialogSpec& spec) {
    QFileDialog dialog(QApplication::activeWindow());
    dialog.setAcceptMode(spec.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(spec.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    SetFileFilter(dialog, spec.filter);
    dialog.setDefaultSuffix(spec.defaultExtension);
    if (!spec.initialName.isEmpty()) dialog.selectFile(spec.initialName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

int QtUserPrompts::RunModal(QDialog& dialog) {
    return dialog.exec();
}

void QtUserPrompts::ShowMessage(const QString& text) {
    QMessageBox box(QMessageBox::Warning, kAppName, text, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

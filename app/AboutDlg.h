// CAboutDlg: the small modal box of "About Orvalen...": the program's icon, name and version,
// a copyright line and OK.
#pragma once

#include <QDialog>

class CAboutDlg final : public QDialog {
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

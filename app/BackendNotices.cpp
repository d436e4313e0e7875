#include "app/BackendNotices.h"

#include <QCoreApplication>
#include <QPointer>

#include "app/MainFrame.h"

std::function<void(const std::string&)> NoticesToMessagePane(CMainFrame& frame) {
    return [window = QPointer<CMainFrame>(&frame)](const std::string& text) {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [window, notice = QString::fromStdString(text)] {
                if (window) window->ShowNotice(notice);
            },
            Qt::QueuedConnection);
    };
}

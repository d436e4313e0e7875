#include "app/MessagePane.h"

#include <QAction>
#include <QApplication>
#include <QLoggingCategory>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>

// Off unless asked for (QT_LOGGING_RULES="orvalen.messagepane.info=true"): every notice is then
// also written to standard error, for a session that cannot read the screen.
Q_LOGGING_CATEGORY(lcMessagePane, "orvalen.messagepane", QtWarningMsg)

namespace {

const QString kIdleMessage = QStringLiteral("Ready");

bool MenuOpen() {
    return QApplication::activePopupWidget() != nullptr;
}

}  // namespace

MessagePane::MessagePane(QWidget* parent) : QLabel(kIdleMessage, parent) {}

void MessagePane::FollowMenus(const QMenuBar& bar) {
    for (const QAction* item : bar.actions()) {
        const QMenu* popup = item->menu();
        if (!popup) continue;
        connect(popup, &QMenu::aboutToShow, this, [this] { setText(QString()); });
        // Moving along the menu bar closes one popup before it opens the next; only once the
        // event loop runs again is it known whether any menu is still open.
        connect(popup, &QMenu::aboutToHide, this, [this] {
            QTimer::singleShot(0, this, [this] {
                if (!MenuOpen()) setText(kIdleMessage);
            });
        });
    }
}

void MessagePane::ShowPrompt(const QString& prompt) {
    setText(prompt.isEmpty() && !MenuOpen() ? kIdleMessage : prompt);
}

void MessagePane::ShowNotice(const QString& notice) {
    qCInfo(lcMessagePane).noquote() << notice;
    setText(notice);
}

#include "FirstPaintClock.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>

FirstPaintClock::FirstPaintClock(std::function<bool(const QObject&)> isView,
                                 std::function<void()> onFirstPaint)
    : m_isView(std::move(isView)), m_onFirstPaint(std::move(onFirstPaint)) {
    QCoreApplication::instance()->installEventFilter(this);
}

FirstPaintClock::~FirstPaintClock() {
    QCoreApplication::instance()->removeEventFilter(this);
}

bool FirstPaintClock::eventFilter(QObject* watched, QEvent* event) {
    if (!m_painted && event->type() == QEvent::Paint && m_isView(*watched)) {
        m_painted = true;
        // The window paints its widgets one after the other in this same pass, then shows the
        // result; a timer of no delay fires once all of that is done.
        QTimer::singleShot(0, this, m_onFirstPaint);
    }
    return false;
}

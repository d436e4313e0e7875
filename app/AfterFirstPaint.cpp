#include "app/AfterFirstPaint.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <utility>

namespace {

// Watches the widget's events as a child of the context, so that the context's end ends the
// watch and any call still waiting.
class FirstPaintWatcher final : public QObject {
public:
    FirstPaintWatcher(QWidget& widget, QObject& context, std::function<void()> then)
        : QObject(&context), m_then(std::move(then)) {
        widget.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            // The paint is still under way here; the work follows once it has reached the
            // screen and the event loop is back.
            QTimer::singleShot(0, this, [this] {
                m_then();
                deleteLater();
            });
        }
        return false;
    }

private:
    const std::function<void()> m_then;
};

}  // namespace

void AfterFirstPaint(QWidget& widget, QObject& context, std::function<void()> then) {
    new FirstPaintWatcher(widget, context, std::move(then));
}

// The moment a start-up ends for the measurements: the window is on the screen, painted, for the
// first time. An application-wide event filter sees the first paint event that reaches the widget
// showing the window's content (it can be installed before the window exists and cannot miss an
// early paint); the moment counts once that whole paint of the window, its menu bar and the rest
// included, has finished and gone to the screen.
#pragma once

#include <QObject>
#include <functional>

class FirstPaintClock final : public QObject {
public:
    // `isView` picks the widget whose first paint counts; `onFirstPaint` runs once, from the event
    // loop, after the window's paint that included it.
    FirstPaintClock(std::function<bool(const QObject&)> isView, std::function<void()> onFirstPaint);
    ~FirstPaintClock() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<bool(const QObject&)> m_isView;
    std::function<void()> m_onFirstPaint;
    bool m_painted = false;
};

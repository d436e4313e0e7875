// The main window's client area: a level and a quality meter for each tuner and, below them, the
// spectrum picture. It takes no input; every paint draws everything from the meters and the
// current picture, and covers what it paints, so it never needs its background erased.
//
// Layout in pixels: tuner 1's level bar on rows 100-144 and its quality bar on rows 155-199,
// tuner 2's on rows 250-294 and 305-349; each bar from x 100 to 1100 for full scale (100 dB,
// 100 percent) with its value written at x 20; the 640 x 290 picture at (100, 400).
#pragma once

#include <QWidget>

struct SignalMeters;
class SpectrumStore;

class CChildView : public QWidget {
    Q_OBJECT
public:
    CChildView(const SignalMeters& meters, const SpectrumStore& store, QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void OnPaint(QPainter& painter);

    const SignalMeters& m_meters;
    const SpectrumStore& m_store;
};

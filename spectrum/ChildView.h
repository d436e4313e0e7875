// The main window's client area: a level and a quality meter for each tuner and, below them, the
// spectrum picture. Every paint draws everything from the meters and the current picture, and
// covers what it paints, so it never needs its background erased.
//
// Its one input is choosing a point of the picture: a double click on it, or from the keyboard
// a marker line that Left and Right move across the picture (a column at a time, ten with Shift;
// the first press shows it in the middle, Escape hides it) and Return or Enter chooses. The
// marker is drawn over the picture's copy only while it shows; the picture itself is untouched.
//
// Layout in pixels: tuner 1's level bar on rows 100-144 and its quality bar on rows 155-199,
// tuner 2's on rows 250-294 and 305-349; each bar from x 100 to 1100 for full scale (100 dB,
// 100 percent) with its value written at x 20; the 640 x 290 picture at (100, 400).
#pragma once

#include <QWidget>
#include <functional>
#include <optional>

struct SignalMeters;
class SpectrumStore;

class CChildView : public QWidget {
    Q_OBJECT
public:
    CChildView(const SignalMeters& meters, const SpectrumStore& store, QWidget* parent = nullptr);

    QSize sizeHint() const override;

    // Called with the chosen point, in the picture's pixels.
    void OnPictureChosen(std::function<void(QPoint picturePoint)> chosen);
    // The marker's column in the picture, when it shows.
    std::optional<int> MarkerColumn() const { return m_markerColumn; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void OnPaint(QPainter& painter);
    void MoveMarker(int columns);
    void DrawMarker(QPainter& painter) const;

    const SignalMeters& m_meters;
    const SpectrumStore& m_store;
    std::function<void(QPoint)> m_chosen;
    std::optional<int> m_markerColumn;
};

#include "spectrum/ChildView.h"

#include <QFont>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <algorithm>
#include <cstdint>

#include "spectrum/ArialFamily.h"
#include "spectrum/OpaqueText.h"
#include "spectrum/SignalMeter.h"
#include "spectrum/SpectrumMapping.h"
#include "spectrum/SpectrumStore.h"

namespace {

constexpr int kBarLeft = 100;
constexpr int kBarRight = 1100;  // full scale
constexpr int kBarHeight = 45;
constexpr int kFirstBase = 145;  // lower edge of tuner 1's level bar
constexpr int kTunerSpacing = 150;
constexpr int kQualityOffset = 10;  // from the level bar's lower edge to the quality bar's top
constexpr int kValueX = 20;
constexpr int kValueInset = 5;  // from a bar's top to its value's top
constexpr QPoint kPictureOrigin(100, 400);
// Where a bar's edge lies beyond any window, clamped so huge values cannot overflow a rectangle.
constexpr int kFarEdge = 1 << 20;

constexpr int kMarkerLongStep = 10;  // columns, with Shift

const QColor kCurrentColour(50, 210, 50);
const QColor kPeakColour(210, 50, 50);
const QColor kRestColour(50, 50, 50);

// Bar edges in the meters' own unsigned arithmetic: only an absurd quality (above 429496719)
// wraps around.
int LevelEdge(std::uint32_t level) {
    return static_cast<int>(kBarLeft + level / 100u);
}
int QualityEdge(std::uint32_t quality) {
    return static_cast<int>(static_cast<std::uint32_t>(kBarLeft) + quality * 10u);
}

// Fills columns [left, right) of rows [top, bottom); nothing unless right lies beyond left.
void FillSpan(QPainter& painter, int left, int right, int top, int bottom, QColor colour) {
    left = std::clamp(left, -1, kFarEdge);
    right = std::clamp(right, -1, kFarEdge);
    if (right <= left) return;
    painter.fillRect(QRect(left, top, right - left, bottom - top), colour);
}

// The rows of tuner t's two bars, at full scale.
QRect LevelBar(int t) {
    return QRect(kBarLeft, kFirstBase + kTunerSpacing * t - kBarHeight, kBarRight - kBarLeft,
                 kBarHeight);
}
QRect QualityBar(int t) {
    return QRect(kBarLeft, kFirstBase + kTunerSpacing * t + kQualityOffset, kBarRight - kBarLeft,
                 kBarHeight);
}

// Current value, held peak and the rest of the scale, each starting where the previous ended.
void DrawBar(QPainter& painter, const QRect& bar, int valueEdge, int peakEdge) {
    const int top = bar.top();
    const int bottom = top + bar.height();
    FillSpan(painter, kBarLeft, valueEdge, top, bottom, kCurrentColour);
    FillSpan(painter, valueEdge, peakEdge, top, bottom, kPeakColour);
    FillSpan(painter, peakEdge, kBarRight, top, bottom, kRestColour);
}

// Four characters, right-aligned, black on white, beside the bar.
void DrawValue(QPainter& painter, const QRect& bar, std::uint32_t value) {
    DrawOpaqueText(painter, QPoint(kValueX, bar.top() + kValueInset),
                   QString::asprintf("%4d", static_cast<std::int32_t>(value)), Qt::black,
                   Qt::white);
}

QFont ValueFont() {
    QFont font(ArialFamily());
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(24);
    return font;
}

// The picture's pixels as they are, alpha or not.
void CopyPicture(QPainter& painter, const QImage& picture) {
    if (picture.hasAlphaChannel())
        painter.drawImage(kPictureOrigin, picture.convertToFormat(QImage::Format_RGB32));
    else
        painter.drawImage(kPictureOrigin, picture);
}

}  // namespace

CChildView::CChildView(const SignalMeters& meters, const SpectrumStore& store, QWidget* parent)
    : QWidget(parent), m_meters(meters), m_store(store) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
    setFocusPolicy(Qt::StrongFocus);
}

void CChildView::OnPictureChosen(std::function<void(QPoint picturePoint)> chosen) {
    m_chosen = std::move(chosen);
}

void CChildView::mouseDoubleClickEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint() - kPictureOrigin;
    const QImage* picture = m_store.Picture();
    if (!picture || !picture->rect().contains(point) || !m_chosen) {
        QWidget::mouseDoubleClickEvent(event);
        return;
    }
    m_chosen(point);
}

void CChildView::keyPressEvent(QKeyEvent* event) {
    const int step = event->modifiers() & Qt::ShiftModifier ? kMarkerLongStep : 1;
    switch (event->key()) {
        case Qt::Key_Left:
            MoveMarker(-step);
            break;
        case Qt::Key_Right:
            MoveMarker(step);
            break;
        case Qt::Key_Escape:
            m_markerColumn.reset();
            update();
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (m_markerColumn && m_chosen) m_chosen(QPoint(*m_markerColumn, kPictureHeight / 2));
            break;
        default:
            QWidget::keyPressEvent(event);
            return;
    }
}

// The marker lives on the plot's columns; the first move shows it in the middle.
void CChildView::MoveMarker(int columns) {
    if (!m_store.Picture()) return;
    const int first = SpectrumToPixel(kPlotFirstMHz, 0).x();
    const int last = SpectrumToPixel(kPlotLastMHz, 0).x();
    m_markerColumn =
        m_markerColumn ? std::clamp(*m_markerColumn + columns, first, last) : (first + last) / 2;
    update();
}

void CChildView::DrawMarker(QPainter& painter) const {
    if (!m_markerColumn || !m_store.Picture()) return;
    const int x = kPictureOrigin.x() + *m_markerColumn;
    const int top = kPictureOrigin.y();
    const int bottom = top + m_store.Picture()->height() - 1;
    painter.setPen(QPen(Qt::white, 1, Qt::DashLine));
    painter.drawLine(x, top, x, bottom);
}

QSize CChildView::sizeHint() const {
    return QSize(kBarRight + 20, 710);
}

void CChildView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    // The window's background goes only where neither a bar nor the picture will cover it.
    QRegion background = event->region();
    for (int t = 0; t < 2; ++t) {
        background -= LevelBar(t);
        background -= QualityBar(t);
    }
    if (const QImage* picture = m_store.Picture())
        background -= QRect(kPictureOrigin, picture->size());
    for (const QRect& rect : background) painter.fillRect(rect, palette().color(QPalette::Base));
    OnPaint(painter);
}

void CChildView::OnPaint(QPainter& painter) {
    painter.setFont(ValueFont());
    for (int t = 0; t < 2; ++t) {
        DrawBar(painter, LevelBar(t), LevelEdge(m_meters.m_level[t]),
                LevelEdge(m_meters.m_peakLevel[t]));
        DrawValue(painter, LevelBar(t), m_meters.m_level[t] / 1000u);
        DrawBar(painter, QualityBar(t), QualityEdge(m_meters.m_quality[t]),
                QualityEdge(m_meters.m_peakQuality[t]));
        DrawValue(painter, QualityBar(t), m_meters.m_quality[t]);
    }
    if (const QImage* picture = m_store.Picture()) CopyPicture(painter, *picture);
    DrawMarker(painter);
}

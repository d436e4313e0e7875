#include "spectrum/SpectrumStore.h"

#include <QPainter>
#include <algorithm>

#include "spectrum/PictureLine.h"
#include "spectrum/SpectrumGrid.h"
#include "spectrum/SpectrumMapping.h"
#include "spectrum/TraceColours.h"

SpectrumStore::SpectrumStore(const TunerGraphSlots& graphs, std::function<void()> invalidateView)
    : m_graphs(graphs), m_invalidateView(std::move(invalidateView)) {}

void SpectrumStore::StartSpectrumTrace(int tunerIndex, const LnbSetting& lnb) {
    if (tunerIndex < 0 || tunerIndex >= static_cast<int>(m_graphs.size())) return;
    TunerGraph* graph = m_graphs[tunerIndex].get();
    if (!graph || m_busy) return;
    if (!m_picture) DrawSpectrumFrame();
    SpectrumTrace& trace = m_traces[m_currentSlot];
    if (!trace.points) trace.points = std::make_unique<SpectrumPoint[]>(kTracePointCapacity);
    m_busy = true;
    trace.count = 0;
    trace.tuner = tunerIndex + 1;
    trace.lnb = lnb;
    m_picturedSweeps = std::min(m_picturedSweeps + 1, kSpectrumSlotCount);
    // A refused sweep will never send its end, so it ends here, as a sweep without points:
    // otherwise every spectrum command would stay blocked for the rest of the run.
    if (graph->RequestSpectrumSweep() != 0) EndSweep();
}

void SpectrumStore::OnSpectrumPoint(std::unique_ptr<SpectrumPoint> point) {
    if (!point) {
        EndSweep();
        return;
    }
    // Points are taken whether or not a sweep was asked for; a point that finds the slot full,
    // or a slot never started, is dropped.
    SpectrumTrace& trace = m_traces[m_currentSlot];
    if (trace.points && trace.count < kTracePointCapacity) {
        trace.points[trace.count] = *point;
        if (trace.count > 0) {
            const SpectrumPoint& previous = trace.points[trace.count - 1];
            DrawSpectrumSegment(previous.frequency, previous.level, point->frequency, point->level);
        }
        ++trace.count;
    }
    InvalidateView();
}

void SpectrumStore::EndSweep() {
    m_colourIndex = m_colourIndex + 1 >= static_cast<std::int32_t>(kTraceColours.size())
                        ? 0
                        : m_colourIndex + 1;
    m_rowCount = std::max(m_rowCount, m_traces[m_currentSlot].count);
    m_currentSlot = (m_currentSlot + 1) % kSpectrumSlotCount;
    m_busy = false;
}

void SpectrumStore::ClearSpectrum() {
    if (m_busy) return;
    for (SpectrumTrace& trace : m_traces) trace = SpectrumTrace{};
    m_rowCount = 0;
    m_currentSlot = 0;
    m_colourIndex = 0;
    m_picturedSweeps = 0;
    DrawSpectrumFrame();
    InvalidateView();
}

void SpectrumStore::DrawSpectrumFrame() {
    if (!m_picture) {
        m_colourIndex = kTraceColourGreen;
        m_picture = std::make_unique<QImage>(kPictureWidth, kPictureHeight, QImage::Format_RGB888);
    }
    m_pictureLoaded = false;
    DrawSpectrumGrid(*m_picture);
}

void SpectrumStore::DrawSpectrumSegment(std::int32_t frequency1, std::int32_t level1,
                                        std::int32_t frequency2, std::int32_t level2) {
    if (!m_picture) return;
    // A negative level is drawn at 0, below the picture; nothing else clips a segment, so levels
    // just outside the plot still show in the margins.
    QPainter painter(m_picture.get());
    painter.setPen(PicturePen(kTraceColours[m_colourIndex]));
    DrawPictureLine(painter, SpectrumToPixel(frequency1, std::max(level1, 0)),
                    SpectrumToPixel(frequency2, std::max(level2, 0)));
}

void SpectrumStore::ReplacePicture(std::unique_ptr<QImage> loaded) {
    m_picture = std::move(loaded);
    m_picturedSweeps = 0;
    m_pictureLoaded = m_picture != nullptr;
    if (m_picture)
        m_colourIndex = kTraceColourYellow;
    else
        DrawSpectrumFrame();
    InvalidateView();
}

void SpectrumStore::InvalidateView() const {
    if (m_invalidateView) m_invalidateView();
}

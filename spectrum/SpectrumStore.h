// The spectrum sweeps of a run and the picture they are drawn into. The store keeps the last 128
// sweeps of either tuner in slots filled in turn, and draws each sweep into one persistent
// 640 x 290 picture segment by segment as its points arrive, so the view only ever copies the
// picture. Used on the user-interface thread only: sweep points reach it as posted messages.
#pragma once

#include <QImage>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include "spectrum/SpectrumTrace.h"
#include "tuner/TunerGraph.h"
#include "tuner/WorkerMessages.h"

inline constexpr std::int32_t kSpectrumSlotCount = 128;

class SpectrumStore {
public:
    // `graphs` are the application's tuner graph slots, read when a sweep is asked for;
    // `invalidateView` asks the client view to repaint (without erasing) and may be empty.
    SpectrumStore(const TunerGraphSlots& graphs, std::function<void()> invalidateView);
    SpectrumStore(const SpectrumStore&) = delete;
    SpectrumStore& operator=(const SpectrumStore&) = delete;

    // Starts a sweep of tuner 1 (index 0) or 2 (index 1) into the current slot, made through
    // `lnb`. Nothing happens while a sweep runs or when the tuner has no graph.
    void StartSpectrumTrace(int tunerIndex, const LnbSetting& lnb = {});
    // One point of the running sweep, or the end of the sweep when empty.
    void OnSpectrumPoint(std::unique_ptr<SpectrumPoint> point);
    // Forgets every sweep and blanks the picture, unless a sweep runs.
    void ClearSpectrum();
    // Creates the picture if there is none, then blanks it and draws the grid.
    void DrawSpectrumFrame();
    // Draws the line from the previous point to the new one in the current trace colour.
    void DrawSpectrumSegment(std::int32_t frequency1, std::int32_t level1, std::int32_t frequency2,
                             std::int32_t level2);
    // Drops the current picture and takes `loaded` in its place, so that the next sweep is drawn
    // over it in yellow; without one, starts a fresh grid. The sweeps are kept.
    void ReplacePicture(std::unique_ptr<QImage> loaded);

    const std::array<SpectrumTrace, kSpectrumSlotCount>& Traces() const { return m_traces; }
    std::int32_t RowCount() const { return m_rowCount; }
    std::int32_t CurrentSlot() const { return m_currentSlot; }
    bool Busy() const { return m_busy; }
    std::int32_t ColourIndex() const { return m_colourIndex; }
    // How many of the latest sweeps (the running one included) are drawn on the picture: none
    // after a picture is loaded from a file, at most every slot.
    std::int32_t PicturedSweeps() const { return m_picturedSweeps; }
    // Whether the picture was loaded from a file (sweeps may have been drawn over it since).
    bool PictureLoaded() const { return m_pictureLoaded; }
    // The picture, or nullptr before the first sweep, Clear or load.
    const QImage* Picture() const { return m_picture.get(); }

private:
    void EndSweep();
    void InvalidateView() const;

    const TunerGraphSlots& m_graphs;
    std::function<void()> m_invalidateView;

    std::array<SpectrumTrace, kSpectrumSlotCount> m_traces;
    // The largest count of a sweep finished since start or the last Clear: the CSV file's rows.
    std::int32_t m_rowCount = 0;
    // The slot the running sweep fills, or the next sweep will fill.
    std::int32_t m_currentSlot = 0;
    // From the request of a sweep until its end.
    bool m_busy = false;
    std::unique_ptr<QImage> m_picture;
    // Index into kTraceColours: the colour of every segment drawn now.
    std::int32_t m_colourIndex = 0;
    std::int32_t m_picturedSweeps = 0;
    bool m_pictureLoaded = false;
};

#include "spectrum/SpectrumCsv.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "spectrum/SpectrumStore.h"

namespace {

constexpr char kLineEnd[] = "\r\n";

bool HasPoint(const SpectrumTrace& trace, std::int32_t index) {
    return index < trace.count;
}

// Every sweep shares the same frequency grid, so a line's frequency comes from the first column
// that holds point `index`: slot 0 when it does, a later slot when slot 0's sweep was shorter or
// was overwritten by one. A line no column reaches has no frequency.
std::optional<std::int32_t> LineFrequency(const std::vector<const SpectrumTrace*>& columns,
                                          std::int32_t index) {
    for (const SpectrumTrace* trace : columns)
        if (HasPoint(*trace, index)) return trace->points[index].frequency;
    return std::nullopt;
}

}  // namespace

QByteArray FormatSpectrumLevel(std::int32_t level) {
    const std::int32_t tenths = std::max(level / 100, 0);
    return QByteArray::number(tenths / 10) + ',' + QByteArray::number(tenths % 10);
}

QByteArray BuildSpectrumCsv(const SpectrumStore& store) {
    std::vector<const SpectrumTrace*> columns;
    QByteArray csv = "Freq. Mhz";
    for (const SpectrumTrace& trace : store.Traces()) {
        if (!trace.points || trace.count <= 0) continue;
        columns.push_back(&trace);
        csv += ";Tuner " + QByteArray::number(trace.tuner);
    }
    csv += kLineEnd;

    for (std::int32_t i = 0; i < store.RowCount(); ++i) {
        const std::optional<std::int32_t> frequency = LineFrequency(columns, i);
        if (frequency) csv += QByteArray::number(*frequency);
        for (const SpectrumTrace* trace : columns) {
            csv += ';';
            if (frequency && HasPoint(*trace, i) && trace->points[i].frequency == *frequency)
                csv += FormatSpectrumLevel(trace->points[i].level);
        }
        csv += kLineEnd;
    }
    return csv;
}

#include "display/graph/graph_settings.h"

QRgb DefaultTraceColour(int row, int trace) {
    // Live row: strong colours; stored rows: the same hues, darker per row.
    static constexpr std::array<QRgb, kTraceCount> live{
        qRgb(200, 0, 0), qRgb(0, 0, 220), qRgb(0, 140, 0), qRgb(200, 0, 200), qRgb(230, 130, 0)};
    const QRgb c = live[static_cast<size_t>(trace)];
    if (row == 0)
        return c;
    const int shade = 40 + 25 * (row - 9);
    return qRgb(qBound(0, qRed(c) / 2 + shade, 255), qBound(0, qGreen(c) / 2 + shade, 255),
                qBound(0, qBlue(c) / 2 + shade, 255));
}

GraphSettings::GraphSettings() {
    for (size_t r = 0; r < rows.size(); ++r)
        for (int t = 0; t < kTraceCount; ++t)
            rows[r].colour[static_cast<size_t>(t)] = DefaultTraceColour(static_cast<int>(r), t);
}

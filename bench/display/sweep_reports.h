#pragma once
// The link reports of one default sweep (rows 0..203, then the end of
// scan), as the server sends them: the data path benchmarks feed them to the
// session's receive routine.
#include "display/app/master_session.h"
#include "link/messages.h"

#include <QByteArray>
#include <QDir>

#include <cstdint>
#include <vector>

inline std::vector<QByteArray> SweepReports() {
    std::vector<QByteArray> pieces;
    const int32_t start = 500000, step = 6000000;
    for (int row = 0; row < 204; ++row) {
        const int entry = row / 2;
        const int32_t f = start + (entry - 1) * step;
        const int32_t reading = (row % 2 ? -1 : 1) * (100000 + 37 * row);
        pieces.push_back(QByteArray::fromStdString(msg::DataReady(
            0, static_cast<int16_t>(row), f, row % 2 ? 8 : 0, reading,
            static_cast<int16_t>(row), 0, 24, 20, 0, 0, 0, 0, 0)));
    }
    pieces.push_back(QByteArray::fromStdString(msg::EndScan()));
    return pieces;
}

/// Points the session at the temporary folder and loads the shipped
/// calibration; the error text, or empty.
inline QString PrepareBenchSession(MasterSession& m) {
    StartOptions o;
    o.workDir = QDir::tempPath();
    m.setOptions(o);
    return m.LoadCalibration(VNA_SOURCE_DIR "/data/Master.cd");
}

#include "display/sfile/touchstone_writer.h"

#include "display/calib/text_file.h"

#include <algorithm>

void TouchstoneWriter::WriteTouchstoneHeader(const std::string& fileName,
                                             const std::string& info) {
    fileName_ = fileName;
    text_ = touchstone::TouchstoneHeader(info);
}

void TouchstoneWriter::WriteTouchstoneLine(double frequency,
                                           const std::array<double, 8>& magAngle) {
    text_ += TouchstoneLine(frequency, magAngle);
    text_ += "\r\n";
}

bool TouchstoneWriter::Close(std::string& error) {
    return WriteFileAtomically(fileName_, text_, error);
}

bool SaveLiveTouchstone(const std::string& fileName, const std::string& info,
                        const MeasureState& s, std::string& error) {
    const int t = std::clamp<int>(s.Livestable, 0, kSdataTables - 1);
    TouchstoneWriter w;
    w.WriteTouchstoneHeader(fileName, info);
    // Walk the live list from the lower end record; a damaged link cannot
    // loop for ever or leave the table.
    int p = s.QrgPoints[1].next;
    for (int guard = 0; p > 1 && p < kQrgPointCount && guard < kQrgPointCount; ++guard) {
        const SdataPoint& sp = s.Sdata[t][p];
        std::array<double, 8> v{};
        for (int k = 0; k < 4; ++k) {
            v[2 * k] = sp.S[k].MA.real();
            v[2 * k + 1] = sp.S[k].MA.imag() * 180.0 / kPi;
        }
        w.WriteTouchstoneLine(s.QrgPoints[p].Qrg, v);
        p = s.QrgPoints[p].next;
    }
    return w.Close(error);
}

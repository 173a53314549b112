#include "display/calib/calib_dump.h"

#include "display/calib/text_file.h"
#include "display/measure/formatting.h"
#include "link/text_rules.h"

#include <cmath>

namespace {

constexpr const char* kEol = "\r\n";
constexpr int kCalColumn = 44;  // the first calibration column
constexpr int kCalWidth = 14;   // each calibration column

std::string Hundredths(double v) {
    if (!std::isfinite(v))
        return txt::DecimalText(v);
    return txt::DecimalText(std::nearbyint(v * 100.0) / 100.0);
}

void ControlSection(std::string& out, const MeasureState& s) {
    const std::pair<const char*, NameValueValue> vars[] = {
        {"Messtype", s.Messtype},
        {"VNAPort", s.VNAPort},
        {"VNAClock", s.VNAClock},
        {"VNARunning", s.VNARunning},
        {"DDEServer", s.DDEServer},
        {"Laststate", s.Laststate},
        {"CalibrationOn", s.CalibrationOn},
        {"ScanCalibrationON", s.ScanCalibrationON},
        {"CalibrationNxtIn", s.CalibrationNxtIn},
        {"CalibrationPlug", s.CalibrationPlug},
        {"CalibrationNewScanFlag", s.CalibrationNewScanFlag},
        {"LastSpeed", s.LastSpeed},
        {"CalibrationNewSpeed", s.CalibrationNewSpeed},
        {"Calibrationpoints", s.Calibrationpoints},
        {"CalprogressMark", s.CalprogressMark},
        {"CalMastData", s.CalMastData},
        {"OffsetValue", s.OffsetValue},
        {"CalOffsetValue", s.CalOffsetValue},
        {"Onescan", s.Onescan},
        {"OneMoreScan", s.OneMoreScan},
        {"scancalOK", s.scancalOK},
        {"ScanCalState", s.ScanCalState},
        {"Smessure", s.Smessure},
        {"SAutmatic", s.SAutmatic},
        {"SpeedSelected", s.SpeedSelected},
        {"FilterTime", s.FilterTime},
        {"ScaleInitDone", s.ScaleInitDone},
        {"VnaScanSize", s.VnaScanSize},
        {"VnaReportSpeed", s.VnaReportSpeed},
        {"VnaReportTime", s.VnaReportTime},
        {"Livestable", s.Livestable},
        {"LineTykkelse", s.LineTykkelse},
        {"Helppage", s.Helppage},
        {"DotsPerQrg", s.DotsPerQrg},
    };
    for (const auto& [name, value] : vars)
        out += NameValue(name, value) + kEol;
}

void PointSection(std::string& out, const MeasureState& s) {
    static const char* const kCal[] = {"Thru-R", "Thru-i", "OpeD-R", "OpeD-i",
                                       "OpeB-R", "OpeB-i", "ShoB-R", "ShoB-I",
                                       "LoadB-R", "LoadB-i", "Mess-R", "Mess-i"};
    ColumnLine head;
    head.At(1, "idx").At(5, "FWD").At(10, "BWD").At(15, "Life").At(20, "QRG").At(32, "Stab");
    for (int c = 0; c < 12; ++c)
        head.At(kCalColumn + c * kCalWidth, kCal[c]);
    out += head.str() + kEol;

    int i = 1;  // the lower end record
    for (int walked = 0; walked <= kQrgPointCount; ++walked) {
        const QrgPoint& p = s.QrgPoints[i];
        const Cplx values[6] = {p.Thru, p.OpeD, p.OpeB, p.ShoB, p.LoadB, p.Mess};
        ColumnLine line;
        line.At(1, txt::N(i))
            .At(5, txt::N(p.next))
            .At(10, txt::N(p.prev))
            .At(15, txt::N(p.mark))
            .At(20, txt::N(p.Qrg))
            .At(32, txt::N(s.Sdata[0][static_cast<size_t>(i)].Qrg));
        for (int c = 0; c < 6; ++c) {
            line.At(kCalColumn + 2 * c * kCalWidth, Hundredths(values[c].real()));
            line.At(kCalColumn + (2 * c + 1) * kCalWidth, Hundredths(values[c].imag()));
        }
        out += line.str() + kEol;
        if (i == 0 || p.next < 0 || p.next >= kQrgPointCount)
            break;
        i = p.next;
    }
}

void RecordSection(std::string& out, const MeasureState& s, const CalibProcedure& procedure) {
    out += kEol;
    out += std::string(" ***** Data from VNA ******") + kEol;
    ColumnLine head;
    head.At(1, "idx").At(8, "Qrg").At(32, "Phase").At(40, "Data").At(50, "Speed ")
        .At(58, "Vnatag ").At(66, "Time");
    out += head.str() + kEol;
    for (int k = 0; k < kVnaDataCount; ++k) {
        const VnaDataRec& r = s.VnaData[static_cast<size_t>(k)];
        ColumnLine line;
        line.At(1, txt::N(r.idx))
            .At(8, txt::N(r.Qrg))
            .At(32, txt::N(r.Phase))
            .At(40, txt::N(r.Data))
            .At(50, txt::N(r.Speed))
            .At(58, txt::N(r.Vnatag))
            .At(66, txt::N(r.Time));
        out += line.str() + kEol;
        if (s.CalibrationOn) {
            out += procedure.Trace(1, k) + kEol;
            out += procedure.Trace(2, k) + kEol;
        }
    }
}

} // namespace

std::string DumpText(const DumpHeader& h, const MeasureState& s,
                     const CalibProcedure& procedure) {
    std::string out;
    out.reserve(256 * 1024);
    out += "Revision " + h.revision + " Hostname " + h.hostname + kEol;
    out += "Date: " + h.date + "  Time: " + h.time + kEol;
    out += std::string("***** Major Control *******") + kEol;
    ControlSection(out, s);
    out += std::string("*** Sdata ****") + kEol;
    out += h.sdataHeaders;
    PointSection(out, s);
    RecordSection(out, s, procedure);
    out += procedure.ListCalibrationPlan();
    return out;
}

bool WriteDump(const std::string& fileName, const std::string& text, std::string& error) {
    return WriteFileAtomically(fileName, text, error);
}

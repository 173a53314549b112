#include "display/calib/calib_dump.h"

#include "display/measure/point_list.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

struct NoLink : CalibLink {
    void vnaSetUpEntry(int16_t, int16_t, int32_t, int16_t, int16_t, int16_t, int16_t, int16_t,
                       int16_t, int16_t, int16_t, int16_t) override {}
    void vnaMarkEnd(int16_t, int16_t) override {}
    void VnaEditEntry(int16_t, int16_t, std::string_view, int32_t) override {}
    void vnaNewScan(int16_t) override {}
    void VnaStopscan() override {}
    void VnaMount(std::string_view) override {}
};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t end = text.find("\r\n", pos);
        if (end == std::string::npos) {
            ADD_FAILURE() << "a line without CR LF at " << pos;
            break;
        }
        out.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    return out;
}

size_t Find(const std::vector<std::string>& lines, const std::string& line) {
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i] == line)
            return i;
    return std::string::npos;
}

class Dump : public ::testing::Test {
protected:
    std::unique_ptr<MeasureState> s = std::make_unique<MeasureState>();
    std::unique_ptr<CalibTable> cal = std::make_unique<CalibTable>();
    NoLink link;
    CalibProcedure p{*s, *cal, link};
    DumpHeader h{"0.1.0", "bench", "08.12.2026", "15:50:01", "SDATA\r\n"};
};

TEST_F(Dump, StartUpStateWithNoData) {
    s->ScaleInitDone = true;  // as after start-up
    const std::vector<std::string> l = Lines(DumpText(h, *s, p));
    ASSERT_EQ(l.size(), 250u);  // the empty plan lists its End step only
    EXPECT_EQ(l[0], "Revision 0.1.0 Hostname bench");
    EXPECT_EQ(l[1], "Date: 08.12.2026  Time: 15:50:01");
    EXPECT_EQ(l[2], "***** Major Control *******");
    EXPECT_EQ(l[3], "Messtype=0");
    EXPECT_EQ(l[36], "DotsPerQrg=0");
    for (const char* want : {"VnaScanSize=100", "FilterTime=20", "Smessure=1",
                             "ScaleInitDone=True", "CalibrationOn=False", "VNAPort=&H278"})
        EXPECT_NE(Find(l, want), std::string::npos) << want;
    EXPECT_EQ(l[37], "*** Sdata ****");
    EXPECT_EQ(l[38], "SDATA");
    // An empty point list: the lower end record, then the upper end record.
    EXPECT_EQ(l[39].substr(0, 4), "idx ");
    EXPECT_EQ(l[39].substr(43, 6), "Thru-R");
    EXPECT_EQ(l[39].substr(43 + 14 * 11, 6), "Mess-i");
    EXPECT_EQ(l[40].substr(0, 9), " 1   0   ");
    EXPECT_EQ(l[41].substr(0, 2), " 0");
    EXPECT_EQ(l[42], "");
    EXPECT_EQ(l[43], " ***** Data from VNA ******");
    EXPECT_EQ(l[44], "idx    Qrg                     Phase   Data      Speed   Vnatag  Time");
    const std::string zeros =
        " 0      0                       0       0         0       0       0";
    for (int k = 0; k < 201; ++k)
        ASSERT_EQ(l[45 + k], zeros) << k;
    EXPECT_EQ(l[246], " ");
    EXPECT_EQ(l[247], "Last Used Calibration Plan");
}

TEST_F(Dump, PointsRecordsAndTheCalibrationTrace) {
    const int16_t a = InsertLive(*s, 20000000);
    const int16_t b = InsertLive(*s, 10000000);
    s->QrgPoints[a].Thru = Cplx(1234567.891, -2.5);
    s->QrgPoints[a].Mess = Cplx(-7, 8);
    s->Sdata[0][a].Qrg = 20000000;
    VnaDataRec r;
    r.table = 1;
    r.idx = 3;
    r.Qrg = 10000000;
    r.Phase = 8;
    r.Data = -4711;
    r.Speed = 2;
    r.Vnatag = 7;
    r.Time = 20;
    s->LogRecord(r);
    s->CalibrationOn = true;
    const std::vector<std::string> l = Lines(DumpText(h, *s, p));
    const size_t head = Find(l, l[39]);
    ASSERT_EQ(l[39].substr(0, 3), "idx");
    // Lower end, b (10 MHz), a (20 MHz), upper end.
    EXPECT_EQ(l[41].substr(0, 3), " " + std::to_string(b) + " ");
    EXPECT_EQ(l[42].substr(0, 3), " " + std::to_string(a) + " ");
    EXPECT_EQ(l[42].substr(19, 9), " 20000000");
    EXPECT_EQ(l[42].substr(31, 9), " 20000000");
    EXPECT_EQ(l[42].substr(43, 14), "1234567.89    ");
    EXPECT_EQ(l[42].substr(57, 4), "-2.5");
    EXPECT_EQ(l[42].substr(43 + 14 * 10, 2), "-7");
    EXPECT_EQ(l[42].substr(43 + 14 * 11), "8");
    EXPECT_EQ(l[43].substr(0, 2), " 0");
    EXPECT_EQ(head, 39u);
    const size_t data = Find(l, " ***** Data from VNA ******");
    ASSERT_NE(data, std::string::npos);
    EXPECT_EQ(l[data + 2], " 3      10000000                8      -4711      2       7       20");
    // While a calibration runs every record line is followed by its trace.
    EXPECT_EQ(l.size(), data + 2 + 3 * 201 + 4);
}

TEST_F(Dump, WrittenWholeOverTheOldOne) {
    QTemporaryDir dir;
    const std::string path = QDir(dir.path()).filePath(kDumpFileName).toStdString();
    std::string err;
    ASSERT_TRUE(WriteDump(path, "first dump, longer than the second\r\n", err)) << err;
    ASSERT_TRUE(WriteDump(path, "second\r\n", err)) << err;
    QFile f(QString::fromStdString(path));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("second\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);
    // A place that cannot be written is told, naming the file.
    EXPECT_FALSE(WriteDump(dir.filePath("no/such/folder/").toStdString() + kDumpFileName,
                           "x", err));
    EXPECT_NE(err.find(kDumpFileName), std::string::npos) << err;
}

} // namespace

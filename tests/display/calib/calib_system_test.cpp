// Calibrating the simulated analyser end to end: the real tavrel13 and
// brindlev1 in virtual time calibrate with the switch at two speeds, and
// measurements made with that calibration in a new run match the simulated
// devices' exact S-parameters.
#include "display/sfile/touchstone_reader.h"
#include "sim/devices.h"
#include "tests/display/calib/sim_compare.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

struct Bench {
    QTemporaryDir dir;
    QString errors;
    int exitCode = -1;

    Bench() {
        QFile::copy(VNA_SOURCE_DIR "/data/tavrel.Cfg", dir.filePath("tavrel.Cfg"));
        // Not the shipped control file: 60 frequencies of our own after the
        // reference entry, with their own settling time.
        QFile cc(dir.filePath("Bench.CC"));
        EXPECT_TRUE(cc.open(QIODevice::WriteOnly));
        cc.write("TBench calibration, 60 points\r\nW=10\r\n+400000\r\n");
        for (int n = 0; n < 60; ++n)
            cc.write("+" + QByteArray::number(LogCalQrg(n, 60)) + "\r\n");
    }
    QProcessEnvironment Env() const {
        QDir(dir.path()).mkdir("runtime");
        QFile::setPermissions(dir.filePath("runtime"), QFileDevice::ReadOwner |
                                                            QFileDevice::WriteOwner |
                                                            QFileDevice::ExeOwner);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", dir.filePath("runtime"));
        return env;
    }
    void Run(const QStringList& args) {
        QProcess p;
        p.setProcessEnvironment(Env());
        p.setWorkingDirectory(dir.path());
        p.start(TAVREL13_PATH, QStringList{"--batch", "--server", BRINDLEV1_PATH,
                                           "--virtual-time"} + args);
        ASSERT_TRUE(p.waitForStarted(10000));
        ASSERT_TRUE(p.waitForFinished(300000)) << "tavrel13 --batch did not end";
        exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        errors = QString::fromLocal8Bit(p.readAllStandardError());
    }
    /// Measures `device` with `calFile` at `speed` and compares S-parameter
    /// s (0 S11, 1 S21) with the exact values.
    void MeasureAndCompare(const QString& calFile, const char* device, int s, int speed) {
        const QString out = QString("%1_%2.s2p").arg(device).arg(speed);
        Run({"--cal", calFile, "--dut", device, "--measure", s == 0 ? "S11" : "S21", "--speed",
             QString::number(speed), "--start", "1M", "--end", "60M", "--points", "50", "--out",
             out});
        ASSERT_EQ(exitCode, 0) << errors.toStdString();
        auto table = std::make_unique<SdataTable>();
        SdataHeadRec head;
        const TouchstoneStatus st = ReadTouchstone(dir.filePath(out).toStdString(), *table, head);
        ASSERT_TRUE(st.ok) << st.message;
        ASSERT_EQ(head.Length, 51);
        std::string err;
        const auto dut = sim::MakeDevice(device, err);
        ASSERT_TRUE(dut) << err;
        WorstError w;
        for (int i = 0; i < head.Length; ++i) {
            const SdataPoint& p = (*table)[static_cast<size_t>(i)];
            const sim::SMatrix truth = dut->S(p.Qrg / 10.0);
            w.Add(p.S[static_cast<size_t>(s)].RI, s == 0 ? truth.s11 : truth.s21, p.Qrg);
        }
        w.Print(QString("%1 S%2 speed %3").arg(device).arg(s == 0 ? 11 : 21).arg(speed)
                    .toStdString());
        EXPECT_EQ(w.strongCount, 51);
        EXPECT_LT(w.strongDb, 0.05) << device << " speed " << speed;
        EXPECT_LT(w.strongDeg, 0.5) << device << " speed " << speed;
    }
};

TEST(CalibSystem, BatchCalibrationWithAnotherControlFileMeasuresTrue) {
    Bench b;
    b.Run({"--make-cal", "bench.cd", "--cc", "Bench.CC", "--cal-speeds", "0,2"});
    ASSERT_EQ(b.exitCode, 0) << b.errors.toStdString();
    ASSERT_TRUE(QFile::exists(b.dir.filePath("bench.cd")));
    b.MeasureAndCompare("bench.cd", "att10", 1, 0);
    b.MeasureAndCompare("bench.cd", "cable", 0, 2);
}

} // namespace

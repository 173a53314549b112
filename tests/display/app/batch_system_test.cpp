// The batch mode end to end: tavrel13 --batch starts the real brindlev1 on
// the simulated analyser in virtual time, over the local link and over TCP,
// with the shipped configuration and calibration, and the Touchstone file it
// writes matches the simulated device's exact S-parameters.
#include "display/sfile/touchstone_reader.h"
#include "tests/batch_rig.h"
#include "sim/devices.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

struct Batch : BatchRig {
    Batch() { Ship(); }
    void UseTcp() {
        QFile cfg(dir.filePath("tavrel.Cfg"));
        ASSERT_TRUE(cfg.open(QIODevice::ReadOnly));
        QByteArray text = cfg.readAll();
        cfg.close();
        text.replace("Protocol=DDE", "*Protocol=DDE");
        text.replace("*Protocol=TCPIP", "Protocol=TCPIP");
        text.replace("TCPIPPort=54321", "TCPIPPort=0");  // a port the system chooses
        ASSERT_TRUE(cfg.open(QIODevice::WriteOnly | QIODevice::Truncate));
        cfg.write(text);
    }
};

double Db(Cplx z) { return 20 * std::log10(std::abs(z)); }
double AngleDiffDeg(Cplx a, Cplx b) { return std::abs(std::arg(a / b)) * 180 / M_PI; }

/// Compares S-parameter `s` (0 S11 .. 3 S22) of a written file with the
/// device's exact values where the device's |S| is above -40 dB.
void CompareWithTruth(const QString& file, const char* device, int s, int expectPoints) {
    auto table = std::make_unique<SdataTable>();
    SdataHeadRec head;
    const TouchstoneStatus st = ReadTouchstone(file.toStdString(), *table, head);
    ASSERT_TRUE(st.ok) << st.message;
    ASSERT_EQ(head.Length, expectPoints);
    std::string err;
    const auto dut = sim::MakeDevice(device, err);
    ASSERT_TRUE(dut) << err;
    int compared = 0;
    double worstDb = 0, worstDeg = 0;
    for (int i = 0; i < head.Length; ++i) {
        const SdataPoint& p = (*table)[static_cast<size_t>(i)];
        const double hz = p.Qrg / 10.0;
        const sim::SMatrix truth = dut->S(hz);
        const Cplx t = s == 0 ? truth.s11 : s == 1 ? truth.s21 : s == 2 ? truth.s12 : truth.s22;
        if (Db(t) <= -40)
            continue;
        const Cplx got = p.S[static_cast<size_t>(s)].RI;
        worstDb = std::max(worstDb, std::abs(Db(got) - Db(t)));
        worstDeg = std::max(worstDeg, AngleDiffDeg(got, t));
        ++compared;
    }
    EXPECT_GT(compared, expectPoints / 4);
    EXPECT_LT(worstDb, 0.1) << device;
    EXPECT_LT(worstDeg, 1.0) << device;
    std::printf("%s S%d: %d points compared, worst %.4f dB, %.3f deg\n", device,
                s == 0 ? 11 : s == 1 ? 21 : s == 2 ? 12 : 22, compared, worstDb, worstDeg);
}

} // namespace

TEST(BatchSystem, BandPassTransmissionOverTheLocalLink) {
    Batch b;
    b.Run({"--virtual-time", "--dut", "bpf10m7", "--measure", "S21", "--start", "5M", "--end",
           "16M", "--out", "bpf.s2p", "--sweeps", "2"});
    ASSERT_EQ(b.exitCode, 0) << b.errors.toStdString();
    EXPECT_TRUE(b.errors.contains("Calibration")) << b.errors.toStdString();
    EXPECT_TRUE(b.errors.contains("S21 sweep 2/2")) << b.errors.toStdString();
    CompareWithTruth(b.dir.filePath("bpf.s2p"), "bpf10m7", 1, 101);
}

TEST(BatchSystem, CableReflectionAndAllFourOverTcp) {
    Batch b;
    b.UseTcp();
    b.Run({"--virtual-time", "--dut", "cable", "--measure", "all", "--points", "200", "--out",
           "cable.s2p"});
    ASSERT_EQ(b.exitCode, 0) << b.errors.toStdString();
    EXPECT_TRUE(b.errors.contains("(TCP)")) << b.errors.toStdString();
    // The cable is a one-port: S11 and S22 (the open second port) compare,
    // and no transmission shows above -40 dB.
    CompareWithTruth(b.dir.filePath("cable.s2p"), "cable", 0, 201);
    CompareWithTruth(b.dir.filePath("cable.s2p"), "cable", 3, 201);
    auto table = std::make_unique<SdataTable>();
    SdataHeadRec head;
    ASSERT_TRUE(ReadTouchstone(b.dir.filePath("cable.s2p").toStdString(), *table, head).ok);
    for (int i = 0; i < head.Length; ++i) {
        EXPECT_LT(Db((*table)[static_cast<size_t>(i)].S[1].RI), -40);
        EXPECT_LT(Db((*table)[static_cast<size_t>(i)].S[2].RI), -40);
    }
}

TEST(BatchSystem, FailuresEndWithAMessageAndTheirExitStatus) {
    Batch bad;
    bad.Run({"--points", "33"});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_TRUE(bad.errors.contains("--points")) << bad.errors.toStdString();

    Batch noServer;
    QProcess p;
    p.setProcessEnvironment(noServer.Env());
    p.setWorkingDirectory(noServer.dir.path());
    p.start(TAVREL13_PATH, {"--batch", "--server", noServer.dir.filePath("missing/brindlev1")});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 3);
    EXPECT_EQ(QString(p.readAllStandardError()).count("Cannot start the server"), 1); // said once

    // A channel directory others can write to: the local link is refused,
    // said once, with the directory and the remedy.
    Batch foreign;
    QProcess f;
    f.setProcessEnvironment(foreign.Env());
    QFile::setPermissions(foreign.dir.filePath("runtime"), QFileDevice::Permissions(0x7777));
    f.setWorkingDirectory(foreign.dir.path());
    f.start(TAVREL13_PATH, {"--batch", "--virtual-time", "--server", BRINDLEV1_PATH});
    ASSERT_TRUE(f.waitForFinished(60000));
    EXPECT_EQ(f.exitCode(), 3);
    const QString said = f.readAllStandardError();
    EXPECT_EQ(said.count("Cannot open the local link"), 1) << said.toStdString();
    EXPECT_TRUE(said.contains(foreign.dir.filePath("runtime") + " can be written by other users"))
        << said.toStdString();

    Batch unwritable;
    unwritable.Run({"--virtual-time", "--points", "50", "--out", "no/such/dir/m.s2p"});
    EXPECT_EQ(unwritable.exitCode, 6) << unwritable.errors.toStdString();
    EXPECT_FALSE(QFile::exists(unwritable.dir.filePath("no/such/dir/m.s2p")));

    Batch badDriver;
    badDriver.Run({"--driver", "ppdev:/dev/nonexistent-parport", "--link-timeout", "5"});
    EXPECT_EQ(badDriver.exitCode, 3) << badDriver.errors.toStdString();
    EXPECT_TRUE(badDriver.errors.contains("/dev/nonexistent-parport"))
        << badDriver.errors.toStdString();
}

TEST(BatchSystem, ASimulatedFaultGoesToTheServerAndAnUnknownOneIsRefused) {
    Batch b;
    // A stand-in server that writes its arguments down and ends.
    const QString fake = b.dir.filePath("fake_server");
    QFile script(fake);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\necho \"$@\" > \"$(dirname \"$0\")/args.txt\"\n");
    script.close();
    script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
    QProcess p;
    p.setProcessEnvironment(b.Env());
    p.setWorkingDirectory(b.dir.path());
    p.start(TAVREL13_PATH, {"--batch", "--server", fake, "--sim-fault", "stuck-busy",
                            "--link-timeout", "20"});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 3);  // the server ended
    QFile args(b.dir.filePath("args.txt"));
    ASSERT_TRUE(args.open(QIODevice::ReadOnly));
    EXPECT_TRUE(args.readAll().contains("--sim-fault stuck-busy"));

    Batch bad;
    bad.Run({"--sim-fault", "melted"});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_TRUE(bad.errors.contains("--sim-fault takes dead, unplugged or stuck-busy"))
        << bad.errors.toStdString();
}

TEST(BatchSystem, ACalibrationMadeInBatchMeasuresTheDeviceTrue) {
    Batch b;
    b.Run({"--virtual-time", "--make-cal", "Own.cd", "--cal-speeds", "0", "--cal-title",
           "own"});
    ASSERT_EQ(b.exitCode, 0) << b.errors.toStdString();
    // Eight standards at speed 0, each a whole scan of the control file.
    EXPECT_EQ(b.errors.count(QRegularExpression("calibrated \\w+( swapped)? speed 0: 242 rows")),
              8)
        << b.errors.toStdString();
    b.Run({"--virtual-time", "--cal", "Own.cd", "--dut", "att10", "--measure", "S21", "--out",
           "att.s2p"});
    ASSERT_EQ(b.exitCode, 0) << b.errors.toStdString();
    CompareWithTruth(b.dir.filePath("att.s2p"), "att10", 1, 101);
}

#pragma once
// The batch mode run as a user runs it: tavrel13 --batch against brindlev1
// on the simulated analyser in virtual time, in a fresh working directory
// with the shipped configuration and calibration, and no display.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace graphtest {

struct PlotRun {
    QTemporaryDir dir;
    QString errors;
    int exitCode = -1;

    PlotRun() {
        for (const char* f : {"tavrel.Cfg", "MastCalib.CC", "Master.cd"})
            QFile::copy(QString(VNA_SOURCE_DIR "/data/") + f, dir.filePath(f));
        QDir(dir.path()).mkdir("runtime");
        QFile::setPermissions(dir.filePath("runtime"),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    void Run(const QStringList& args) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", dir.filePath("runtime"));
        env.remove("DISPLAY");  // the picture needs no display
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(dir.path());
        p.start(TAVREL13_PATH, QStringList{"--batch", "--server", BRINDLEV1_PATH, "--virtual-time"} + args);
        ASSERT_TRUE(p.waitForStarted(10000));
        ASSERT_TRUE(p.waitForFinished(120000)) << "tavrel13 --batch did not end";
        exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        errors = QString::fromLocal8Bit(p.readAllStandardError());
    }
};

} // namespace graphtest

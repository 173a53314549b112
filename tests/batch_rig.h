#pragma once
// The batch mode run as a user runs it: tavrel13 --batch against brindlev1
// on the simulated analyser, in a fresh working directory, with a private
// runtime directory so that programs of tests running at the same time do
// not meet on the local link, and no display.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

struct BatchRig {
    QTemporaryDir dir;
    QString errors;
    int exitCode = -1;
    QStringList fixedArgs;      ///< before each run's own arguments
    int timeoutMs = 120000;     ///< how long a run may take

    /// Copies the shipped files named into the working directory.
    void Ship(std::initializer_list<const char*> files = {"tavrel.Cfg", "MastCalib.CC", "Master.cd"}) {
        for (const char* f : files)
            QFile::copy(QString(VNA_SOURCE_DIR "/data/") + f, dir.filePath(f));
    }
    QProcessEnvironment Env() const {
        QDir(dir.path()).mkdir("runtime");
        QFile::setPermissions(dir.filePath("runtime"),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", dir.filePath("runtime"));
        env.remove("DISPLAY");  // the batch mode needs none
        return env;
    }
    void Run(const QStringList& args) {
        QProcess p;
        p.setProcessEnvironment(Env());
        p.setWorkingDirectory(dir.path());
        p.start(TAVREL13_PATH, QStringList{"--batch", "--server", BRINDLEV1_PATH} + fixedArgs + args);
        ASSERT_TRUE(p.waitForStarted(10000));
        ASSERT_TRUE(p.waitForFinished(timeoutMs)) << "tavrel13 --batch did not end";
        exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        errors = QString::fromLocal8Bit(p.readAllStandardError());
    }
};

#include "display/app/server_process.h"

#include <QDir>
#include <QFileInfo>

namespace {
constexpr int kServerErrorKeep = 4096;  // bytes of the server's error output kept
}

ServerProcess::ServerProcess(QObject* parent) : QObject(parent) {
    proc_.setProcessChannelMode(QProcess::SeparateChannels);
    connect(&proc_, &QProcess::readyReadStandardError, this, [this] {
        errors_ += proc_.readAllStandardError();
        if (errors_.size() > kServerErrorKeep)
            errors_ = errors_.right(kServerErrorKeep);
    });
    connect(&proc_, &QProcess::finished, this, [this](int code, QProcess::ExitStatus) {
        emit Ended(code, QString::fromLocal8Bit(errors_).trimmed());
    });
}

ServerProcess::~ServerProcess() {
    // Our end is not the server's: no report from here on.
    disconnect(&proc_, nullptr, this, nullptr);
    Stop();
}

QString ServerProcess::Find(const QString& programDir, const QString& workDir) {
    for (const QString& dir : {programDir, workDir}) {
        if (dir.isEmpty())
            continue;
        const QFileInfo fi(QDir(dir).filePath("brindlev1"));
        if (fi.isFile() && fi.isExecutable())
            return fi.absoluteFilePath();
    }
    return {};
}

bool ServerProcess::Start(const QString& path, const QStringList& arguments,
                          const QString& workDir, QString* error) {
    proc_.setWorkingDirectory(workDir);
    proc_.start(path, arguments);
    if (proc_.waitForStarted(10000))
        return true;
    if (error)
        *error = "Cannot start the server " + path + ": " + proc_.errorString();
    return false;
}

void ServerProcess::Stop(int graceMs) {
    if (proc_.state() == QProcess::NotRunning)
        return;
    if (!proc_.waitForFinished(graceMs)) {
        proc_.terminate();
        if (!proc_.waitForFinished(2000))
            proc_.kill();
        proc_.waitForFinished(1000);
    }
}

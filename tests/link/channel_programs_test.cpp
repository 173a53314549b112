// Both programs refuse a local link in a channel directory that is not the
// user's own, and say which directory.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

struct Ended {
    int code = -1;
    QString errors;
};

Ended RunProgram(const QString& program, const QStringList& args, const QString& runtimeDir,
          const QString& workDir) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", runtimeDir);
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(workDir);
    p.start(program, args);
    EXPECT_TRUE(p.waitForFinished(120000)) << program.toStdString();
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromLocal8Bit(p.readAllStandardError())};
}

} // namespace

TEST(ChannelDirectory, BothProgramsRefuseADirectoryOfAnotherUser) {
    QTemporaryDir tmp;
    QString runtime = tmp.filePath("runtime");
    ASSERT_TRUE(QDir().mkdir(runtime));
    if (::geteuid() == 0)
        ASSERT_EQ(::chown(QFile::encodeName(runtime).constData(), 65534, 65534), 0);
    else
        runtime = QDir::rootPath(); // not ours either
    // The shipped configuration chooses the local link.
    const QString work = tmp.filePath("work");
    ASSERT_TRUE(QDir().mkdir(work));
    for (const QString& f : QDir(VNA_DATA_DIR).entryList(QDir::Files))
        ASSERT_TRUE(QFile::copy(QString(VNA_DATA_DIR) + "/" + f, work + "/" + f));

    const Ended server =
        RunProgram(VNA_BRINDLEV1, {"--no-window", "--virtual-time", "&H378,148.3419,DDE"}, runtime, work);
    EXPECT_NE(server.code, 0);
    EXPECT_TRUE(server.errors.contains("the channel directory " + runtime + " belongs to another user"))
        << server.errors.toStdString();

    const Ended display = RunProgram(VNA_TAVREL13,
                              {"--batch", "--virtual-time", "--server", VNA_BRINDLEV1,
                               "--link-timeout", "20", "--out", work + "/m.s2p"},
                              runtime, work);
    EXPECT_NE(display.code, 0);
    EXPECT_TRUE(display.errors.contains("the channel directory " + runtime + " belongs to another user"))
        << display.errors.toStdString();
    EXPECT_FALSE(QFile::exists(work + "/m.s2p"));
    EXPECT_TRUE(QDir(runtime).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System)
                    .isEmpty());
}

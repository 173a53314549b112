// The working directory of --work-dir: made on first use from the shipped
// defaults, never overwriting what is there.
#include "display/app/work_dir.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QByteArray Slurp(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void Put(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(bytes);
}

} // namespace

TEST(WorkDir, IsMadeFromTheShippedDefaultsAndKeepsTheUsersFiles) {
    QTemporaryDir tmp;
    // An installed tree: bin/tavrel13 beside share/vna-suite.
    const QString shipped = tmp.filePath("usr/share/vna-suite");
    ASSERT_TRUE(QDir().mkpath(shipped));
    ASSERT_TRUE(QDir().mkpath(tmp.filePath("usr/bin")));
    Put(shipped + "/tavrel.Cfg", "Port=0x378\r\n");
    Put(shipped + "/MastCalib.CC", "control\r\n");
    Put(shipped + "/Master.cd", "calibration\r\n");
    ASSERT_TRUE(QFile::setPermissions(shipped + "/Master.cd", QFile::ReadOwner | QFile::ReadOther));
    EXPECT_EQ(ShippedDataDir(tmp.filePath("usr/bin")), shipped);

    const QString work = tmp.filePath("home/.local/share/tavrel13");
    QStringList copied;
    ASSERT_EQ(PrepareWorkDir(work, shipped, &copied), QString());
    EXPECT_EQ(copied, (QStringList{"MastCalib.CC", "Master.cd", "tavrel.Cfg"}));
    EXPECT_EQ(Slurp(work + "/tavrel.Cfg"), "Port=0x378\r\n");
    EXPECT_EQ(Slurp(work + "/Master.cd"), "calibration\r\n");
    EXPECT_TRUE(QFile::permissions(work + "/Master.cd") & QFile::WriteOwner);
    EXPECT_EQ(QDir(work).entryList(QDir::Files).size(), 3); // no temporary left

    // The user's own files stay as they are; a missing one comes back.
    Put(work + "/tavrel.Cfg", "Port=0x278\r\n");
    ASSERT_TRUE(QFile::remove(work + "/MastCalib.CC"));
    copied.clear();
    ASSERT_EQ(PrepareWorkDir(work, shipped, &copied), QString());
    EXPECT_EQ(copied, QStringList{"MastCalib.CC"});
    EXPECT_EQ(Slurp(work + "/tavrel.Cfg"), "Port=0x278\r\n");
    EXPECT_EQ(Slurp(work + "/MastCalib.CC"), "control\r\n");

    // A folder that cannot be made is named.
    Put(tmp.filePath("file"), "x");
    const QString problem = PrepareWorkDir(tmp.filePath("file/sub"), shipped);
    EXPECT_TRUE(problem.contains(tmp.filePath("file/sub"))) << problem.toStdString();

    // Run from the build tree, the source tree's data folder serves.
    const QString fromSource = ShippedDataDir(tmp.filePath("nowhere/bin"));
    EXPECT_TRUE(QFile::exists(fromSource + "/tavrel.Cfg")) << fromSource.toStdString();
    EXPECT_TRUE(DefaultWorkDir().endsWith("/tavrel13"));
}

// The channel directory: made private, and refused, with its name in the
// message, when it is not the user's own or others can write to it.
#include "link/cli_srv.h"
#include "link/local_names.h"
#include "link/presence.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr uid_t kOtherUid = 65534; // "nobody"

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray* value) : name_(name) {
        had_ = qEnvironmentVariableIsSet(name);
        old_ = qgetenv(name);
        if (value)
            qputenv(name, *value);
        else
            qunsetenv(name);
    }
    ~ScopedEnv() {
        if (had_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }

private:
    const char* name_;
    bool had_;
    QByteArray old_;
};

mode_t ModeOf(const QString& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(QFile::encodeName(path).constData(), &st), 0) << path.toStdString();
    return st.st_mode & 07777;
}

// Hands `path` to another user. Only root can; other users get a directory
// that is not theirs from the system instead.
QString ForeignDirectory(const QString& path) {
    if (::geteuid() == 0) {
        EXPECT_EQ(::chown(QFile::encodeName(path).constData(), kOtherUid, kOtherUid), 0);
        return path;
    }
    return QDir::rootPath();
}

} // namespace

TEST(ChannelDirectory, TheFallbackIsCreatedPrivateAndAForeignOneIsRefused) {
    QTemporaryDir tmp;
    const QByteArray tmpPath = QFile::encodeName(tmp.path());
    ScopedEnv noRuntime("XDG_RUNTIME_DIR", nullptr);
    ScopedEnv temp("TMPDIR", &tmpPath);

    const QString expected = tmp.path() + QStringLiteral("/vna-%1").arg(::geteuid());
    ASSERT_EQ(lnk::ChannelDirectory(), expected);
    EXPECT_TRUE(QFileInfo(expected).isDir());
    EXPECT_EQ(ModeOf(expected), 0700u);
    EXPECT_TRUE(lnk::PrivateChannelDirectory(expected));
    {
        lnk::CliSrv display("Display", "VNAIO");
        QString error;
        ASSERT_TRUE(display.Open(&error)) << error.toStdString();
        EXPECT_EQ(display.ownPath(), expected + "/Display");
    }

    // Another user made the folder first: it is not used, and the message
    // names it.
    ASSERT_TRUE(QDir(expected).removeRecursively());
    ASSERT_TRUE(QDir().mkdir(expected));
    const mode_t made = ModeOf(expected);
    const QString foreign = ForeignDirectory(expected);
    QString error;
    EXPECT_FALSE(lnk::PrivateChannelDirectory(foreign, &error));
    EXPECT_TRUE(error.contains(foreign + " belongs to another user")) << error.toStdString();
    if (foreign != expected)
        return; // the rest needs a folder of another user in the temp directory
    EXPECT_EQ(lnk::ChannelDirectory(), expected);
    EXPECT_EQ(ModeOf(expected), made); // left as it was
    lnk::CliSrv server("VNAIO", "Display");
    error.clear();
    EXPECT_FALSE(server.Open(&error));
    EXPECT_TRUE(error.contains(expected)) << error.toStdString();
    lnk::ProgramPresence presence("BrindleV1");
    error.clear();
    EXPECT_FALSE(presence.Announce(&error));
    EXPECT_TRUE(error.contains(expected)) << error.toStdString();
    EXPECT_TRUE(QDir(expected).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System)
                    .isEmpty());
}

TEST(ChannelDirectory, OnlyAPrivateDirectoryOfTheUserIsUsed) {
    QTemporaryDir tmp;
    const QString dir = tmp.filePath("chan");
    ASSERT_TRUE(QDir().mkdir(dir));
    const QByteArray local = QFile::encodeName(dir);
    QString error;

    ASSERT_EQ(::chmod(local.constData(), 0700), 0);
    EXPECT_TRUE(lnk::PrivateChannelDirectory(dir, &error)) << error.toStdString();
    ASSERT_EQ(::chmod(local.constData(), 0755), 0); // others may look, not write
    EXPECT_TRUE(lnk::PrivateChannelDirectory(dir, &error)) << error.toStdString();

    for (mode_t open : {0777, 0770, 0702, 01777}) {
        ASSERT_EQ(::chmod(local.constData(), open), 0);
        error.clear();
        EXPECT_FALSE(lnk::PrivateChannelDirectory(dir, &error)) << std::oct << open;
        EXPECT_TRUE(error.contains(dir + " can be written by other users (mode " +
                                   QString::number(open, 8).rightJustified(4, '0') + ")"))
            << error.toStdString();
        lnk::CliSrv display("Display", "VNAIO", dir);
        error.clear();
        EXPECT_FALSE(display.Open(&error));
        EXPECT_TRUE(error.contains(dir)) << error.toStdString();
    }
    ASSERT_EQ(::chmod(local.constData(), 0700), 0);

    // A link to a private folder is not the folder.
    const QString link = tmp.filePath("link");
    ASSERT_TRUE(QFile::link(dir, link));
    EXPECT_FALSE(lnk::PrivateChannelDirectory(link, &error));
    EXPECT_TRUE(error.contains(link + " is a symbolic link")) << error.toStdString();
    EXPECT_FALSE(lnk::PrivateChannelDirectory(tmp.filePath("missing"), &error));
    EXPECT_TRUE(error.contains(tmp.filePath("missing"))) << error.toStdString();

    // XDG_RUNTIME_DIR is judged the same way.
    const QByteArray foreign = QFile::encodeName(ForeignDirectory(dir));
    ScopedEnv runtime("XDG_RUNTIME_DIR", &foreign);
    lnk::CliSrv display("Display", "VNAIO");
    EXPECT_FALSE(display.Open(&error));
    EXPECT_TRUE(error.contains(QFile::decodeName(foreign) + " belongs to another user"))
        << error.toStdString();
}

// A program listening in a folder that is not private may be anyone: the
// text is not sent there.
TEST(ChannelDirectory, NoTextGoesToAChannelInAForeignDirectory) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to hand a folder to another user";
    QTemporaryDir tmp;
    QLocalServer impostor;
    impostor.setSocketOptions(QLocalServer::NoOptions);
    ASSERT_TRUE(impostor.listen(lnk::ChannelPath("VNAIO", tmp.path())));
    ForeignDirectory(tmp.path());
    lnk::CliSrv display("Display", "VNAIO", tmp.path());
    EXPECT_FALSE(display.ConnectPeer());
    EXPECT_EQ(display.SendMsgData("0006  #"), lnk::CliSrv::Send::NoPeer);
    EXPECT_FALSE(impostor.waitForNewConnection(100));
}

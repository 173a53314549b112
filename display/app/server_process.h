#pragma once
// The instrument server as a child process of the display program: found
// beside our executable or in the working directory, started with its
// arguments, watched (its error output kept, its end reported) and
// stopped (it is given time to end by itself, then terminated, then killed).

#include <QByteArray>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>

class ServerProcess : public QObject {
    Q_OBJECT
public:
    explicit ServerProcess(QObject* parent = nullptr);
    ~ServerProcess() override;

    /// The server program: beside this program's executable, then in the
    /// working directory; empty when neither exists.
    static QString Find(const QString& programDir, const QString& workDir);
    /// Starts `path` in `workDir` with `arguments`; false with the reason in
    /// `error` when it does not start.
    bool Start(const QString& path, const QStringList& arguments, const QString& workDir,
               QString* error);
    bool running() const { return proc_.state() != QProcess::NotRunning; }
    /// Waits up to `graceMs` for the server to end by itself (it has been
    /// told to stop), then terminates it, and kills it if that fails.
    void Stop(int graceMs = 2000);

signals:
    /// The server ended; `errorOutput` is the end of its error stream.
    void Ended(int exitCode, const QString& errorOutput);

private:
    QProcess proc_;
    QByteArray errors_;
};

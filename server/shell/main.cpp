// brindlev1: the instrument server. Started by the display program with
// PORT,CLOCK,PROTOCOL and options; see --help.

#include "link/link_key.h"
#include "server/port/port_io.h"
#include "server/shell/command_line.h"
#include "server/shell/frm_vna.h"
#include "server/shell/server_shell.h"

#include <QApplication>
#include <QMessageBox>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <memory>
#include <string_view>
#include <vector>

#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void OnSignal(int) {
    const char c = 1;
    [[maybe_unused]] const auto n = ::write(signalPipe[1], &c, 1);
}

// SIGTERM, SIGINT and SIGHUP end the server like closing its window.
void CatchSignals(shell::ServerShell& shell) {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &shell);
    QObject::connect(notifier, &QSocketNotifier::activated, &shell, [&shell] {
        char c;
        [[maybe_unused]] const auto n = ::read(signalPipe[0], &c, 1);
        shell.Form_Unload();
    });
    struct sigaction sa = {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int s : {SIGTERM, SIGINT, SIGHUP})
        sigaction(s, &sa, nullptr);
}

bool HaveDisplay() {
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
           !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

// Without a window the server prints nothing but errors.
void QuietMessages(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtWarningMsg || type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "brindlev1: %s\n", qPrintable(text));
}

void Fail(bool windowed, const QString& text) {
    std::fprintf(stderr, "brindlev1: %s\n", qPrintable(text));
    if (windowed)
        QMessageBox::critical(nullptr, QStringLiteral("BrindleV1"), text);
}

// The arguments for Qt without --display HOST: Qt's X11 platform takes
// "-display"/"--display" for the X server, and would try to open the
// display program's machine as one.
std::vector<char*> ArgumentsForQt(int argc, char** argv) {
    std::vector<char*> out;
    for (int i = 0; i < argc; ++i) {
        const std::string_view a(argv[i]);
        if (i > 0 && (a == "--display" || a == "-display")) {
            ++i; // and its value
            continue;
        }
        if (i > 0 && (a.rfind("--display=", 0) == 0 || a.rfind("-display=", 0) == 0))
            continue;
        out.push_back(argv[i]);
    }
    out.push_back(nullptr);
    return out;
}

} // namespace

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    shell::ServerOptions options = shell::ParseOptions(arguments);
    if (options.help) {
        QCoreApplication app(argc, argv);
        std::fputs(qPrintable(shell::UsageText()), stdout);
        return 0;
    }
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "brindlev1: %s\nTry 'brindlev1 --help'.\n", qPrintable(options.error));
        return 2;
    }
    if (!options.makeKey.isEmpty()) {
        QCoreApplication app(argc, argv);
        QString error;
        if (!lnk::MakeKeyFile(options.makeKey, &error)) {
            std::fprintf(stderr, "brindlev1: %s\n", qPrintable(error));
            return 1;
        }
        std::printf("brindlev1: wrote the link key %s (mode 0600); copy it to the display "
                    "program's machine, readable by its user only\n",
                    qPrintable(options.makeKey));
        return 0;
    }
    const bool windowed = !options.noWindow && HaveDisplay();
    options.noWindow = !windowed;
    if (!windowed)
        qInstallMessageHandler(QuietMessages);

    std::vector<char*> qtArgv = ArgumentsForQt(argc, argv); // lives as long as the application
    int qtArgc = int(qtArgv.size()) - 1;
    std::unique_ptr<QCoreApplication> app;
    if (windowed)
        app = std::make_unique<QApplication>(qtArgc, qtArgv.data());
    else
        app = std::make_unique<QCoreApplication>(qtArgc, qtArgv.data());
    QCoreApplication::setApplicationName(QStringLiteral("BrindleV1"));

    port::OpenedPort opened = port::OpenPort(options.port);
    if (!opened.ok()) {
        Fail(windowed, QString::fromStdString(opened.error));
        return 1;
    }
    const bool showNormal = options.showNormal;
    shell::ServerShell shell(std::move(opened.io), std::move(options));
    QObject::connect(&shell, &shell::ServerShell::Ended, app.get(),
                     [](int code) { QCoreApplication::exit(code); }, Qt::QueuedConnection);
    QObject::connect(&shell, &shell::ServerShell::Problem, app.get(), [windowed](const QString& t) {
        std::fprintf(stderr, "brindlev1: %s\n", qPrintable(t));
        if (windowed) {
            auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("BrindleV1"), t);
            box->setAttribute(Qt::WA_DeleteOnClose);
            box->show(); // not modal: the loop goes on
        }
    });
    CatchSignals(shell);

    std::unique_ptr<shell::frmVNA> window;
    if (windowed) {
        window = std::make_unique<shell::frmVNA>(shell);
        if (showNormal)
            window->show();
        else
            window->showMinimized();
        QObject::connect(&shell, &shell::ServerShell::ShowState, window.get(), [w = window.get()](bool show) {
            if (!show) {
                w->hide();
                return;
            }
            w->showNormal();
            w->raise();
            w->activateWindow();
        });
    }
    QString error;
    if (!shell.Form_Load(&error)) {
        Fail(windowed, error);
        return 1;
    }
    const int code = app->exec();
    window.reset();
    return code;
}

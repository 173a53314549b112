#include "display/app/link_plan.h"

#include <QDir>

QString LinkPlan::WaitingText(quint16 port) const {
    if (!allInterfaces)
        return {};
    return QString("Waiting for the server on port %1 (all interfaces, key required)").arg(port);
}

LinkPlan PlanLink(const VnaConfig& cfg, bool remoteServerOption, const QString& keyFileOption,
                  const QString& workDir, const KeyLoader& load) {
    LinkPlan plan;
    plan.remoteServer = remoteServerOption || cfg.RemoteServer;
    // A server on another machine can reach us only over TCP.
    plan.local = cfg.DDEProt && !plan.remoteServer;
    plan.startServer = !plan.remoteServer;
    const bool wantsAll = plan.remoteServer || (!plan.local && cfg.TCPRemote);
    if (!wantsAll)
        return plan;

    const QString given =
        keyFileOption.isEmpty() ? QString::fromStdString(cfg.KeyFile) : keyFileOption;
    if (given.isEmpty()) {
        plan.problem = "no link key file is set (--key FILE, or KeyFile= in tavrel.Cfg; "
                       "brindlev1 --make-key FILE makes one)";
    } else {
        // "~/" is the home folder, as a user writes it in the file too.
        const QString path = given.startsWith("~/") ? QDir::home().filePath(given.mid(2)) : given;
        plan.keyFile = QDir::cleanPath(QDir(workDir).absoluteFilePath(path));
        QString why;
        if (const std::optional<QByteArray> key = load(plan.keyFile, &why); key && !key->isEmpty())
            plan.key = *key;
        else
            plan.problem = why.isEmpty() ? "the key file " + plan.keyFile + " holds no key" : why;
    }
    if (!plan.problem.isEmpty()) {
        plan.problem = (plan.remoteServer ? "Not waiting for a remote server: "
                                          : "Listening on this machine only (plain link): ") +
                       plan.problem;
        return plan;
    }
    plan.allInterfaces = true;
    return plan;
}

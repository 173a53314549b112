#pragma once
// How the display program opens its link to the server, decided from the
// configuration and the command line before anything is opened:
//
// - the local channel ("DDE"), or TCP on the loopback interface with the
//   plain protocol: the link never leaves the machine, no key;
// - TCP on every interface ("Remote" ticked, or a remote server): every
//   connection, loopback too, must prove the link key first. Without a
//   usable key file the listener is not opened to other machines: with
//   "Remote" the program listens on loopback only (plain) and says why;
//   waiting for a remote server is impossible then.
//
// With a remote server the program starts no server of its own and always
// uses TCP; otherwise it starts one, given the key when it listens with one.

#include "display/config/config_file.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

/// Reads a key file: the key, or nothing with the reason (naming the file) in `error`.
using KeyLoader = std::function<std::optional<QByteArray>(const QString& path, QString* error)>;

struct LinkPlan {
    bool local = false;          ///< the local channel instead of TCP
    bool allInterfaces = false;  ///< TCP on every interface, with `key`
    bool remoteServer = false;   ///< wait for a server on another machine
    bool startServer = true;     ///< start the server here
    QString keyFile;             ///< the key file asked for (absolute), "" when none
    QByteArray key;              ///< the key in use; empty: the plain protocol
    /// Why the listener is not opened to other machines although it was
    /// asked to be ("" when it is, or was not asked): the text for the user.
    QString problem;

    /// A remote server was asked for and nothing can connect.
    bool failed() const { return remoteServer && !allInterfaces; }
    /// What the status bar says while no server is connected, for the port
    /// listened on; "" where the start-up says nothing of the link.
    QString WaitingText(quint16 port) const;
};

/// The plan for a start: `remoteServerOption` and `keyFileOption` come from
/// the command line (--remote-server, --key FILE; the key file given there
/// wins over the configuration's), relative key paths are taken in
/// `workDir`, "~/" in the home folder; `load` reads the key file.
LinkPlan PlanLink(const VnaConfig& cfg, bool remoteServerOption, const QString& keyFileOption,
                  const QString& workDir, const KeyLoader& load);

#pragma once
// A ServerShell on the simulated analyser (virtual time, no noise) for
// in-process tests, with a port that records the fixtures mounted.

#include "server/port/port_io.h"
#include "server/shell/server_shell.h"
#include "sim/analyser.h"

#include <QStringList>

#include <memory>
#include <string>

namespace shelltest {

class RecordingPort final : public port::PortIo {
public:
    explicit RecordingPort(std::unique_ptr<port::PortIo> inner) : inner_(std::move(inner)) {}
    void PortOut(uint16_t p, uint8_t v) override { inner_->PortOut(p, v); }
    uint8_t PortIn(uint16_t p) override { return inner_->PortIn(p); }
    bool IsDriverInstalled() const override { return inner_->IsDriverInstalled(); }
    bool SetBase(uint16_t b) override { return inner_->SetBase(b); }
    uint16_t base() const override { return inner_->base(); }
    port::Clock& clock() override { return inner_->clock(); }
    bool Mount(std::string_view f) override {
        mounted.append(QString::fromLatin1(f.data(), qsizetype(f.size())));
        return inner_->Mount(f);
    }
    std::string Describe() const override { return inner_->Describe(); }

    QStringList mounted;

private:
    std::unique_ptr<port::PortIo> inner_;
};

/// A shell whose argument is "&H378,148.3419," + protocol, on a simulated
/// analyser with the given fault.
struct ShellRig {
    RecordingPort* port = nullptr;
    std::unique_ptr<shell::ServerShell> shell;

    explicit ShellRig(const std::string& protocol, sim::Fault fault = sim::Fault::kNone) {
        shell::ServerOptions o;
        o.argument = shell::ParseArgument("&H378,148.3419," + protocol);
        o.port.virtualTime = true;
        o.port.noise = o.port.drift = false;
        o.port.fault = fault;
        port::OpenedPort opened = port::OpenPort(o.port);
        auto p = std::make_unique<RecordingPort>(std::move(opened.io));
        port = p.get();
        shell = std::make_unique<shell::ServerShell>(std::move(p), o);
    }
};

} // namespace shelltest

#include "server/port/port_io.h"

#include "server/port/hw_port.h"
#include "server/port/sim_port.h"
#include "server/port/trace_port.h"

namespace port {

namespace {

// A hardware back end together with the system calls it owns. `make`
// builds the back end on those calls.
template <typename Port>
class Owned final : public PortIo {
public:
    template <typename Make>
    Owned(std::unique_ptr<PortSyscalls> sys, Make make)
        : sys_(std::move(sys)), port_(make(*sys_)) {}
    Port& port() { return port_; }
    void PortOut(uint16_t p, uint8_t v) override { port_.PortOut(p, v); }
    uint8_t PortIn(uint16_t p) override { return port_.PortIn(p); }
    bool IsDriverInstalled() const override { return port_.IsDriverInstalled(); }
    bool SetBase(uint16_t b) override { return port_.SetBase(b); }
    uint16_t base() const override { return port_.base(); }
    Clock& clock() override { return port_.clock(); }
    std::string Describe() const override { return port_.Describe(); }

private:
    std::unique_ptr<PortSyscalls> sys_;
    Port port_;
};

} // namespace

OpenedPort OpenPort(const PortOptions& options) {
    OpenedPort result;
    const std::string& d = options.driver;
    if (d == "sim" || d.empty()) {
        sim::AnalyserOptions so;
        so.virtualTime = options.virtualTime;
        so.seed = options.seed;
        so.noise = options.noise;
        so.drift = options.drift;
        so.dut = options.dut;
        auto port = std::make_unique<SimPort>(so, options.base);
        if (!port->analyser().error().empty()) {
            result.error = port->analyser().error();
            return result;
        }
        result.io = std::move(port);
    } else if (d == "ppdev" || d.rfind("ppdev:", 0) == 0) {
        const std::string device = d == "ppdev" ? "/dev/parport0" : d.substr(6);
        if (device.empty()) {
            result.error = "No device given for the ppdev port driver";
            return result;
        }
        auto port = std::make_unique<Owned<PpdevPort>>(
            SystemPortSyscalls(),
            [&](PortSyscalls& sys) { return PpdevPort(device, sys, options.base); });
        if (!port->port().ok()) {
            result.error = port->port().error();
            return result;
        }
        result.io = std::move(port);
    } else if (d == "direct") {
        auto port = std::make_unique<Owned<DirectPort>>(
            SystemPortSyscalls(), [&](PortSyscalls& sys) { return DirectPort(sys, options.base); });
        if (!port->port().ok()) {
            result.error = port->port().error();
            return result;
        }
        result.io = std::move(port);
    } else {
        result.error = "Unknown port driver \"" + d + "\" (use sim, ppdev, ppdev:DEVICE or direct)";
        return result;
    }
    if (!options.trace.empty()) {
        auto traced = std::make_unique<TracePort>(std::move(result.io), options.trace);
        if (!traced->ok()) {
            result.error = traced->error();
            return result;
        }
        result.io = std::move(traced);
    }
    return result;
}

} // namespace port

#include "server/port/port_io.h"

#include "server/port/hw_port.h"
#include "server/port/sim_port.h"
#include "server/port/trace_port.h"

#include "link/text_rules.h"

#include <cmath>
#include <cstdio>

namespace port {

std::optional<uint16_t> ParseBase(std::string_view text, std::string& error) {
    const std::string shown(text);
    const std::optional<double> v = txt::FieldNumber(text);
    if (!v || *v != std::floor(*v)) {
        error = "The port text \"" + shown +
                "\" is not a port number: write it as &H378 (hexadecimal) or 888 (decimal)";
        return std::nullopt;
    }
    if (*v < kLowestBase || *v > kHighestBase) {
        char range[64];
        std::snprintf(range, sizeof range, "&H%X to &H%X", unsigned{kLowestBase},
                      unsigned{kHighestBase});
        error = "The port text \"" + shown + "\" names no parallel port: the base must lie from " +
                range + " (below &H100 are the system board's own controllers)";
        return std::nullopt;
    }
    return static_cast<uint16_t>(*v);
}

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

// Opens a hardware back end on the real system calls; the error of one
// that did not open.
template <typename Port, typename Make>
OpenedPort OpenHardware(Make make) {
    OpenedPort result;
    auto port = std::make_unique<Owned<Port>>(SystemPortSyscalls(), make);
    if (!port->port().ok())
        result.error = port->port().error();
    else
        result.io = std::move(port);
    return result;
}

} // namespace

void ReleaseOutputs(PortIo& io, uint16_t base) {
    io.PortOut(static_cast<uint16_t>(base + kData), kRestData);
    io.PortOut(static_cast<uint16_t>(base + kControl), kRestControl);
}

OpenedPort OpenPort(const PortOptions& options) {
    OpenedPort result;
    const std::string& d = options.driver;
    if (d == "sim" || d.empty()) {
        auto port = std::make_unique<SimPort>(AnalyserOptionsOf(options), options.base);
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
        result = OpenHardware<PpdevPort>(
            [&](PortSyscalls& sys) { return PpdevPort(device, sys, options.base); });
    } else if (d == "direct") {
        result = OpenHardware<DirectPort>(
            [&](PortSyscalls& sys) { return DirectPort(sys, options.base); });
    } else {
        result.error = "Unknown port driver \"" + d + "\" (use sim, ppdev, ppdev:DEVICE or direct)";
        return result;
    }
    if (!result.ok())
        return result;
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

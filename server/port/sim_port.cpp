#include "server/port/sim_port.h"

namespace port {

SimPort::SimPort(const sim::AnalyserOptions& options, uint16_t base)
    : analyser_(options), clock_(analyser_), base_(base) {}

// The register offsets compared directly: the scan loop's every access
// comes here.
void SimPort::PortOut(uint16_t port, uint8_t value) {
    const int reg = static_cast<int>(port) - base_;
    if (reg == kData)
        analyser_.WriteData(value);
    else if (reg == kControl)
        analyser_.WriteControl(value);
}

uint8_t SimPort::PortIn(uint16_t port) {
    switch (static_cast<int>(port) - base_) {
    case kData: return analyser_.data();
    case kStatus: return analyser_.ReadStatus();
    case kControl: return analyser_.control();
    default: return 0xFF;
    }
}

std::string SimPort::FaultText() const {
    switch (analyser_.fault()) {
    case sim::Fault::kDead: return ", fault: dead converter";
    case sim::Fault::kUnplugged: return ", fault: unplugged";
    case sim::Fault::kStuckBusy: return ", fault: converter stuck busy";
    default: return "";
    }
}

std::string SimPort::Describe() const {
    return std::string("simulated analyser (") +
           (analyser_.virtualTime() ? "virtual time" : "real time") + ", DUT " +
           analyser_.dut().name() + FaultText() + ")";
}

} // namespace port

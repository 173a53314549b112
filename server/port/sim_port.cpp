#include "server/port/sim_port.h"

namespace port {

SimPort::SimPort(const sim::AnalyserOptions& options, uint16_t base)
    : analyser_(options), clock_(analyser_), base_(base) {}

void SimPort::PortOut(uint16_t port, uint8_t value) {
    const char reg = RegisterOf(port, base_);
    if (reg == 'D')
        analyser_.WriteData(value);
    else if (reg == 'C')
        analyser_.WriteControl(value);
}

uint8_t SimPort::PortIn(uint16_t port) {
    switch (RegisterOf(port, base_)) {
    case 'D': return analyser_.data();
    case 'S': return analyser_.ReadStatus();
    case 'C': return analyser_.control();
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

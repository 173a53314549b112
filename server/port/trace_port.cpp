#include "server/port/trace_port.h"

namespace port {

TracePort::TracePort(std::unique_ptr<PortIo> inner, const std::string& path)
    : inner_(std::move(inner)) {
    trace_.Open(path, error_);
}

char TracePort::Reg(uint16_t port) const { return RegisterOf(port, inner_->base()); }

int64_t TracePort::Ns() {
    Clock& c = inner_->clock();
    const int64_t f = c.Frequency();
    const int64_t n = c.Counter();
    if (f == 1'000'000'000 || f <= 0) return n;
    return static_cast<int64_t>(static_cast<double>(n) * 1e9 / static_cast<double>(f));
}

void TracePort::PortOut(uint16_t port, uint8_t value) {
    trace_.Record(Ns(), true, Reg(port), value);
    inner_->PortOut(port, value);
}

uint8_t TracePort::PortIn(uint16_t port) {
    const int64_t t = Ns();
    const uint8_t v = inner_->PortIn(port);
    trace_.Record(t, false, Reg(port), v);
    return v;
}

} // namespace port

#pragma once
// A PortIo that writes every register access of another one to a port
// trace file (sim::PortTrace), timed with that port's clock.

#include "server/port/port_io.h"
#include "sim/port_trace.h"

#include <memory>

namespace port {

class TracePort final : public PortIo {
public:
    /// Takes the traced port over. Check ok() / error() after construction.
    TracePort(std::unique_ptr<PortIo> inner, const std::string& path);
    bool ok() const { return trace_.isOpen(); }
    const std::string& error() const { return error_; }

    void PortOut(uint16_t port, uint8_t value) override;
    uint8_t PortIn(uint16_t port) override;
    bool IsDriverInstalled() const override { return inner_->IsDriverInstalled(); }
    bool SetBase(uint16_t base) override { return inner_->SetBase(base); }
    uint16_t base() const override { return inner_->base(); }
    Clock& clock() override { return inner_->clock(); }
    bool Mount(std::string_view fixture) override { return inner_->Mount(fixture); }
    bool SetDut(std::string_view dut, std::string& error) override {
        return inner_->SetDut(dut, error);
    }
    std::string Describe() const override { return inner_->Describe() + ", traced"; }
    PortIo& inner() { return *inner_; }

private:
    char Reg(uint16_t port) const;
    int64_t Ns();

    std::unique_ptr<PortIo> inner_;
    sim::PortTrace trace_;
    std::string error_;
};

} // namespace port

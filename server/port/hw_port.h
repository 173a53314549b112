#pragma once
// The hardware back ends: Linux ppdev (/dev/parportN) and direct I/O
// (ioperm, outb, inb; x86, root). Their system calls go through a thin seam
// so that the logic (open, claim, register mapping, error texts) is tested
// against a fake.

#include "server/port/port_io.h"

#include <memory>
#include <string>

namespace port {

/// The system calls of the hardware back ends. Each returns what the
/// system call returns (-1 and errno on failure).
class PortSyscalls {
public:
    virtual ~PortSyscalls() = default;
    virtual int Open(const char* path, int flags) = 0;
    virtual int Close(int fd) = 0;
    virtual int Ioctl(int fd, unsigned long request, void* arg) = 0;
    virtual int Ioperm(unsigned long from, unsigned long count, int on) = 0;
    virtual void Outb(uint8_t value, uint16_t port) = 0;
    virtual uint8_t Inb(uint16_t port) = 0;
};

/// The real system calls (ioperm fails with ENOSYS where the machine has no
/// port I/O).
std::unique_ptr<PortSyscalls> SystemPortSyscalls();

/// ppdev: opens the device, claims the port (PPCLAIM); data and control are
/// written with PPWDATA / PPWCONTROL, status read with PPRSTATUS. Addresses
/// are mapped to registers relative to the base.
class PpdevPort final : public PortIo {
public:
    /// Check ok() / error() after construction.
    PpdevPort(std::string device, PortSyscalls& sys, uint16_t base = kDefaultBase);
    ~PpdevPort() override;
    bool ok() const { return fd_ >= 0; }
    const std::string& error() const { return error_; }

    void PortOut(uint16_t port, uint8_t value) override;
    uint8_t PortIn(uint16_t port) override;
    bool IsDriverInstalled() const override { return fd_ >= 0; }
    bool SetBase(uint16_t base) override {
        base_ = base;
        return fd_ >= 0;
    }
    uint16_t base() const override { return base_; }
    Clock& clock() override { return clock_; }
    std::string Describe() const override { return "ppdev " + device_; }

private:
    std::string device_;
    PortSyscalls& sys_;
    uint16_t base_;
    int fd_ = -1;
    std::string error_;
    SteadyClock clock_;
};

/// Direct I/O: ioperm on base..base+2, then outb/inb on the absolute
/// addresses. Addresses outside the granted range are ignored (reads give
/// 0xFF), so a wrong base never touches other hardware.
class DirectPort final : public PortIo {
public:
    DirectPort(PortSyscalls& sys, uint16_t base = kDefaultBase);
    ~DirectPort() override;
    bool ok() const { return granted_; }
    const std::string& error() const { return error_; }

    void PortOut(uint16_t port, uint8_t value) override;
    uint8_t PortIn(uint16_t port) override;
    bool IsDriverInstalled() const override { return granted_; }
    bool SetBase(uint16_t base) override;
    uint16_t base() const override { return base_; }
    Clock& clock() override { return clock_; }
    std::string Describe() const override;

private:
    PortSyscalls& sys_;
    uint16_t base_;
    bool granted_ = false;
    std::string error_;
    SteadyClock clock_;
};

} // namespace port

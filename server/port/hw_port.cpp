#include "server/port/hw_port.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>
#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#define VNA_HAVE_PORT_IO 1
#endif

namespace port {

namespace {

class RealSyscalls final : public PortSyscalls {
public:
    int Open(const char* path, int flags) override { return ::open(path, flags); }
    int Close(int fd) override { return ::close(fd); }
    int Ioctl(int fd, unsigned long request, void* arg) override { return ::ioctl(fd, request, arg); }
    int Ioperm(unsigned long from, unsigned long count, int on) override {
#ifdef VNA_HAVE_PORT_IO
        return ::ioperm(from, count, on);
#else
        errno = ENOSYS;
        return -1;
#endif
    }
    void Outb(uint8_t value, uint16_t port) override {
#ifdef VNA_HAVE_PORT_IO
        ::outb(value, port);
#endif
    }
    uint8_t Inb(uint16_t port) override {
#ifdef VNA_HAVE_PORT_IO
        return ::inb(port);
#else
        return 0xFF;
#endif
    }
};

std::string Hex(uint16_t v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%X", static_cast<unsigned>(v));
    return buf;
}

} // namespace

std::unique_ptr<PortSyscalls> SystemPortSyscalls() { return std::make_unique<RealSyscalls>(); }

PpdevPort::PpdevPort(std::string device, PortSyscalls& sys, uint16_t base)
    : device_(std::move(device)), sys_(sys), base_(base) {
    const int fd = sys_.Open(device_.c_str(), O_RDWR);
    if (fd < 0) {
        error_ = "Cannot open " + device_ + ": " + std::strerror(errno);
        return;
    }
    if (sys_.Ioctl(fd, PPCLAIM, nullptr) < 0) {
        error_ = "Cannot claim " + device_ + ": " + std::strerror(errno);
        sys_.Close(fd);
        return;
    }
    fd_ = fd;
}

PpdevPort::~PpdevPort() {
    if (fd_ >= 0) {
        sys_.Ioctl(fd_, PPRELEASE, nullptr);
        sys_.Close(fd_);
    }
}

void PpdevPort::PortOut(uint16_t port, uint8_t value) {
    if (fd_ < 0) return;
    const char reg = RegisterOf(port, base_);
    unsigned char v = value;
    if (reg == 'D')
        sys_.Ioctl(fd_, PPWDATA, &v);
    else if (reg == 'C')
        sys_.Ioctl(fd_, PPWCONTROL, &v);
}

uint8_t PpdevPort::PortIn(uint16_t port) {
    if (fd_ < 0) return 0xFF;
    const char reg = RegisterOf(port, base_);
    const unsigned long request = reg == 'S' ? PPRSTATUS : reg == 'D' ? PPRDATA : PPRCONTROL;
    unsigned char v = 0xFF;
    if (reg == '?' || sys_.Ioctl(fd_, request, &v) < 0) return 0xFF;
    return v;
}

DirectPort::DirectPort(PortSyscalls& sys, uint16_t base) : sys_(sys), base_(base) {
    SetBase(base);
}

DirectPort::~DirectPort() {
    if (granted_) sys_.Ioperm(base_, 3, 0);
}

bool DirectPort::SetBase(uint16_t base) {
    if (granted_ && base == base_) return true;
    if (granted_) sys_.Ioperm(base_, 3, 0);
    granted_ = false;
    base_ = base;
    if (base < kLowestBase || base > kHighestBase) {
        error_ = "Cannot use port " + Hex(base) + ": a parallel port's base lies from " +
                 Hex(kLowestBase) + " to " + Hex(kHighestBase);
        return false;
    }
    if (sys_.Ioperm(base, 3, 1) < 0) {
        error_ = "Cannot get access to port " + Hex(base) + ": " + std::strerror(errno);
        return false;
    }
    granted_ = true;
    error_.clear();
    return true;
}

void DirectPort::PortOut(uint16_t port, uint8_t value) {
    if (granted_ && port >= base_ && port <= base_ + 2) sys_.Outb(value, port);
}

uint8_t DirectPort::PortIn(uint16_t port) {
    if (granted_ && port >= base_ && port <= base_ + 2) return sys_.Inb(port);
    return 0xFF;
}

std::string DirectPort::Describe() const { return "direct I/O at " + Hex(base_); }

} // namespace port

#pragma once
// Access to the analyser's parallel-port registers: the three operations
// the scan engine needs (PortOut, PortIn, IsDriverInstalled), behind one
// interface with three back ends: the simulated analyser (default), Linux
// ppdev (/dev/parportN) and direct I/O (ioperm/outb/inb, x86, root).

#include "server/port/clock.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace sim {
enum class Fault : int; // sim/analyser.h
}

namespace port {

/// Register offsets from the port base.
enum Register : int { kData = 0, kStatus = 1, kControl = 2 };
constexpr uint16_t kDefaultBase = 0x378;
/// Bases below this are the system board's DMA, interrupt and timer
/// controllers: never an analyser's port.
constexpr uint16_t kLowestBase = 0x100;
/// The highest base whose three registers fit the 16-bit port space.
constexpr uint16_t kHighestBase = 0xFFFD;

/// The port base a port text names ("&H378", "888", "&HD010"): the whole
/// text, blanks around it apart, must read as one number (the shared
/// numeric rules: "&H" hexadecimal, "&O" octal), a whole one from
/// kLowestBase to kHighestBase. Otherwise nothing, and `error` says why
/// in a sentence for the user. Nothing touches a port before this holds.
std::optional<uint16_t> ParseBase(std::string_view text, std::string& error);

/// The register an absolute port number addresses from `base`: 'D' data,
/// 'S' status, 'C' control, '?' any other address. (Inline: every port
/// access of the scan loop asks.)
constexpr char RegisterOf(uint16_t port, uint16_t base) {
    switch (static_cast<int>(port) - base) {
    case kData: return 'D';
    case kStatus: return 'S';
    case kControl: return 'C';
    default: return '?';
    }
}

/// The analyser's port. Owned by the server, used from its one thread only.
/// The scan loop calls PortOut/PortIn millions of times, so they do no more
/// than the access itself. Addresses are absolute port numbers; back ends
/// that map registers (simulated, ppdev) take base, base+1, base+2 as data,
/// status and control and ignore other addresses (reads of them give 0xFF).
class PortIo {
public:
    virtual ~PortIo() = default;

    /// Writes a byte to a register; it is there before the next call.
    virtual void PortOut(uint16_t port, uint8_t value) = 0;
    /// Reads a register's current value.
    virtual uint8_t PortIn(uint16_t port) = 0;
    /// True only when the back end really opened and port access works.
    virtual bool IsDriverInstalled() const = 0;

    /// The port base the engine addresses (default 0x378). Direct I/O asks
    /// for access to the three new addresses; false when that is refused or
    /// the base is outside kLowestBase..kHighestBase (IsDriverInstalled()
    /// is then false too).
    virtual bool SetBase(uint16_t base) = 0;
    virtual uint16_t base() const = 0;

    /// The clock to time the analyser with: the simulator's virtual clock in
    /// virtual time, the steady clock otherwise. Lives as long as the port.
    virtual Clock& clock() = 0;

    /// Mounts a fixture on the simulated analyser: "THRU", "OPEND" (detector
    /// input open), "OPEN", "SHORT", "LOAD" or "DUT" (the device chosen with
    /// the options or SetDut), upper or lower case. Hardware back ends ignore
    /// it and return true; false for an unknown name.
    virtual bool Mount(std::string_view fixture) { return true; }

    /// Chooses the device the "DUT" fixture stands for (a built-in name such
    /// as "bpf10m7" or a Touchstone file path) and mounts it when "DUT" is
    /// mounted. False with a message naming the device or file otherwise;
    /// hardware back ends refuse.
    virtual bool SetDut(std::string_view dut, std::string& error) {
        error = "no simulated analyser on this port";
        return false;
    }

    /// One line for the user: "simulated analyser (virtual time, DUT bpf10m7)",
    /// "ppdev /dev/parport0", "direct I/O at 0x378".
    virtual std::string Describe() const = 0;
};

/// The resting levels of the analyser's lines: every data line low (no
/// serial clock, latch, converter clock or conversion edge can follow) and
/// the control register at 0x01 (converter speed code 0, the user-byte line
/// at the level the engine leaves it between bits).
constexpr uint8_t kRestData = 0x00;
constexpr uint8_t kRestControl = 0x01;

/// Writes the resting levels to the data and control registers at `base`:
/// what the server leaves on the port while no scan runs and nobody drives
/// the analyser.
void ReleaseOutputs(PortIo& io, uint16_t base);

/// How to open the port (the server's --driver, --dut, --virtual-time,
/// --seed, --noise, --trace options).
struct PortOptions {
    /// "sim", "ppdev" (= ppdev:/dev/parport0), "ppdev:DEVICE" or "direct".
    std::string driver = "sim";
    /// Simulated analyser only: device behind the "DUT" fixture, a built-in
    /// name or a Touchstone (S1P/S2P) file path.
    std::string dut = "bpf10m7";
    /// Simulated analyser only: deterministic virtual time instead of the
    /// physical times of port accesses and conversions.
    bool virtualTime = false;
    /// Simulated analyser only: seed of the noise and of the offset drift.
    uint64_t seed = 1;
    /// Simulated analyser only: converter noise on or off.
    bool noise = true;
    /// Simulated analyser only: slow drift of the detector offset on or off.
    bool drift = true;
    /// Simulated analyser only: a fault to show (sim::Fault; none by default).
    sim::Fault fault{};
    /// File to write the port trace to (every register access); empty: none.
    std::string trace;
    /// Port base the back end opens, the one the port text names
    /// (ParseBase); the engine keeps it.
    uint16_t base = kDefaultBase;
};

/// Result of OpenPort: a back end, or a message naming the device and the
/// system's error text ("Cannot open /dev/parport0: No such file or
/// directory"). Nothing silently falls back to the simulator.
struct OpenedPort {
    std::unique_ptr<PortIo> io;
    std::string error;
    bool ok() const { return io != nullptr; }
};

/// Opens the back end the options choose.
OpenedPort OpenPort(const PortOptions& options);

} // namespace port

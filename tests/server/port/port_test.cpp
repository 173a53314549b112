// Port back ends against a fake of their system calls, the high-resolution
// timer, opening back ends by options, the trace and process priority.

#include "server/port/clock.h"
#include "server/port/hw_port.h"
#include "server/port/port_io.h"
#include "server/port/priority.h"
#include "server/port/sim_port.h"
#include "server/port/trace_port.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <map>
#include <vector>

namespace {

class FakeSyscalls final : public port::PortSyscalls {
public:
    int openErrno = 0, claimErrno = 0, iopermErrno = 0;
    std::vector<std::string> calls;
    std::map<unsigned long, unsigned char> written; // ioctl request -> last value
    unsigned char statusValue = 0x5A;
    std::vector<std::pair<uint16_t, uint8_t>> outs;
    bool released = false, closed = false;
    unsigned long permFrom = 0, permCount = 0;
    int permOn = -1;
    std::vector<unsigned long> granted; // every base ioperm was asked to open

    int Open(const char* path, int flags) override {
        calls.push_back(std::string("open ") + path + (flags == O_RDWR ? " rw" : " ?"));
        if (openErrno) { errno = openErrno; return -1; }
        return 7;
    }
    int Close(int fd) override {
        closed = fd == 7;
        return 0;
    }
    int Ioctl(int fd, unsigned long request, void* arg) override {
        if (fd != 7) { errno = EBADF; return -1; }
        if (request == PPCLAIM) {
            calls.push_back("claim");
            if (claimErrno) { errno = claimErrno; return -1; }
            return 0;
        }
        if (request == PPRELEASE) { released = true; return 0; }
        if (request == PPRSTATUS) { *static_cast<unsigned char*>(arg) = statusValue; return 0; }
        if (request == PPWDATA || request == PPWCONTROL) {
            written[request] = *static_cast<unsigned char*>(arg);
            calls.push_back(request == PPWDATA ? "data" : "control");
            return 0;
        }
        return 0;
    }
    int Ioperm(unsigned long from, unsigned long count, int on) override {
        if (on && iopermErrno) { errno = iopermErrno; return -1; }
        permFrom = from;
        permCount = count;
        permOn = on;
        if (on) granted.push_back(from);
        return 0;
    }
    void Outb(uint8_t value, uint16_t p) override { outs.emplace_back(p, value); }
    uint8_t Inb(uint16_t p) override { return static_cast<uint8_t>(p & 0xFF); }
};

TEST(Ppdev, OpensClaimsAndMapsRegistersToIoctls) {
    FakeSyscalls sys;
    {
        port::PpdevPort p("/dev/parport1", sys);
        ASSERT_TRUE(p.ok()) << p.error();
        EXPECT_TRUE(p.IsDriverInstalled());
        EXPECT_EQ(sys.calls[0], "open /dev/parport1 rw");
        EXPECT_EQ(sys.calls[1], "claim");
        p.PortOut(0x378, 0x45);
        p.PortOut(0x37A, 0x0B);
        p.PortOut(0x379, 0x11); // status is read-only: nothing
        p.PortOut(0x400, 0x22); // not ours: nothing
        EXPECT_EQ(sys.written[PPWDATA], 0x45);
        EXPECT_EQ(sys.written[PPWCONTROL], 0x0B);
        EXPECT_EQ(sys.calls.size(), 4u);
        EXPECT_EQ(p.PortIn(0x379), 0x5A);
        EXPECT_EQ(p.PortIn(0x500), 0xFF);
        EXPECT_TRUE(p.SetBase(0x278));
        p.PortOut(0x278, 0x01);
        EXPECT_EQ(sys.written[PPWDATA], 0x01);
        EXPECT_EQ(p.Describe(), "ppdev /dev/parport1");
    }
    EXPECT_TRUE(sys.released);
    EXPECT_TRUE(sys.closed);
}

TEST(Ppdev, FailuresNameTheDeviceAndTheSystemError) {
    FakeSyscalls sys;
    sys.openErrno = ENOENT;
    port::PpdevPort a("/dev/parport0", sys);
    EXPECT_FALSE(a.ok());
    EXPECT_FALSE(a.IsDriverInstalled());
    EXPECT_EQ(a.error(), "Cannot open /dev/parport0: No such file or directory");
    a.PortOut(0x378, 1); // harmless
    EXPECT_EQ(a.PortIn(0x379), 0xFF);

    FakeSyscalls sys2;
    sys2.claimErrno = EBUSY;
    port::PpdevPort b("/dev/parport0", sys2);
    EXPECT_FALSE(b.ok());
    EXPECT_EQ(b.error(), "Cannot claim /dev/parport0: Device or resource busy");
    EXPECT_TRUE(sys2.closed);
}

TEST(Direct, AsksForTheThreeAddressesAndStaysInside) {
    FakeSyscalls sys;
    {
        port::DirectPort p(sys);
        ASSERT_TRUE(p.ok()) << p.error();
        EXPECT_EQ(sys.permFrom, 0x378u);
        EXPECT_EQ(sys.permCount, 3u);
        p.PortOut(0x37A, 9);
        p.PortOut(0x37B, 9); // outside: ignored
        ASSERT_EQ(sys.outs.size(), 1u);
        EXPECT_EQ(sys.outs[0], std::make_pair(uint16_t{0x37A}, uint8_t{9}));
        EXPECT_EQ(p.PortIn(0x379), 0x79);
        EXPECT_EQ(p.PortIn(0x377), 0xFF);
        EXPECT_TRUE(p.SetBase(0x278));
        EXPECT_EQ(sys.permFrom, 0x278u);
        // ioperm covers the whole 16-bit space: a PCIe card's base works.
        EXPECT_TRUE(p.SetBase(0xD010));
        EXPECT_EQ(sys.permFrom, 0xD010u);
        p.PortOut(0xD010, 5);
        EXPECT_EQ(sys.outs.back(), std::make_pair(uint16_t{0xD010}, uint8_t{5}));
        // The system board's controllers and bases whose registers would
        // pass 0xFFFF are refused without asking the system.
        const size_t outs = sys.outs.size(), grants = sys.granted.size();
        for (uint16_t bad : {uint16_t{0x0}, uint16_t{0x80}, uint16_t{0xFF}, uint16_t{0xFFFE}}) {
            EXPECT_FALSE(p.SetBase(bad)) << bad;
            EXPECT_FALSE(p.IsDriverInstalled());
            p.PortOut(bad, 1);
            EXPECT_EQ(p.PortIn(uint16_t(bad + 1)), 0xFF);
        }
        EXPECT_EQ(sys.outs.size(), outs);
        EXPECT_EQ(sys.granted.size(), grants);
        EXPECT_NE(p.error().find("0xFFFE"), std::string::npos) << p.error();
    }
    // Opened at the base the port text names, and only there.
    FakeSyscalls pcie;
    {
        port::DirectPort p(pcie, 0xD010);
        ASSERT_TRUE(p.ok()) << p.error();
        EXPECT_EQ(pcie.granted, std::vector<unsigned long>{0xD010});
    }
    FakeSyscalls none;
    none.iopermErrno = ENOSYS;
    port::DirectPort q(none);
    EXPECT_FALSE(q.ok());
    EXPECT_EQ(q.error(), "Cannot get access to port 0x378: Function not implemented");
    q.PortOut(0x378, 1);
    EXPECT_TRUE(none.outs.empty());
}

struct ManualClock : port::Clock {
    int64_t freq = 1000, now = 0;
    int64_t Frequency() const override { return freq; }
    int64_t Counter() override { return now; }
};

TEST(HiResTimer, ElapsedTimesAndNoCounter) {
    ManualClock c;
    port::HiResTimer t(c);
    EXPECT_DOUBLE_EQ(t.frequency(), 1000.0);
    EXPECT_DOUBLE_EQ(t.Resolution(), 0.001);
    c.now = 500;
    t.StartTimer();
    c.now = 2500;
    EXPECT_DOUBLE_EQ(t.ElapsedNow(), 2.0);
    t.StopTimer();
    c.now = 9999;
    EXPECT_DOUBLE_EQ(t.ElapsedStopped(), 2.0);
    EXPECT_EQ(t.CounterAfter(1.0), 500 + 1001);

    ManualClock none;
    none.freq = 0;
    port::HiResTimer n(none);
    EXPECT_DOUBLE_EQ(n.frequency(), -1.0);
    n.StartTimer();
    none.now = 10;
    EXPECT_LT(n.ElapsedNow(), 0.0);

    // Counter halves: low 32 bits unsigned, high 32 bits times 2^32.
    EXPECT_DOUBLE_EQ(port::HiResTimer::CounterToDouble(0xFFFFFFFFll), 4294967295.0);
    EXPECT_DOUBLE_EQ(port::HiResTimer::CounterToDouble(0x100000002ll), 4294967298.0);

    port::SteadyClock steady;
    const int64_t a = steady.Counter();
    EXPECT_GE(steady.Counter(), a);
}

TEST(PortText, NamesABaseOrIsRefusedWithAReason) {
    std::string why;
    EXPECT_EQ(port::ParseBase("&H378", why), 0x378);
    EXPECT_EQ(port::ParseBase("888", why), 0x378);
    EXPECT_EQ(port::ParseBase(" &HD010 ", why), 0xD010);
    EXPECT_EQ(port::ParseBase("&HFFFD", why), 0xFFFD);
    EXPECT_EQ(port::ParseBase("&H100", why), 0x100);
    // Not a number as the suite reads numbers: "0x378" would read as 0.
    for (const char* text : {"0x378", "", "LPT1", "378h", "&H", "888.5", "1e9x"}) {
        why.clear();
        EXPECT_FALSE(port::ParseBase(text, why)) << text;
        EXPECT_NE(why.find(std::string("\"") + text + "\""), std::string::npos) << why;
        EXPECT_NE(why.find("not a port number"), std::string::npos) << why;
    }
    // The system board's DMA, interrupt and timer controllers, and bases
    // whose registers would pass 0xFFFF.
    for (const char* text : {"0", "&H20", "&HFF", "-888", "&HFFFE", "70000"}) {
        why.clear();
        EXPECT_FALSE(port::ParseBase(text, why)) << text;
        EXPECT_NE(why.find("&H100"), std::string::npos) << why;
    }
}

TEST(OpenPort, OpensAtTheNamedBase) {
    port::PortOptions o;
    o.virtualTime = true;
    o.base = 0x278;
    auto sim = port::OpenPort(o);
    ASSERT_TRUE(sim.ok()) << sim.error;
    EXPECT_EQ(sim.io->base(), 0x278);
    EXPECT_EQ(sim.io->PortIn(0x279) & 0x7F, 0x7F); // the status register is there
    EXPECT_EQ(sim.io->PortIn(0x379), 0xFF);        // nothing at the default base
}

TEST(OpenPort, ChoosesBackEndsAndReportsFailures) {
    port::PortOptions o;
    o.virtualTime = true;
    auto sim = port::OpenPort(o);
    ASSERT_TRUE(sim.ok()) << sim.error;
    EXPECT_TRUE(sim.io->IsDriverInstalled());
    EXPECT_EQ(sim.io->Describe(), "simulated analyser (virtual time, DUT bpf10m7)");
    EXPECT_TRUE(sim.io->Mount("SHORT"));
    EXPECT_FALSE(sim.io->Mount("BANANA"));
    std::string err;
    EXPECT_TRUE(sim.io->SetDut("lpf30m", err));
    EXPECT_EQ(sim.io->PortIn(0x379) & 0x7F, 0x7F);

    o.driver = "ppdev:/dev/no-such-parport";
    auto pp = port::OpenPort(o);
    EXPECT_FALSE(pp.ok());
    EXPECT_EQ(pp.error, "Cannot open /dev/no-such-parport: No such file or directory");

    o.driver = "direct";
    auto direct = port::OpenPort(o);
    if (!direct.ok()) {
        EXPECT_NE(direct.error.find("Cannot get access to port 0x378: "), std::string::npos);
    }

    o.driver = "lpt1";
    auto bad = port::OpenPort(o);
    EXPECT_FALSE(bad.ok());
    EXPECT_NE(bad.error.find("\"lpt1\""), std::string::npos);

    o.driver = "sim";
    o.dut = "nope.s2p";
    auto nodut = port::OpenPort(o);
    EXPECT_FALSE(nodut.ok());
    EXPECT_NE(nodut.error.find("nope.s2p"), std::string::npos);

    o.dut = "bpf10m7";
    o.trace = "/nonexistent-dir/t.txt";
    auto notrace = port::OpenPort(o);
    EXPECT_FALSE(notrace.ok());
    EXPECT_NE(notrace.error.find("/nonexistent-dir/t.txt"), std::string::npos);
}

TEST(TracePort, WritesEveryAccessWithVirtualTime) {
    const std::string path = ::testing::TempDir() + "port_trace_test.txt";
    port::PortOptions o;
    o.virtualTime = true;
    o.trace = path;
    {
        auto opened = port::OpenPort(o);
        ASSERT_TRUE(opened.ok()) << opened.error;
        auto& p = *opened.io;
        p.PortOut(0x37A, 0x09);
        p.PortOut(0x378, 0x45);
        p.PortOut(0x37A, 0x09);
        p.PortOut(0x378, 0x41);
        p.PortIn(0x379);
        EXPECT_NE(p.Describe().find("traced"), std::string::npos);
    }
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "0 W C 09");
    EXPECT_EQ(lines[1], "1000 W D 45");
    EXPECT_EQ(lines[2], "2000 W C 09");
    EXPECT_EQ(lines[3], "3000 W D 41");
    EXPECT_EQ(lines[4].substr(0, 9), "4000 R S ");
    std::remove(path.c_str());
}

TEST(Priority, NormalAlwaysWorksAndUnknownClassesAreRefused) {
    EXPECT_TRUE(port::SetOwnPriority(port::kNormalPriorityClass));
    const bool raised = port::SetOwnPriority(port::kRealtimePriorityClass); // may be refused
    (void)raised;
    EXPECT_TRUE(port::SetOwnPriority(port::kNormalPriorityClass)); // back from whatever it was
    EXPECT_FALSE(port::SetOwnPriority(0x12345));
}

} // namespace

#pragma once
// VNA01, the scan engine: two scan tables, the serial images of the two
// synthesizers, and the endless scan loop that shifts the words out over
// the port, waits the settling time, runs the converter, reads it bit by bit
// and reports every measured row. Standard C++ only.

#include "server/engine/scan_table.h"
#include "server/engine/vna_events.h"
#include "server/port/clock.h"
#include "server/port/port_io.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace engine {

/// Result of a table operation. Anything but Ok leaves the table as it was.
enum class VnaResult {
    Ok,
    BadTable,  ///< table not 0 or 1
    BadIndex,  ///< entry beyond 599, row beyond 1200, numtest outside 1..596
    Overflow,  ///< a value or a computed frequency word does not fit its field
    BadSpeed,  ///< converter speed outside 0..3
    BadPort,   ///< port text is not a port base (port::ParseBase)
    BadClock,  ///< clock text gives no positive finite step size
};

/// Short English text of a result ("table out of range").
const char* ResultText(VnaResult result);

/// The scan engine. Lives on the server's one thread; all calls, including
/// those made from the yield hook and from event handlers while the loop
/// runs, come from that thread.
///
/// Re-entrancy: setphys and NewScan run the scan loop and return only when
/// it ends. Called while the loop runs (from the yield hook or an event),
/// they do not start a second loop: they restart the running loop from
/// row 0 on the given table and return at once.
class VNA01 {
public:
    static constexpr std::array<uint8_t, 4> SpeedCodes{8, 10, 2, 0};
    static constexpr int16_t kStatusLoopEnded = 10;
    static constexpr int16_t kStatusSetUpScan = 88;
    /// The converter has not become ready for kFaultFactor times its
    /// conversion time (once per fault episode), and it answers again.
    static constexpr int16_t kStatusNoAnswer = 95;
    static constexpr int16_t kStatusAnswers = 96;
    /// Conversion time of the converter at speed index 0..3, milliseconds.
    static constexpr std::array<int, 4> kConversionMs{133, 40, 20, 10};
    static constexpr int kFaultFactor = 10;
    /// What the status window shows while the converter does not answer.
    static constexpr const char* kNoAnswerText =
        "the analyser does not answer: is it switched on and connected?";

    /// The port and the events receiver must outlive the engine. Runs
    /// InitEngine: raises Notice(" Init Port RC =False") when the port does
    /// not work.
    VNA01(port::PortIo& io, VnaEvents& events);
    VNA01(const VNA01&) = delete;
    VNA01& operator=(const VNA01&) = delete;

    bool Running() const { return Running_; }
    /// Setting false ends the loop at the end of the current iteration.
    void setRunning(bool running) { Running_ = running; }

    /// InitEngine; port base := value of `p` ("&H378", port::ParseBase:
    /// a whole number from 0x100 to 0xFFFD); StepSize := value of
    /// `clk` (MHz) * 10 000 000 / 2^32; SetUpScan(0, 100, 490000, 600000000,
    /// 3, 20, 24, 255, 255, 255, 255, 255); then runs the scan loop. A bad
    /// `p` or `clk` returns an error before anything changes.
    VnaResult setphys(std::string_view p, std::string_view clk);

    /// Fills table `ta` with a linear sweep: entry 0 the reference, entries
    /// 1..numtest+1 from SF to EF, end markers on entries numtest+2 and
    /// numtest+3. Raises Stateinfo(88).
    VnaResult SetUpScan(int16_t ta, int16_t numtest, int32_t SF, int32_t EF, int16_t ADCS,
                        int16_t VnaT, int16_t ADCBi, int16_t B0, int16_t B1, int16_t B2,
                        int16_t B3, int16_t B4);
    /// Writes entry Idx (rows 2*Idx with LO phase 0 and 2*Idx+1 with LO
    /// phase 8); entry 0 is the powered-down reference with 40 ms settling;
    /// e = 1 marks both rows as end.
    VnaResult SetUpEntry(int16_t ta, int16_t Idx, int32_t F, int16_t ADCS, int16_t VnaT,
                         int16_t ADCBi, int16_t e, int16_t B0, int16_t B1, int16_t B2,
                         int16_t B3, int16_t B4);
    /// Sets End on both rows of entry Idx.
    VnaResult MarkEnd(int16_t ta, int16_t Idx);
    /// Changes field `Fiel` (case-sensitive name) of ROW Idx (0..1200).
    /// Unknown names and speeds outside 0..3 only set Label11 ("Missed case",
    /// "no correction") and return Ok, as the server always did.
    VnaResult EditEntry(int16_t ta, int16_t Idx, std::string_view Fiel, int32_t valu);
    /// Makes `ta` the current table (Command1 "Table = 1") and runs the loop.
    VnaResult NewScan(int16_t ta);
    void Contscan() { Running_ = true; }
    void Strtscan() { if (!Running_) Running_ = true; }
    /// The loop ends at the end of the next iteration that ends in state 1.
    void Stopscan() { StopRequested_ = true; }

    /// Called where the loop lets pending window events run: every iteration
    /// that waits (initial load, settling, converter busy), around speed
    /// changes, in state 3 and after each DataReady. Whatever the port
    /// answers, the loop reaches it at least every few milliseconds.
    void setYieldHook(std::function<void()> hook) { yield_ = std::move(hook); }
    /// Sets the process priority (0x20 normal, 0x100 realtime); default
    /// port::SetOwnPriority. Tests install a recorder.
    void setPriorityHook(std::function<bool(int32_t)> hook) { priority_ = std::move(hook); }

    const VnaStatus& status() const { return status_; }
    /// Read access to a row (table 0/1, row 0..1200; clamped).
    const ScanRow& row(int ta, int r) const;

    // Engine state, for the status window and tests.
    double StepSize() const { return StepSize_; }
    uint16_t portBase() const { return PortBase_; }
    int CurrentTable() const { return CurrentTable_; }
    int LoadRow() const { return LoadRow_; }
    int ReadRow() const { return ReadRow_; }
    int ScanState() const { return State_; }
    int LoadPhase() const { return LoadPhase_; }
    int CurrentSpeed() const { return CurrentSpeed_; }
    int BitCounter() const { return BitCounter_; }
    bool StatusBit() const { return StatusBit_; }
    /// Iterations of the loop since the object was made.
    uint64_t iterations() const { return iterations_; }
    /// True from the report of a converter that does not answer until it
    /// answers again.
    bool converterFault() const { return fault_; }

    /// `ComputeBits` of the row (both serial images) from its frequencies,
    /// on-flags and phases at the current StepSize. Overflow when a
    /// frequency word does not fit 32 bits (row unchanged).
    VnaResult ComputeBits(int ta, int r);
    /// The frequency word of a frequency at the current StepSize (rounded,
    /// halves to even); nothing when it does not fit 32 bits.
    std::optional<int32_t> FrequencyWord(int32_t tenthsHz) const;
    /// The next row to run after `index` in the current table: skips Skip
    /// rows, wraps to 0 past row 1200 or on an End row. Nothing when every
    /// row up to the end marker is skipped.
    std::optional<int> NextRow(int index) const;

private:
    void InitEngine();
    void RunScanLoop();
    void StartLoop();
    void Yield();
    void SetPriority(int32_t priorityClass);
    void ShiftBit();
    void AdcStep();
    void ReportRate();
    bool EmptyTable();
    void Iterate();
    void StartConverterWait();
    void ConverterWait();
    void Idle(int64_t until, int64_t now);

    port::PortIo& io_;
    VnaEvents& events_;
    std::function<void()> yield_;
    std::function<bool(int32_t)> priority_;

    std::array<ScanTable, kTableCount> tables_{};
    VnaStatus status_;

    bool Running_ = false;
    bool StopRequested_ = false;
    bool inLoop_ = false;
    bool restart_ = false;
    int CurrentTable_ = 0;
    int LoadRow_ = 0;
    int ReadRow_ = 0;
    int BitCounter_ = 0;
    int AdcCount_ = 0;
    bool AdcSignRef_ = false;
    bool AdcDone_ = false;
    bool fault_ = false;      // the converter did not answer in time
    bool StatusBit_ = false;
    int CurrentSpeed_ = 0;
    int State_ = 0;
    int LoadPhase_ = 0;
    uint8_t DataOut1_ = 0, DataOut2_ = 0, CtrlOut1_ = 0, CtrlOut2_ = 0;
    double StepSize_ = 0.0;
    uint16_t PortBase_ = port::kDefaultBase;
    port::HiResTimer RateTimer_;
    port::HiResTimer SettleTimer_;
    port::HiResTimer ConvertTimer_; // since the conversion being waited for started
    int64_t minIdle_ = 0;           // the clock's MinIdle()
    int64_t settleIdle_ = -1;       // counter at the end of this row's settling; -1: not yet
    uint64_t iterations_ = 0;
};

} // namespace engine

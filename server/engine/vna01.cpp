#include "server/engine/vna01.h"

#include "link/text_rules.h"
#include "server/port/priority.h"

#include <cmath>
#include <limits>

namespace engine {

namespace {

constexpr double kTwo32 = 4294967296.0;
constexpr double kDefaultStepSize = 1483419000.0 / kTwo32; // clock 148.3419 MHz
constexpr uint8_t kSynthData = 0x01 | 0x02;
constexpr uint8_t kSerialClock = 0x04;
constexpr uint8_t kLatch = 0x08;
constexpr uint8_t kAdcClock = 0x20;
constexpr uint8_t kConvert = 0x40;
// How often a converter that is long overdue is looked at, seconds.
constexpr double kLatePollS = 0.001;

// One serial image: 32 word bits least significant first, two zeros, the
// power-down bit, five phase bits.
void FillImage(std::array<uint8_t, kSerialBits>& bits, int32_t word, int16_t on, int16_t phase) {
    int32_t w = word;
    for (int i = 0; i < 32; ++i) {
        bits[i] = (w & 1) ? 0xFF : 0;
        w /= 2;
    }
    bits[32] = 0;
    bits[33] = 0;
    bits[34] = on != 0 ? 0 : 0xFF;
    int32_t p = phase;
    for (int i = 35; i < kSerialBits; ++i) {
        bits[i] = (p & 1) ? 0xFF : 0;
        p /= 2;
    }
}

bool ValidTable(int ta) { return ta >= 0 && ta < kTableCount; }

} // namespace

const char* ResultText(VnaResult result) {
    switch (result) {
    case VnaResult::Ok: return "ok";
    case VnaResult::BadTable: return "table out of range";
    case VnaResult::BadIndex: return "index out of range";
    case VnaResult::Overflow: return "value out of range";
    case VnaResult::BadSpeed: return "converter speed out of range";
    case VnaResult::BadPort: return "the port text names no parallel port base (&H100 to &HFFFD)";
    case VnaResult::BadClock: return "bad synthesizer clock";
    }
    return "unknown";
}

VNA01::VNA01(port::PortIo& io, VnaEvents& events)
    : io_(io), events_(events), priority_(port::SetOwnPriority), RateTimer_(io.clock()),
      SettleTimer_(io.clock()), ConvertTimer_(io.clock()) {
    InitEngine();
}

void VNA01::InitEngine() {
    RateTimer_ = port::HiResTimer(io_.clock());
    SettleTimer_ = port::HiResTimer(io_.clock());
    ConvertTimer_ = port::HiResTimer(io_.clock());
    minIdle_ = io_.clock().MinIdle();
    StepSize_ = kDefaultStepSize;
    // The base the port was opened at (0x378 unless the port text named
    // another): asking a direct-I/O port for 0x378 here would reach for a
    // port the user never named.
    PortBase_ = io_.base();
    StopRequested_ = false;
    if (!io_.IsDriverInstalled())
        events_.Notice(" Init Port RC =False");
}

const ScanRow& VNA01::row(int ta, int r) const {
    if (!ValidTable(ta)) ta = 0;
    if (r < 0) r = 0;
    if (r > kLastRow) r = kLastRow;
    return tables_[ta][r];
}

std::optional<int32_t> VNA01::FrequencyWord(int32_t tenthsHz) const {
    return txt::ToInt32(static_cast<double>(tenthsHz) / StepSize_);
}

VnaResult VNA01::ComputeBits(int ta, int r) {
    if (!ValidTable(ta)) return VnaResult::BadTable;
    if (r < 0 || r > kLastRow) return VnaResult::BadIndex;
    ScanRow& row = tables_[ta][r];
    const auto wrf = FrequencyWord(row.rf);
    const auto wlo = FrequencyWord(row.lo);
    if (!wrf || !wlo) return VnaResult::Overflow;
    FillImage(row.RfBits, *wrf, row.RfOn, row.RFPH);
    FillImage(row.LoBits, *wlo, row.LoOn, row.LOPH);
    return VnaResult::Ok;
}

VnaResult VNA01::SetUpEntry(int16_t ta, int16_t Idx, int32_t F, int16_t ADCS, int16_t VnaT,
                            int16_t ADCBi, int16_t e, int16_t B0, int16_t B1, int16_t B2,
                            int16_t B3, int16_t B4) {
    if (!ValidTable(ta)) return VnaResult::BadTable;
    if (Idx < 0 || Idx > kLastEntry) return VnaResult::BadIndex;
    if (ADCS < 0 || ADCS > 3) return VnaResult::BadSpeed;
    const auto word = FrequencyWord(F);
    if (!word) return VnaResult::Overflow;
    for (int k = 0; k < 2; ++k) {
        const int r = 2 * Idx + k;
        ScanRow& row = tables_[ta][r];
        row.rf = F;
        row.lo = F;
        row.RfOn = row.LoOn = Idx != 0 ? 1 : 0;
        row.RFPH = 0;
        row.LOPH = k == 0 ? 0 : 8;
        row.adcspeed = ADCS;
        row.VNATime = Idx == 0 ? 40 : VnaT;
        row.ADCBits = ADCBi;
        row.Phase = static_cast<int16_t>(k);
        row.Skip = 0;
        row.End = e == 1 ? 1 : 0;
        row.Tag = static_cast<int16_t>(r);
        row.B0 = static_cast<uint8_t>(B0 & 0xFF);
        row.B1 = static_cast<uint8_t>(B1 & 0xFF);
        row.B2 = static_cast<uint8_t>(B2 & 0xFF);
        row.B3 = static_cast<uint8_t>(B3 & 0xFF);
        row.B4 = static_cast<uint8_t>(B4 & 0xFF);
        FillImage(row.RfBits, *word, row.RfOn, row.RFPH);
        FillImage(row.LoBits, *word, row.LoOn, row.LOPH);
    }
    return VnaResult::Ok;
}

VnaResult VNA01::SetUpScan(int16_t ta, int16_t numtest, int32_t SF, int32_t EF, int16_t ADCS,
                           int16_t VnaT, int16_t ADCBi, int16_t B0, int16_t B1, int16_t B2,
                           int16_t B3, int16_t B4) {
    if (!ValidTable(ta)) return VnaResult::BadTable;
    // Entries 0..numtest+1 carry the sweep, numtest+2 and numtest+3 the end.
    if (numtest < 1 || numtest + 3 > kLastEntry) return VnaResult::BadIndex;
    if (ADCS < 0 || ADCS > 3) return VnaResult::BadSpeed;
    const double step = (static_cast<double>(EF) - static_cast<double>(SF)) / numtest;
    std::array<int32_t, kLastEntry + 1> freq{};
    for (int i = 0; i <= numtest + 1; ++i) {
        const auto f = txt::ToInt32(static_cast<double>(SF) + i * step - step);
        if (!f || !FrequencyWord(*f)) return VnaResult::Overflow;
        freq[i] = *f;
    }
    // Everything is checked: the writes below cannot fail.
    for (int i = 0; i <= numtest + 1; ++i)
        SetUpEntry(ta, static_cast<int16_t>(i), freq[i], ADCS, VnaT, ADCBi, 0, B0, B1, B2, B3, B4);
    // End the table right after the last point, so that no row left over
    // from a longer earlier sweep is measured; the marker on numtest+3 stays
    // where it always was.
    const int32_t last = freq[numtest + 1];
    SetUpEntry(ta, static_cast<int16_t>(numtest + 2), last, ADCS, VnaT, ADCBi, 1, 0, 0, 0, 0, 0);
    SetUpEntry(ta, static_cast<int16_t>(numtest + 3), last, ADCS, VnaT, ADCBi, 1, 0, 0, 0, 0, 0);
    events_.Stateinfo(kStatusSetUpScan);
    return VnaResult::Ok;
}

VnaResult VNA01::MarkEnd(int16_t ta, int16_t Idx) {
    if (!ValidTable(ta)) return VnaResult::BadTable;
    if (Idx < 0 || Idx > kLastEntry) return VnaResult::BadIndex;
    tables_[ta][2 * Idx].End = 1;
    tables_[ta][2 * Idx + 1].End = 1;
    return VnaResult::Ok;
}

VnaResult VNA01::EditEntry(int16_t ta, int16_t Idx, std::string_view Fiel, int32_t valu) {
    if (!ValidTable(ta)) return VnaResult::BadTable;
    if (Idx < 0 || Idx > kLastRow) return VnaResult::BadIndex;
    ScanRow& row = tables_[ta][Idx];
    const auto v16 = txt::ToInt16(static_cast<double>(valu));

    if (Fiel == "adcspeed") {
        if (valu >= 0 && valu <= 3)
            row.adcspeed = static_cast<int16_t>(valu);
        else
            status_.Label11 = "no correction";
        return VnaResult::Ok;
    }
    if (Fiel == "rf" || Fiel == "lo") {
        if (!FrequencyWord(valu)) return VnaResult::Overflow;
        (Fiel == "rf" ? row.rf : row.lo) = valu;
        return ComputeBits(ta, Idx);
    }
    if (Fiel == "RFPH" || Fiel == "LOPH") {
        if (!v16) return VnaResult::Overflow;
        const ScanRow before = row;
        (Fiel == "RFPH" ? row.RFPH : row.LOPH) = *v16;
        const VnaResult r = ComputeBits(ta, Idx);
        if (r != VnaResult::Ok) row = before; // a word stored under another step size
        return r;
    }
    if (Fiel == "Tag") {
        row.Tag = static_cast<int16_t>(2 * Idx + 1);
        return VnaResult::Ok;
    }
    if (Fiel == "VNATime") {
        if (Idx > 1) {
            if (!v16) return VnaResult::Overflow;
            row.VNATime = *v16;
        }
        return VnaResult::Ok;
    }
    if (Fiel == "ADCBits" || Fiel == "Phase") {
        if (!v16) return VnaResult::Overflow;
        (Fiel == "ADCBits" ? row.ADCBits : row.Phase) = *v16;
        return VnaResult::Ok;
    }
    if (Fiel == "Skip" || Fiel == "End") {
        (Fiel == "Skip" ? row.Skip : row.End) = valu != 0 ? 1 : 0;
        return VnaResult::Ok;
    }
    if (Fiel.size() == 2 && Fiel[0] == 'B' && Fiel[1] >= '0' && Fiel[1] <= '4') {
        if (valu < 0 || valu > 255) return VnaResult::Overflow;
        uint8_t* bytes[] = {&row.B0, &row.B1, &row.B2, &row.B3, &row.B4};
        *bytes[Fiel[1] - '0'] = static_cast<uint8_t>(valu);
        return VnaResult::Ok;
    }
    status_.Label11 = "Missed case";
    return VnaResult::Ok;
}

VnaResult VNA01::setphys(std::string_view p, std::string_view clk) {
    std::string why;
    const auto base = port::ParseBase(p, why);
    if (!base) return VnaResult::BadPort;
    const double step = txt::Val(clk) * 10000000.0 / kTwo32;
    if (!std::isfinite(step) || step <= 0.0) return VnaResult::BadClock;
    // The default sweep must fit the frequency words at this clock.
    const double saved = StepSize_;
    StepSize_ = step;
    const bool fits = FrequencyWord(600000000) && FrequencyWord(490000 - 5995100);
    StepSize_ = saved;
    if (!fits) return VnaResult::BadClock;

    InitEngine();
    PortBase_ = *base;
    if (PortBase_ != io_.base() && !io_.SetBase(PortBase_))
        events_.Notice(" Init Port RC =False");
    StepSize_ = step;
    SetUpScan(0, 100, 490000, 600000000, 3, 20, 24, 255, 255, 255, 255, 255);
    if (inLoop_) {
        // Commands take effect in their order: a stop asked for before this
        // restart is overtaken by it.
        restart_ = true;
        StopRequested_ = false;
        return VnaResult::Ok;
    }
    RunScanLoop();
    return VnaResult::Ok;
}

VnaResult VNA01::NewScan(int16_t ta) {
    if (!ValidTable(ta)) return VnaResult::BadTable;
    CurrentTable_ = ta;
    status_.Command1 = "Table =" + txt::N(ta);
    if (inLoop_) {
        // Commands take effect in their order: a stop asked for before this
        // restart is overtaken by it.
        restart_ = true;
        StopRequested_ = false;
        return VnaResult::Ok;
    }
    RunScanLoop();
    return VnaResult::Ok;
}

std::optional<int> VNA01::NextRow(int index) const {
    const ScanTable& t = tables_[CurrentTable_];
    auto advance = [&t](int i) {
        ++i;
        if (i > kLastRow || t[i].End) i = 0;
        return i;
    };
    int i = advance(index < 0 ? -1 : index);
    // A cycle through the table visits at most kRowCount rows: more steps
    // mean every row up to the end marker is skipped.
    for (int steps = 0; t[i].Skip; ++steps) {
        if (steps > kRowCount) return std::nullopt;
        i = advance(i);
    }
    return i;
}

void VNA01::Yield() {
    if (yield_) yield_();
}

void VNA01::SetPriority(int32_t priorityClass) {
    if (priority_) priority_(priorityClass);
}

bool VNA01::EmptyTable() {
    Running_ = false;
    StopRequested_ = false;
    status_.problem = "Scan table" + txt::N(CurrentTable_) +
                      " has no row to run: every row up to the end marker is skipped";
    events_.Notice(status_.problem);
    return false;
}

void VNA01::StartLoop() {
    restart_ = false;
    status_.problem.clear();
    const auto first = NextRow(0);
    if (!first) {
        EmptyTable();
        return;
    }
    LoadRow_ = *first;
    ReadRow_ = 0;
    State_ = 0;
    LoadPhase_ = 0;
    BitCounter_ = 0;
    AdcCount_ = 0;
    Running_ = true;
    StopRequested_ = false;
}

void VNA01::RunScanLoop() {
    inLoop_ = true;
    StartLoop();
    while (Running_) {
        if (restart_) {
            // A stop asked for after the restart still holds.
            const bool stop = StopRequested_;
            StartLoop();
            if (!Running_) break;
            StopRequested_ = stop;
        }
        Iterate();
    }
    inLoop_ = false;
    restart_ = false;
    events_.Stateinfo(kStatusLoopEnded);
}

void VNA01::Iterate() {
    ++iterations_;
    ScanTable& t = tables_[CurrentTable_];
    DataOut1_ = DataOut2_ = 0;
    CtrlOut1_ = CtrlOut2_ = SpeedCodes[t[LoadRow_].adcspeed & 3] | 1;
    bool waiting = false; // nothing to do this iteration but wait

    switch (State_) {
    case 0:
        events_.Stateinfo(3);
        if (LoadPhase_ == 0) {
            BitCounter_ = 0;
            events_.Stateinfo(90);
            CurrentSpeed_ = t[LoadRow_].adcspeed;
            LoadPhase_ = 1;
        } else if (LoadPhase_ == 1) {
            if (BitCounter_ > 39) {
                LoadPhase_ = 2;
            } else {
                DataOut1_ |= kConvert;
                DataOut2_ |= kConvert;
                ShiftBit();
            }
            if (LoadPhase_ == 2) StartConverterWait();
        } else {
            DataOut1_ |= kConvert;
            ConverterWait();
            waiting = true;
            if (!StatusBit_) {
                State_ = 1;
                LoadPhase_ = 0;
            }
        }
        break;
    case 1: {
        if (ReadRow_ % 10 == 0) {
            RateTimer_.StopTimer();
            ReportRate();
            RateTimer_.StartTimer();
        }
        events_.Stateinfo(4);
        DataOut2_ |= kLatch;
        const auto next = NextRow(LoadRow_);
        if (!next) {
            EmptyTable();
            break;
        }
        LoadRow_ = *next;
        const int speed = tables_[CurrentTable_][LoadRow_].adcspeed & 3;
        if (CurrentSpeed_ != speed) {
            SetPriority(port::kNormalPriorityClass);
            io_.PortOut(static_cast<uint16_t>(PortBase_ + port::kControl), SpeedCodes[speed]);
            Yield();
            CurrentSpeed_ = speed;
            SetPriority(port::kRealtimePriorityClass);
        }
        SettleTimer_.StartTimer();
        settleIdle_ = -1;
        BitCounter_ = 0;
        AdcDone_ = false;
        AdcStep();
        State_ = 2;
        break;
    }
    case 2:
        events_.Stateinfo(5);
        ShiftBit();
        if (AdcDone_) {
            const int16_t settle = tables_[CurrentTable_][LoadRow_].VNATime;
            // Without a high-resolution counter elapsed times are negative;
            // the wait then ends at once instead of never.
            if (SettleTimer_.frequency() <= 0.0 || SettleTimer_.ElapsedNow() * 1000.0 > settle)
                State_ = 3;
            else if (BitCounter_ > 39) { // only waiting from here on
                if (settleIdle_ < 0) settleIdle_ = SettleTimer_.CounterAfter(settle / 1000.0);
                Idle(settleIdle_, SettleTimer_.now());
                waiting = true;
            }
        } else {
            AdcStep();
        }
        break;
    case 3:
        events_.Stateinfo(6);
        ShiftBit();
        if (AdcDone_) {
            SetPriority(port::kNormalPriorityClass);
            Yield();
            DataOut1_ |= kConvert;
            DataOut2_ |= kConvert;
            State_ = 4;
            StartConverterWait(); // the conversion starts with the writes below
        } else {
            AdcStep();
        }
        break;
    default:
        events_.Stateinfo(7);
        if (BitCounter_ > 39) {
            DataOut1_ |= kConvert;
            ConverterWait();
            if (!StatusBit_) {
                State_ = 1;
                const auto next = NextRow(ReadRow_);
                if (next)
                    ReadRow_ = *next;
                else
                    EmptyTable();
            }
        } else {
            ShiftBit();
        }
        break;
    }

    const uint16_t data = PortBase_;
    const auto control = static_cast<uint16_t>(PortBase_ + port::kControl);
    io_.PortOut(control, CtrlOut1_);
    io_.PortOut(data, DataOut1_);
    io_.PortOut(control, CtrlOut2_);
    io_.PortOut(data, DataOut2_);
    // Every iteration that waits yields, and every one of state 4.
    if (waiting || State_ == 4) Yield();
    StatusBit_ = (io_.PortIn(static_cast<uint16_t>(PortBase_ + port::kStatus)) & 0x80) != 0;
    if (StopRequested_ && State_ == 1) {
        Running_ = false;
        StopRequested_ = false;
    }
}

void VNA01::StartConverterWait() { ConvertTimer_.StartTimer(); }

// An iteration that waits for the converter's ready level (StatusBit_ as read
// after the previous iteration). A converter that has not become ready for
// kFaultFactor times its conversion time is reported once (Stateinfo 95,
// status fault text) and again when it answers (96); the loop keeps waiting.
void VNA01::ConverterWait() {
    if (!StatusBit_) {
        if (fault_) {
            fault_ = false;
            status_.fault.clear();
            events_.Stateinfo(kStatusAnswers);
        }
        return;
    }
    if (ConvertTimer_.frequency() <= 0.0) return; // no counter: nothing to time
    const double conversion = kConversionMs[CurrentSpeed_ & 3] / 1000.0;
    const double elapsed = ConvertTimer_.ElapsedNow();
    if (!fault_ && elapsed > kFaultFactor * conversion) {
        fault_ = true;
        status_.fault = "Row" + txt::N(ReadRow_) +
                        ": the converter has not become ready in" +
                        txt::N(std::lround(elapsed * 1000.0)) + " ms; " + kNoAnswerText;
        events_.Stateinfo(kStatusNoAnswer);
    }
    if (elapsed < conversion) // the converter cannot be ready before
        Idle(ConvertTimer_.CounterAfter(conversion), ConvertTimer_.now());
    else if (elapsed > 2.0 * conversion) // late: look now and then
        Idle(ConvertTimer_.CounterAfter(elapsed + kLatePollS), ConvertTimer_.now());
    // Between the two it is due any moment: every iteration looks.
}

// Nothing to do in this iteration but wait until the counter reaches
// `until` (`now` was read just before): a virtual clock jumps there; a real
// clock may give the processor back for part of the rest. Near the end of
// the wait, where the clock could do nothing, it is not asked.
void VNA01::Idle(int64_t until, int64_t now) {
    if (until - now > minIdle_) io_.clock().IdleUntil(until);
}

void VNA01::ShiftBit() {
    if (BitCounter_ <= 39) {
        const int c = BitCounter_;
        const ScanRow& r = tables_[CurrentTable_][LoadRow_];
        // Position c carries bit c % 8 of B4, B3, B2, B1, B0 in groups of eight.
        uint8_t byte;
        std::array<bool, 8>* boxes;
        switch (c / 8) {
        case 0: byte = r.B4; boxes = &status_.Byt5; break;
        case 1: byte = r.B3; boxes = &status_.byt4; break;
        case 2: byte = r.B2; boxes = &status_.byt3; break;
        case 3: byte = r.B1; boxes = &status_.Byt2; break;
        default: byte = r.B0; boxes = &status_.Byt1; break;
        }
        const bool bit = ((byte >> (c % 8)) & 1) != 0;
        if (bit) CtrlOut1_ ^= 1;
        (*boxes)[c % 8] = bit;
        CtrlOut2_ = CtrlOut1_;
        uint8_t lines = 0;
        if (r.RfBits[c]) lines |= 0x01;
        if (r.LoBits[c]) lines |= 0x02;
        DataOut1_ |= lines & kSynthData;
        DataOut2_ |= (lines & kSynthData) | kSerialClock;
        BitCounter_ = c + 1;
    } else {
        CtrlOut2_ = CtrlOut1_;
    }
}

void VNA01::AdcStep() {
    ScanRow& r = tables_[CurrentTable_][ReadRow_];
    const int n = r.ADCBits;
    const int last = n + 3 > 2 ? n + 3 : 2;
    if (AdcCount_ <= last) {
        if (AdcCount_ == 0) {
            r.dat = 0;
        } else if (AdcCount_ == 2) {
            AdcSignRef_ = !StatusBit_;
        } else if (AdcCount_ >= 3) {
            // Shift in unsigned arithmetic: a long read wraps instead of overflowing.
            auto d = static_cast<uint32_t>(r.dat) << 1;
            if (StatusBit_ != AdcSignRef_) d |= 1u;
            r.dat = static_cast<int32_t>(d);
        }
        ++AdcCount_;
        DataOut1_ |= kAdcClock;
        return;
    }
    AdcDone_ = true;
    AdcCount_ = 0;
    if (!AdcSignRef_) r.dat = ~r.dat; // -1 - dat
    status_.Label8 = txt::N(ReadRow_);
    DataRecord rec;
    rec.ta = static_cast<int16_t>(CurrentTable_);
    rec.Idx = static_cast<int16_t>(ReadRow_);
    rec.rf = r.rf;
    rec.LOPH = r.LOPH;
    rec.dat = r.dat;
    rec.tag = r.Tag;
    rec.ADCS = r.adcspeed;
    rec.ADCBits = r.ADCBits;
    rec.VNATime = r.VNATime;
    rec.B0 = r.B0;
    rec.B1 = r.B1;
    rec.B2 = r.B2;
    rec.B3 = r.B3;
    rec.B4 = r.B4;
    events_.DataReady(rec);
    status_.Label1 = std::to_string(rec.dat);
    Yield();
    const int after = rec.Idx + 1;
    if (after <= kLastRow && tables_[CurrentTable_][after].End)
        events_.EndScan();
}

void VNA01::ReportRate() {
    const double elapsed = RateTimer_.ElapsedStopped();
    int16_t rat = 0;
    if (elapsed == 0.0) {
        rat = std::numeric_limits<int16_t>::max();
    } else {
        // Rows per second over ten rows: round(1/elapsed, one decimal) * 10.
        const double v = txt::RoundHalfEven(10.0 / elapsed);
        if (std::isnan(v))
            rat = 0;
        else if (v >= 32767.0)
            rat = std::numeric_limits<int16_t>::max();
        else if (v <= -32768.0)
            rat = std::numeric_limits<int16_t>::min();
        else
            rat = static_cast<int16_t>(v);
    }
    events_.Rateinfo(rat);
}

} // namespace engine

#include "server/engine/vna01.h"

#include "server/port/priority.h"

namespace engine {

const char* ResultText(VnaResult result) {
    switch (result) {
    case VnaResult::Ok: return "ok";
    case VnaResult::BadTable: return "table out of range";
    case VnaResult::BadIndex: return "index out of range";
    case VnaResult::Overflow: return "value out of range";
    case VnaResult::BadSpeed: return "converter speed out of range";
    case VnaResult::BadPort: return "bad port base";
    case VnaResult::BadClock: return "bad synthesizer clock";
    }
    return "unknown";
}

VNA01::VNA01(port::PortIo& io, VnaEvents& events)
    : io_(io), events_(events), priority_(port::SetOwnPriority), RateTimer_(io.clock()),
      SettleTimer_(io.clock()) {}

VnaResult VNA01::setphys(std::string_view, std::string_view) { return VnaResult::Ok; }
VnaResult VNA01::SetUpScan(int16_t, int16_t, int32_t, int32_t, int16_t, int16_t, int16_t,
                           int16_t, int16_t, int16_t, int16_t, int16_t) { return VnaResult::Ok; }
VnaResult VNA01::SetUpEntry(int16_t, int16_t, int32_t, int16_t, int16_t, int16_t, int16_t,
                            int16_t, int16_t, int16_t, int16_t, int16_t) { return VnaResult::Ok; }
VnaResult VNA01::MarkEnd(int16_t, int16_t) { return VnaResult::Ok; }
VnaResult VNA01::EditEntry(int16_t, int16_t, std::string_view, int32_t) { return VnaResult::Ok; }
VnaResult VNA01::NewScan(int16_t) { return VnaResult::Ok; }
const ScanRow& VNA01::row(int ta, int r) const { return tables_[ta & 1][r < 0 ? 0 : r > kLastRow ? kLastRow : r]; }
VnaResult VNA01::ComputeBits(int, int) { return VnaResult::Ok; }
std::optional<int32_t> VNA01::FrequencyWord(int32_t) const { return std::nullopt; }
std::optional<int> VNA01::NextRow(int) const { return std::nullopt; }

} // namespace engine

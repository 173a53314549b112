#pragma once
// The scan engine's tables: two tables of 1201 rows; entry k is the row pair
// 2k (LO phase 0, in-phase) and 2k+1 (LO phase 8, quadrature).

#include <array>
#include <cstdint>

namespace engine {

constexpr int kTableCount = 2;
constexpr int kRowCount = 1201;   ///< rows 0..1200
constexpr int kLastRow = 1200;    ///< reachable through EditEntry only
constexpr int kLastEntry = 599;   ///< highest entry (rows 1198, 1199)
constexpr int kSerialBits = 40;

/// One measurement row. Frequencies in tenths of a hertz.
struct ScanRow {
    int32_t rf = 0;       ///< RF synthesizer frequency
    int16_t RfOn = 0;     ///< 0: RF synthesizer powered down
    int32_t lo = 0;       ///< LO synthesizer frequency
    int16_t LoOn = 0;     ///< 0: LO synthesizer powered down
    int16_t RFPH = 0;     ///< RF phase word (5 bits used)
    int16_t LOPH = 0;     ///< LO phase word (5 bits used)
    int16_t adcspeed = 0; ///< converter speed index 0..3
    int16_t VNATime = 0;  ///< settling time in ms before the conversion
    int16_t ADCBits = 0;  ///< converter data bits to read, minus one
    int32_t dat = 0;      ///< last converter result of this row
    int16_t Tag = 0;
    int16_t Phase = 0;    ///< 0 first row of an entry, 1 second
    int16_t End = 0;      ///< non-zero: ends the table, never executed
    int16_t Skip = 0;     ///< non-zero: passed over
    uint8_t B0 = 0, B1 = 0, B2 = 0, B3 = 0, B4 = 0; ///< user bytes
    std::array<uint8_t, kSerialBits> LoBits{}; ///< serial image, 0 or 0xFF
    std::array<uint8_t, kSerialBits> RfBits{}; ///< position 0 shifted first
};

using ScanTable = std::array<ScanRow, kRowCount>;

} // namespace engine

#pragma once
// What the scan engine reports: its events (an interface the server shell
// implements), the record of one measured row, and the plain status record
// that stands for the labels of the server window.

#include <array>
#include <cstdint>
#include <string>

namespace engine {

/// One measured row, as the DataReady event carries it.
struct DataRecord {
    int16_t ta = 0;      ///< table
    int16_t Idx = 0;     ///< row number
    int32_t rf = 0;      ///< frequency, tenths of a hertz
    int16_t LOPH = 0;    ///< LO phase word (0 in-phase, 8 quadrature)
    int32_t dat = 0;     ///< converter reading
    int16_t tag = 0;
    int16_t ADCS = 0;    ///< converter speed index
    int16_t ADCBits = 0;
    int16_t VNATime = 0; ///< settling time, ms
    int16_t B0 = 0, B1 = 0, B2 = 0, B3 = 0, B4 = 0;
};

/// Receiver of the engine's events. Called on the engine's thread, from
/// inside the scan loop; handlers may call the engine back (Stopscan,
/// NewScan, table edits).
class VnaEvents {
public:
    virtual ~VnaEvents() = default;
    /// State codes: 3, 90, 4, 5, 6, 7 (loop states), 10 (loop ended),
    /// 88 (SetUpScan finished), 95 (the converter does not answer; once per
    /// fault episode), 96 (it answers again).
    virtual void Stateinfo(int16_t Statid) {}
    /// Rows per second over the last ten rows.
    virtual void Rateinfo(int16_t rat) {}
    virtual void DataReady(const DataRecord& record) {}
    /// The row after the one just reported ends the table.
    virtual void EndScan() {}
    /// A message for the user (the server shows it in a message box), e.g.
    /// " Init Port RC =False".
    virtual void Notice(const std::string& text) {}
};

/// The labels and check boxes the engine writes. The loop only stores into
/// this record; a window copies it into its controls on a display timer.
struct VnaStatus {
    std::string Label8;   ///< last row reported, " 12"
    std::string Label1;   ///< last reading, "-1234"
    std::string Label11;  ///< "no correction" / "Missed case" from EditEntry
    std::string Command1; ///< "Table = 1" after NewScan
    /// Check boxes of the user-byte bit being shifted: Byt1 for B0, Byt2 for
    /// B1, byt3 for B2, byt4 for B3, Byt5 for B4; index = bit number.
    std::array<bool, 8> Byt1{}, Byt2{}, byt3{}, byt4{}, Byt5{};
    /// Why the loop stopped on its own (empty table), else empty.
    std::string problem;
    /// While the converter does not answer: which row waits and since when,
    /// and what the user should check; empty otherwise.
    std::string fault;
};

} // namespace engine

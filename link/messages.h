#pragma once
// Link message texts between the display program and the instrument server:
// command and report builders, framing at "#", splitting into fields.
// Every text is byte-exact as the peer expects it, double blanks included.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace msg {

// ---- Commands, display program -> server --------------------------------
// The builders return the text without the closing " #"; the sender appends
// it (WithTerminator) before handing the text to the transport.

std::string SetUpScan(int16_t ta, int16_t numtest, int32_t SF, int32_t EF, int16_t ADCS,
                      int16_t VnaT, int16_t ADCBi, int16_t B0, int16_t B1, int16_t B2,
                      int16_t B3, int16_t B4);                                      // 0001
std::string SetUpEntry(int16_t ta, int16_t Idx, int32_t F, int16_t ADCS, int16_t VnaT,
                       int16_t ADCBi, int16_t e, int16_t B0, int16_t B1, int16_t B2,
                       int16_t B3, int16_t B4);                                     // 0002
std::string EditEntry(int16_t ta, int16_t Idx, std::string_view Fiel, int32_t valu); // 0003
std::string MarkEnd(int16_t ta, int16_t Idx);                                        // 0004
std::string NewScan(int16_t ta);                                                     // 0005
std::string Stopscan();                                                              // 0006
std::string StopTcp();                                                               // 0007
std::string StartTcp();                                                              // 0008
/// Mounts a fixture on the simulated analyser ("THRU", "OPEND", "OPEN",
/// "SHORT", "LOAD", "DUT"); hardware back ends ignore it.
std::string Mount(std::string_view fixture);                                         // 0100
/// Shows (true) or hides (false) the server's status window.
std::string ShowState(bool show);                                                    // 0101

/// The text the display program sends over TCP when it closes: "99#".
std::string StopText();

/// text + " #": what the display program's sender puts on the wire.
std::string WithTerminator(std::string_view text);

// ---- Reports, server -> display program (complete, "#" included) ---------

std::string DataReady(int16_t ta, int16_t Idx, int32_t rf, int16_t LOPH, int32_t dat,
                      int16_t tag, int16_t ADCS, int16_t ADCBits, int16_t VNATime, int16_t B0,
                      int16_t B1, int16_t B2, int16_t B3, int16_t B4); // 1001
/// Appends the DataReady text to `out` (the same bytes as DataReady),
/// without building intermediate strings: for the server's scan loop.
void AppendDataReady(std::string& out, int16_t ta, int16_t Idx, int32_t rf, int16_t LOPH,
                     int32_t dat, int16_t tag, int16_t ADCS, int16_t ADCBits, int16_t VNATime,
                     int16_t B0, int16_t B1, int16_t B2, int16_t B3, int16_t B4);
/// A state report; the server sends only 95 (the analyser does not
/// answer, once per fault episode) and 96 (it answers again).
std::string Stateinfo(int16_t Statid);                                 // 1000
std::string EndScan();                                                 // 1002
std::string Rateinfo(int16_t rat);                                     // 1003

// Message codes.
enum Code : int {
    kSetUpScan = 1, kSetUpEntry = 2, kEditEntry = 3, kMarkEnd = 4, kNewScan = 5,
    kStopscan = 6, kStopTcp = 7, kStartTcp = 8, kClose = 99, kMount = 100, kShowState = 101,
    kStateinfo = 1000, kDataReady = 1001, kEndScan = 1002, kRateinfo = 1003,
};

// ---- Splitting -----------------------------------------------------------

constexpr int kFieldCount = 101;
using Fields = std::array<std::string, kFieldCount>;

/// Splits a message (without its "#") into fields 0..100: each non-blank
/// character goes to the current field; a blank advances the field index only
/// when the character before it was not a blank, so a leading blank leaves
/// field 0 empty. Fields past 100 are ignored.
void SplitFields(std::string_view message, Fields& fields);
Fields SplitFields(std::string_view message);

/// The code of a split message: the numeric value of field 0 ("0005" -> 5),
/// or -1 when it does not fit an int.
int CodeOf(const Fields& fields);

// ---- Framing -------------------------------------------------------------

/// Collects received pieces and yields whole messages at "#". A message may
/// arrive in several pieces and several in one piece. Memory is bounded:
/// no legitimate message is longer than kMaxMessage characters (the longest
/// report is under 200, the local link carries at most 254), so a longer run
/// of text is dropped up to and including its "#", and the buffer never
/// holds more than kMaxMessage characters of unfinished text. The owner takes
/// the whole messages with Next after each Append.
class FrameBuffer {
public:
    static constexpr size_t kMaxMessage = 1024;

    void Append(std::string_view piece);
    /// Takes the next whole message (text before its "#"); false when none.
    bool Next(std::string& message);
    /// Characters of the unfinished message held (at most kMaxMessage).
    size_t Pending() const { return tail_; }
    /// The received text not yet taken (whole messages and the unfinished
    /// tail); valid until the next Append or Next.
    std::string_view Unread() const { return std::string_view(buf_).substr(pos_); }
    /// Overlong messages dropped so far.
    size_t Dropped() const { return dropped_; }
    void Clear();

private:
    std::string buf_;
    size_t pos_ = 0;          // start of the unread text in buf_
    size_t tail_ = 0;         // length of the text after the last "#"
    bool discarding_ = false; // inside an overlong message: drop to its "#"
    size_t dropped_ = 0;
};

} // namespace msg

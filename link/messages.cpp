#include "link/messages.h"

#include "link/text_rules.h"

#include <algorithm>
#include <charconv>
#include <initializer_list>
#include <limits>

namespace msg {

using txt::N;

namespace {

// code, then " " N(v) for each value, then a closing blank.
std::string Numbers(std::string_view code, std::initializer_list<long long> values) {
    std::string s(code);
    for (long long v : values) {
        s += ' ';
        s += N(v);
    }
    s += ' ';
    return s;
}

} // namespace

std::string SetUpScan(int16_t ta, int16_t numtest, int32_t SF, int32_t EF, int16_t ADCS,
                      int16_t VnaT, int16_t ADCBi, int16_t B0, int16_t B1, int16_t B2,
                      int16_t B3, int16_t B4) {
    return Numbers("0001", {ta, numtest, SF, EF, ADCS, VnaT, ADCBi, B0, B1, B2, B3, B4});
}

std::string SetUpEntry(int16_t ta, int16_t Idx, int32_t F, int16_t ADCS, int16_t VnaT,
                       int16_t ADCBi, int16_t e, int16_t B0, int16_t B1, int16_t B2,
                       int16_t B3, int16_t B4) {
    return Numbers("0002", {ta, Idx, F, ADCS, VnaT, ADCBi, e, B0, B1, B2, B3, B4});
}

std::string EditEntry(int16_t ta, int16_t Idx, std::string_view Fiel, int32_t valu) {
    std::string s = "0003 " + N(ta) + " " + N(Idx) + "  ";
    s += Fiel;
    s += " " + N(valu);
    return s;
}

std::string MarkEnd(int16_t ta, int16_t Idx) { return "0004  " + N(ta) + " " + N(Idx) + " "; }
std::string NewScan(int16_t ta) { return "0005 " + N(ta) + " "; }
std::string Stopscan() { return "0006 "; }
std::string StopTcp() { return "0007 "; }
std::string StartTcp() { return "0008 "; }
std::string Mount(std::string_view fixture) { return "0100 " + std::string(fixture) + " "; }
std::string ShowState(bool show) { return "0101 " + N(show ? 1 : 0) + " "; }
std::string StopText() { return "99#"; }
std::string WithTerminator(std::string_view text) { return std::string(text) + " #"; }

std::string DataReady(int16_t ta, int16_t Idx, int32_t rf, int16_t LOPH, int32_t dat,
                      int16_t tag, int16_t ADCS, int16_t ADCBits, int16_t VNATime, int16_t B0,
                      int16_t B1, int16_t B2, int16_t B3, int16_t B4) {
    std::string s;
    AppendDataReady(s, ta, Idx, rf, LOPH, dat, tag, ADCS, ADCBits, VNATime, B0, B1, B2, B3, B4);
    return s;
}

void AppendDataReady(std::string& out, int16_t ta, int16_t Idx, int32_t rf, int16_t LOPH,
                     int32_t dat, int16_t tag, int16_t ADCS, int16_t ADCBits, int16_t VNATime,
                     int16_t B0, int16_t B1, int16_t B2, int16_t B3, int16_t B4) {
    // "1001", then " " N(v) for each value, then "  #"; N(v) is a blank or
    // "-" before the digits.
    char buf[16 + 14 * 13];
    char* p = buf;
    const char code[] = "1001";
    p = std::copy(code, code + 4, p);
    for (long long v : {(long long)ta, (long long)Idx, (long long)rf, (long long)LOPH,
                        (long long)dat, (long long)tag, (long long)ADCS, (long long)ADCBits,
                        (long long)VNATime, (long long)B0, (long long)B1, (long long)B2,
                        (long long)B3, (long long)B4}) {
        *p++ = ' ';
        if (v >= 0)
            *p++ = ' ';
        p = std::to_chars(p, buf + sizeof buf, v).ptr;
    }
    const char tail[] = "  #";
    p = std::copy(tail, tail + 3, p);
    out.append(buf, size_t(p - buf));
}

std::string Stateinfo(int16_t Statid) { return "1000 " + N(Statid) + " #"; }
std::string EndScan() { return "1002 #"; }
std::string Rateinfo(int16_t rat) { return "1003 " + N(rat) + " #"; }

void SplitFields(std::string_view message, Fields& fields) {
    for (auto& f : fields)
        f.clear();
    int index = 0;
    char prev = '\0';
    for (char c : message) {
        if (c == ' ') {
            if (prev != ' ')
                ++index;
        } else if (index < kFieldCount) {
            fields[static_cast<size_t>(index)] += c;
        }
        prev = c;
    }
}

Fields SplitFields(std::string_view message) {
    Fields f;
    SplitFields(message, f);
    return f;
}

int CodeOf(const Fields& fields) {
    const double v = txt::Val(fields[0]);
    if (!(v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max()))
        return -1;
    return static_cast<int>(txt::RoundHalfEven(v));
}

void FrameBuffer::Append(std::string_view piece) {
    // Compact once the consumed prefix dominates.
    if (pos_ > 0 && pos_ * 2 >= buf_.size()) {
        buf_.erase(0, pos_);
        pos_ = 0;
    }
    while (!piece.empty()) {
        const size_t hash = piece.find('#');
        if (discarding_) {
            if (hash == std::string_view::npos)
                return;
            discarding_ = false;
            piece.remove_prefix(hash + 1);
            continue;
        }
        const size_t body = hash == std::string_view::npos ? piece.size() : hash;
        if (tail_ + body > kMaxMessage) {
            // Longer than any legitimate message: drop what is held of it
            // and everything up to its "#".
            buf_.resize(buf_.size() - tail_);
            tail_ = 0;
            ++dropped_;
            if (hash == std::string_view::npos) {
                discarding_ = true;
                return;
            }
            piece.remove_prefix(hash + 1);
            continue;
        }
        if (hash == std::string_view::npos) {
            buf_.append(piece);
            tail_ += body;
            return;
        }
        buf_.append(piece.substr(0, hash + 1));
        tail_ = 0;
        piece.remove_prefix(hash + 1);
    }
}

bool FrameBuffer::Next(std::string& message) {
    const size_t hash = buf_.find('#', pos_);
    if (hash == std::string::npos)
        return false;
    message.assign(buf_, pos_, hash - pos_);
    pos_ = hash + 1;
    if (pos_ == buf_.size()) {
        buf_.clear();
        pos_ = 0;
    }
    return true;
}

void FrameBuffer::Clear() {
    buf_.clear();
    pos_ = 0;
    tail_ = 0;
    discarding_ = false;
}

} // namespace msg

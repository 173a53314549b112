#include "display/measure/point_list.h"

#include <limits>

namespace {

constexpr int32_t kTopQrg = std::numeric_limits<int32_t>::max();
constexpr int32_t kBottomQrg = std::numeric_limits<int32_t>::min();

bool IsRecord(int index) { return index >= 0 && index < kQrgPointCount; }
bool IsPointRecord(int index) { return index >= 2 && index < kQrgPointCount; }

} // namespace

void InitLiv(MeasureState& s) {
    auto& q = s.QrgPoints;
    for (int i = 0; i < kQrgPointCount; ++i) {
        q[i].next = static_cast<int16_t>(i + 1);
        q[i].prev = static_cast<int16_t>(i - 1);
    }
    q[2].prev = kQrgPointCount - 1;
    q[kQrgPointCount - 1].next = 2;
    s.DeadHead = 2;
    q[kUpperEnd].next = kLowerEnd;
    q[kUpperEnd].prev = kLowerEnd;
    q[kLowerEnd].next = kUpperEnd;
    q[kLowerEnd].prev = kUpperEnd;
    q[kUpperEnd].Qrg = kTopQrg;
    q[kLowerEnd].Qrg = kBottomQrg;
    q[kUpperEnd].mark = 0;
    q[kLowerEnd].mark = 0;
    s.LiveCount = 2;
    s.FindStart = kLowerEnd;
}

int16_t GetDead(MeasureState& s) {
    auto& q = s.QrgPoints;
    const int16_t taken = s.DeadHead;
    if (!IsPointRecord(taken))
        return kNoRecord;
    const int16_t n = q[taken].next;
    const int16_t p = q[taken].prev;
    if (n == taken) {
        // The last free record: the dead ring is empty from now on.
        s.DeadHead = kNoRecord;
    } else {
        q[p].next = n;
        q[n].prev = p;
        s.DeadHead = n;
    }
    q[taken].next = taken;
    q[taken].prev = taken;
    return taken;
}

void AddDead(MeasureState& s, int16_t index) {
    if (!IsPointRecord(index))
        return;
    auto& q = s.QrgPoints;
    if (s.DeadHead == kNoRecord) {
        q[index].next = index;
        q[index].prev = index;
        s.DeadHead = index;
    } else {
        const int16_t h = s.DeadHead;
        const int16_t n = q[h].next;
        q[index].prev = h;
        q[index].next = n;
        q[n].prev = index;
        q[h].next = index;
    }
    q[index].MessRealPresent = false;
    q[index].MessImagPresent = false;
}

void AddLive(MeasureState& s, int16_t n, int16_t p) {
    if (!IsPointRecord(n) || !IsRecord(p) || n == p)
        return;
    auto& q = s.QrgPoints;
    const int16_t after = q[p].next;
    q[n].prev = p;
    q[n].next = after;
    q[after].prev = n;
    q[p].next = n;
    ++s.LiveCount;
}

int16_t GetLive(MeasureState& s, int16_t& index) {
    const int16_t taken = index;
    if (!IsPointRecord(taken))
        return kNoRecord;
    auto& q = s.QrgPoints;
    const int16_t n = q[taken].next;
    const int16_t p = q[taken].prev;
    q[p].next = n;
    q[n].prev = p;
    if (s.FindStart == taken)
        s.FindStart = n;
    index = n;
    --s.LiveCount;
    return taken;
}

int16_t FindQrg(MeasureState& s, int32_t f) {
    if (f == kBottomQrg)
        return kLowerEnd;
    const auto& q = s.QrgPoints;
    // Walk from the last point found: ascending sweeps find their point
    // one step away. Every live record is a valid start because the two end
    // records bound the walk on both sides.
    int16_t p = IsRecord(s.FindStart) ? s.FindStart : kLowerEnd;
    for (;;) {
        if (q[p].Qrg > f)
            p = q[p].prev;
        if (q[p].Qrg < f)
            p = q[p].next;
        if (q[p].Qrg >= f && q[q[p].prev].Qrg < f)
            break;
    }
    // p is the lowest record with Qrg >= f.
    const int16_t found = q[p].Qrg == f ? p : q[p].prev;
    s.FindStart = found;
    return found;
}

int16_t InsertLive(MeasureState& s, int32_t f) {
    if (f == kTopQrg || f == kBottomQrg)
        return kNoRecord;  // the end records' values: never a point
    auto& q = s.QrgPoints;
    int16_t p = FindQrg(s, f);
    if (IsPointRecord(p) && q[p].mark == 1) {
        int16_t up = p;
        const int16_t below = q[p].prev;
        GetLive(s, up);
        AddDead(s, p);
        p = below;
        s.FindStart = below;
    }
    if (q[p].Qrg == f)
        return p;
    const int16_t n = GetDead(s);
    if (n == kNoRecord)
        return kNoRecord;
    AddLive(s, n, p);
    q[n].Qrg = f;
    q[n].mark = 0;
    // A new point has no reading of this sweep yet. Records handed out after
    // InitLiv did not pass through AddDead and may still carry the flags of
    // the frequency they had before.
    q[n].MessRealPresent = false;
    q[n].MessImagPresent = false;
    s.FindStart = n;
    return n;
}

void RemoveMarked(MeasureState& s) {
    auto& q = s.QrgPoints;
    int16_t p = q[kLowerEnd].next;
    while (p >= 2) {
        if (q[p].mark == 1) {
            const int16_t taken = GetLive(s, p);  // p moves on to the next record
            AddDead(s, taken);
        } else {
            p = q[p].next;
        }
    }
}

int16_t NextLive(const MeasureState& s, int16_t index) {
    if (!IsRecord(index))
        return kUpperEnd;
    return s.QrgPoints[index].next;
}

void ClearDone(MeasureState& s) {
    for (auto& r : s.QrgPoints) {
        r.ThruCaptured = false;
        r.OpeDCaptured = false;
        r.OpeBCaptured = false;
        r.ShoBCaptured = false;
        r.LoadBCaptured = false;
    }
    s.scancalOK = false;
}

// Feeds arbitrary bytes, in arbitrary pieces, to the client transport's
// receive routine (framing, splitting, report conversion).
#include "link/vna.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vna v;
    long events = 0;
    QObject::connect(&v, &vna::DataReady, [&events] { ++events; });
    QObject::connect(&v, &vna::EndScan, [&events] { ++events; });
    QObject::connect(&v, &vna::Rateinfo, [&events] { ++events; });
    QObject::connect(&v, &vna::Stateinfo, [&events] { ++events; });
    size_t p = 0;
    while (p < size) {
        const size_t n = std::min<size_t>(size - p, 1 + data[p] % 97);
        v.ReceiveData(QByteArray(reinterpret_cast<const char*>(data + p), qsizetype(n)));
        p += n;
        if (v.pending() > msg::FrameBuffer::kMaxMessage)
            std::abort();
    }
    // Every whole message is also tried directly.
    v.MakeEvent(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    return 0;
}

#pragma once
// Helpers shared by the tests of the TCP socket control.
#include "link/winsock.h"

#include <QSignalSpy>

namespace linktest {

/// What `w` receives until it has at least `n` bytes (or 5 s pass quietly).
inline QByteArray ReceiveAtLeast(lnk::Winsock& w, int n) {
    QByteArray got = w.GetData();
    QSignalSpy arrival(&w, &lnk::Winsock::DataArrival);
    while (got.size() < n && arrival.wait(5000))
        got += w.GetData();
    return got;
}

} // namespace linktest

// Feeds arbitrary bytes, in arbitrary pieces, to the server's Arrival:
// framing, splitting, field conversion and the dispatch to the engine (the
// scan loop itself is not started). One shell serves many inputs; a new one
// is made when an input has ended it (code 99).
#include "shell_rig.h"

#include <QCoreApplication>

#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {
std::unique_ptr<shelltest::ShellRig> rig;
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!rig || rig->shell->ending()) {
        rig = std::make_unique<shelltest::ShellRig>("0");
        if (!rig->shell->Form_Load())
            std::abort();
    }
    size_t p = 0;
    while (p < size && !rig->shell->ending()) {
        const size_t n = std::min<size_t>(size - p, 1 + data[p] % 131);
        rig->shell->Arrival(QByteArray(reinterpret_cast<const char*>(data + p), qsizetype(n)));
        p += n;
    }
    // The unread text stays bounded, except behind an end command: the
    // ending server leaves the rest of its last piece unread.
    if (!rig->shell->ending() && rig->shell->status().Label10.size() > 1024)
        std::abort();
    return 0;
}

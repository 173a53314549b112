#include "server/port/port_io.h"

namespace port {

OpenedPort OpenPort(const PortOptions& options) {
    OpenedPort result;
    result.error = "Unknown port driver \"" + options.driver + "\"";
    return result;
}

} // namespace port

// Feeds arbitrary bytes, in arbitrary pieces, through the frame buffer and
// the field splitter, and converts every field as the receivers do.
#include "link/messages.h"
#include "link/text_rules.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    msg::FrameBuffer buffer;
    msg::Fields fields;
    std::string message;
    size_t p = 0;
    while (p < size) {
        // The first byte of each chunk says how long the piece is.
        const size_t n = std::min<size_t>(size - p - 1 + 1, 1 + data[p] % 64);
        buffer.Append(std::string_view(reinterpret_cast<const char*>(data + p), n));
        p += n;
        if (buffer.Pending() > msg::FrameBuffer::kMaxMessage)
            std::abort();
        while (buffer.Next(message)) {
            if (message.size() > msg::FrameBuffer::kMaxMessage)
                std::abort();
            msg::SplitFields(message, fields);
            (void)msg::CodeOf(fields);
            for (const auto& f : fields) {
                (void)txt::FieldToInt16(f);
                (void)txt::FieldToInt32(f);
                (void)txt::Val(f);
            }
        }
    }
    return 0;
}

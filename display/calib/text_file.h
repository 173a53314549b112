#pragma once
// Whole-file text input and output for the suite's data files. Writing goes
// through a temporary file beside the target that is renamed into place, so
// a failed write never leaves a half-written file where a good one was.

#include <cstddef>
#include <string>
#include <string_view>

/// Reads the whole file into `content`. False with a message in `error`
/// (naming the file) when it cannot be opened or read, or is larger than
/// `maxBytes`.
bool ReadWholeFile(const std::string& fileName, std::string& content, std::string& error,
                   std::size_t maxBytes = 64u << 20);

/// Writes `content` to a temporary file beside `fileName` and renames it
/// into place. False with a message in `error` on any failure; the target
/// is then unchanged.
bool WriteFileAtomically(const std::string& fileName, std::string_view content,
                         std::string& error);

/// Splits text into lines at LF; a CR before the LF is dropped. A last line
/// without LF counts; an empty text has no lines.
template <class F>
void ForEachLine(std::string_view text, F&& f) {
    int number = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        const std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (!f(++number, line))
            return;
        pos = next;
    }
}

#pragma once
// A fixed-size table allocated once on the heap. The display program's big
// tables (the frequency points, the S-data tables) live for the whole run;
// keeping them off the stack lets the state object be created anywhere,
// tests included, and the size never changes after construction.

#include <array>
#include <cstddef>
#include <memory>

template <class T, std::size_t N>
class FixedTable {
public:
    FixedTable() : cells_(std::make_unique<std::array<T, N>>()) {}
    FixedTable(const FixedTable&) = delete;
    FixedTable& operator=(const FixedTable&) = delete;

    /// Unchecked element access; indices from outside are range-checked by the caller.
    T& operator[](std::size_t i) { return (*cells_)[i]; }
    const T& operator[](std::size_t i) const { return (*cells_)[i]; }

    static constexpr std::size_t size() { return N; }
    auto begin() { return cells_->begin(); }
    auto end() { return cells_->end(); }
    auto begin() const { return cells_->cbegin(); }
    auto end() const { return cells_->cend(); }
    std::array<T, N>& all() { return *cells_; }
    const std::array<T, N>& all() const { return *cells_; }

private:
    std::unique_ptr<std::array<T, N>> cells_;
};

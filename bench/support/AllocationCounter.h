#pragma once
// Counts the C++ heap allocations of the program, so a benchmark can report how many its
// timed path makes (it should make none). Include it in exactly one source of a benchmark.

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

namespace tarvik::bench {
inline std::atomic<long> allocations{0};
} // namespace tarvik::bench

void* operator new(std::size_t size) {
    tarvik::bench::allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

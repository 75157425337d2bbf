// Counts what a benchmark allocates: it replaces the program's operator new and delete, so
// include it in exactly one source of the program. Every block carries its size in front,
// for the bytes held and their peak.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

namespace bench {

struct AllocationCounts {
    std::atomic<long long> allocations{0}; // blocks handed out so far
    std::atomic<long long> bytes{0};       // bytes held now
    std::atomic<long long> peak{0};        // the most bytes held since the peak was reset
};
inline AllocationCounts g_allocated;

} // namespace bench

void* operator new(std::size_t size) {
    void* block = std::malloc(size + 16);
    if (block == nullptr)
        throw std::bad_alloc();
    *static_cast<std::size_t*>(block) = size;
    ++bench::g_allocated.allocations;
    const long long now = bench::g_allocated.bytes += static_cast<long long>(size);
    long long peak = bench::g_allocated.peak.load();
    while (now > peak && !bench::g_allocated.peak.compare_exchange_weak(peak, now)) {
    }
    return static_cast<char*>(block) + 16;
}
void operator delete(void* p) noexcept {
    if (p == nullptr)
        return;
    void* block = static_cast<char*>(p) - 16;
    bench::g_allocated.bytes -= static_cast<long long>(*static_cast<std::size_t*>(block));
    std::free(block);
}
void operator delete(void* p, std::size_t) noexcept {
    operator delete(p);
}

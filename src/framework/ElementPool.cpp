// The element pools behind TElement's operator new and delete.
#include "Elements.h"

#include <QMutex>
#include <QMutexLocker>

#include <cstdlib>
#include <new>
#include <sys/mman.h>
#include <vector>

namespace zelto {

#if !defined(__SANITIZE_ADDRESS__) && !ZELTO_HAS_ASAN
namespace {

constexpr std::size_t PoolGranule = 16;
constexpr std::size_t PoolClasses = 16; // sizes up to 256 bytes
// Chunks are huge-page sized and aligned, and the kernel is asked to back them with huge pages:
// a model of millions of elements then costs a few page faults instead of one per 4 KiB.
constexpr std::size_t PoolChunk = 2 * 1024 * 1024;

// Chunks are kept for the life of the process and listed here, so they stay reachable.
struct PoolChunks {
    QMutex mutex;
    std::vector<void*> chunks;
};
PoolChunks& poolChunks() {
    static PoolChunks* c = new PoolChunks;
    return *c;
}

struct ThreadPool {
    void* free[PoolClasses] = {};
    char* next = nullptr;
    char* end = nullptr;

    void* take(std::size_t cls) {
        if (void* p = free[cls]) {
            free[cls] = *static_cast<void**>(p);
            return p;
        }
        const std::size_t bytes = (cls + 1) * PoolGranule;
        if (std::size_t(end - next) < bytes) {
            next = static_cast<char*>(std::aligned_alloc(PoolChunk, PoolChunk));
            if (!next) throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
            ::madvise(next, PoolChunk, MADV_HUGEPAGE);
#endif
            end = next + PoolChunk;
            PoolChunks& c = poolChunks();
            QMutexLocker lock(&c.mutex);
            c.chunks.push_back(next);
        }
        void* p = next;
        next += bytes;
        return p;
    }
    void give(void* p, std::size_t cls) {
        *static_cast<void**>(p) = free[cls];
        free[cls] = p;
    }
};
thread_local ThreadPool t_pool;

} // namespace

void* TElement::operator new(std::size_t size) {
    if (size == 0 || size > PoolClasses * PoolGranule) return ::operator new(size);
    return t_pool.take((size - 1) / PoolGranule);
}

void TElement::operator delete(void* p, std::size_t size) noexcept {
    if (!p) return;
    if (size == 0 || size > PoolClasses * PoolGranule) {
        ::operator delete(p);
        return;
    }
    t_pool.give(p, (size - 1) / PoolGranule);
}
#endif

} // namespace zelto

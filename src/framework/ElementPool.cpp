// The element pools behind TElement's operator new and delete.
//
// Each thread carves cells from a heap of its own: a free list per size class and a bump pointer
// into the current chunk, touched by that thread alone. A chunk starts with a header naming the
// heap that carves it, so a cell freed on another thread goes back to that heap, onto a lock-free
// list that the heap's thread takes whole when its own list and chunk are used up. A heap outlives
// its thread: when the thread ends, the heap goes to a depot, and the next thread that needs a heap
// adopts it, with its free cells and everything freed into it since. A thread that needs a new
// chunk first takes free cells from the heaps waiting in the depot. Memory freed on another thread
// is therefore used again (once the thread's current chunk is used up, so a thread that frees
// across threads holds at most a chunk more), and the path of one thread allocating and freeing its
// own cells stays a list pop or push, or a pointer bump.
#include "Elements.h"

#include <QMutex>
#include <QMutexLocker>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <sys/mman.h>
#include <utility>
#include <vector>

namespace zelto {

#if !defined(__SANITIZE_ADDRESS__) && !ZELTO_HAS_ASAN
namespace {

constexpr std::size_t PoolGranule = 16;
constexpr std::size_t PoolClasses = 16; // sizes up to 256 bytes
// Chunks are huge-page sized and aligned, and the kernel is asked to back them with huge pages:
// a model of millions of elements then costs a few page faults instead of one per 4 KiB.
constexpr std::size_t PoolChunk = 2 * 1024 * 1024;
// The chunk header takes one cache line, so that reading it never contends with a cell's writes.
constexpr std::size_t ChunkHeader = 64;

void* popCell(void*& list) {
    void* p = list;
    list = *static_cast<void**>(p);
    return p;
}

struct Heap;

struct ChunkHead {
    Heap* heap; // set once when the chunk is made; a heap is never destroyed
};

ChunkHead* chunkOf(void* cell) {
    return reinterpret_cast<ChunkHead*>(std::uintptr_t(cell) & ~std::uintptr_t(PoolChunk - 1));
}

// Chunks are kept for the life of the process and listed here, so they stay reachable.
struct PoolChunks {
    QMutex mutex;
    std::vector<void*> chunks;
};
PoolChunks& poolChunks() {
    static PoolChunks* c = new PoolChunks;
    return *c;
}

struct Heap {
    // Used only by the thread that holds the heap (or, while it waits in the depot, under the
    // depot's lock).
    void* free[PoolClasses] = {};
    char* next = nullptr;
    char* end = nullptr;
    Heap* nextWaiting = nullptr;
    // Cells freed by other threads: any thread pushes, the holder takes the whole list at once
    // (so there is no ABA). On a cache line of their own, away from the holder's lists.
    alignas(64) std::atomic<void*> remote[PoolClasses] = {};

    void* take(std::size_t cls) {
        if (free[cls]) return popCell(free[cls]);
        const std::size_t bytes = (cls + 1) * PoolGranule;
        if (std::size_t(end - next) >= bytes) {
            void* p = next;
            next += bytes;
            return p;
        }
        return takeSlow(cls);
    }
    void give(void* p, std::size_t cls) {
        *static_cast<void**>(p) = free[cls];
        free[cls] = p;
    }
    void giveRemote(void* p, std::size_t cls) {
        void* head = remote[cls].load(std::memory_order_relaxed);
        do {
            *static_cast<void**>(p) = head;
        } while (!remote[cls].compare_exchange_weak(head, p, std::memory_order_release,
                                                    std::memory_order_relaxed));
    }
    void* takeRemote(std::size_t cls) {
        if (!remote[cls].load(std::memory_order_relaxed)) return nullptr;
        return remote[cls].exchange(nullptr, std::memory_order_acquire);
    }
    void* takeSlow(std::size_t cls);
    void newChunk();
};

// Heaps whose threads have ended, waiting for a thread to adopt them. Constant-initialised and
// trivially destructible, so it serves threads that end before or after static destruction.
struct Depot {
    QBasicMutex mutex;
    Heap* first = nullptr;
    std::atomic<int> waiting{0};

    void put(Heap* h) {
        QMutexLocker lock(&mutex);
        h->nextWaiting = first;
        first = h;
        waiting.fetch_add(1, std::memory_order_relaxed);
    }
    Heap* adopt() {
        QMutexLocker lock(&mutex);
        Heap* h = first;
        if (h) {
            first = h->nextWaiting;
            h->nextWaiting = nullptr;
            waiting.fetch_sub(1, std::memory_order_relaxed);
        }
        return h;
    }
    // Free cells of one size class from a waiting heap: its own list, or what was freed into it.
    void* takeCells(std::size_t cls) {
        if (waiting.load(std::memory_order_relaxed) == 0) return nullptr;
        QMutexLocker lock(&mutex);
        for (Heap* h = first; h; h = h->nextWaiting) {
            if (void* list = h->free[cls]) {
                h->free[cls] = nullptr;
                return list;
            }
            if (void* list = h->takeRemote(cls)) return list;
        }
        return nullptr;
    }
};
constinit Depot g_depot;
Depot& depot() {
    return g_depot;
}

void Heap::newChunk() {
    auto* chunk = static_cast<char*>(std::aligned_alloc(PoolChunk, PoolChunk));
    if (!chunk) throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
    ::madvise(chunk, PoolChunk, MADV_HUGEPAGE);
#endif
    reinterpret_cast<ChunkHead*>(chunk)->heap = this;
    next = chunk + ChunkHeader;
    end = chunk + PoolChunk;
    PoolChunks& c = poolChunks();
    QMutexLocker lock(&c.mutex);
    c.chunks.push_back(chunk);
}

// Own list and chunk are used up: before the process grows, cells freed by other threads, then
// cells that ended threads left behind.
void* Heap::takeSlow(std::size_t cls) {
    if ((free[cls] = takeRemote(cls))) return popCell(free[cls]);
    if ((free[cls] = depot().takeCells(cls))) return popCell(free[cls]);
    newChunk();
    void* p = next;
    next += (cls + 1) * PoolGranule;
    return p;
}

// The heap of this thread; null until its first allocation and again once the thread ends.
thread_local Heap* t_heap = nullptr;
thread_local bool t_ended = false;

struct HeapRelease {
    ~HeapRelease() {
        t_ended = true;
        if (Heap* h = std::exchange(t_heap, nullptr)) depot().put(h);
    }
};

Heap* adoptOrCreate() {
    if (Heap* h = depot().adopt()) return h;
    return new Heap;
}

void* takeWithoutHeap(std::size_t cls) {
    Heap* h = adoptOrCreate();
    if (!t_ended) {
        static thread_local HeapRelease release; // hands the heap on when the thread ends
        (void)release;
        t_heap = h;
        return h->take(cls);
    }
    // An allocation while the thread ends (a thread-local destructor): borrow a heap and put it
    // straight back.
    struct PutBack {
        Heap* h;
        ~PutBack() { depot().put(h); }
    } putBack{h};
    return h->take(cls);
}

} // namespace

void* TElement::operator new(std::size_t size) {
    if (size == 0 || size > PoolClasses * PoolGranule) return ::operator new(size);
    const std::size_t cls = (size - 1) / PoolGranule;
    if (Heap* h = t_heap) return h->take(cls);
    return takeWithoutHeap(cls);
}

void TElement::operator delete(void* p, std::size_t size) noexcept {
    if (!p) return;
    if (size == 0 || size > PoolClasses * PoolGranule) {
        ::operator delete(p);
        return;
    }
    const std::size_t cls = (size - 1) / PoolGranule;
    Heap* owner = chunkOf(p)->heap;
    if (owner == t_heap)
        owner->give(p, cls);
    else
        owner->giveRemote(p, cls);
}
#endif

} // namespace zelto

// TSuperList: the one-word list of elements (inline single entry, slot block, or run).
#include "Elements.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace zelto {

namespace {
// A run's step: positive and at most this many bytes (elements from the pool are at most 256 bytes;
// a larger step between two addresses is a coincidence, not a sequence of allocations).
constexpr qptrdiff MaxRunStep = 4096;
} // namespace

void TSuperList::grow(int minCapacity) {
    const bool wasBlock = isBlock();
    const int n = count();
    if (wasBlock && isRun()) {
        // Spell the run out as slots.
        const Block* run = block();
        const int newCap = std::max(minCapacity, n);
        auto* d =
            static_cast<Block*>(std::malloc(sizeof(Block) + sizeof(TElement*) * size_t(std::max(newCap, 1))));
        if (!d) throw std::bad_alloc();
        d->count = n;
        d->capacity = newCap;
        auto* it = reinterpret_cast<TElement**>(d + 1);
        for (int i = 0; i < n; ++i) it[i] = runAt(run, i);
        std::free(block());
        m_bits = reinterpret_cast<quintptr>(d);
        return;
    }
    const int cap = wasBlock ? block()->capacity : n;
    int newCap = cap < 4 ? 4 : cap + cap / 2;
    if (newCap < minCapacity) newCap = minCapacity;
    TElement* inlineItem = wasBlock ? nullptr : single();
    auto* d = static_cast<Block*>(
        std::realloc(wasBlock ? block() : nullptr, sizeof(Block) + sizeof(TElement*) * size_t(newCap)));
    if (!d) throw std::bad_alloc();
    d->capacity = newCap;
    if (!wasBlock) {
        d->count = n;
        if (n == 1) reinterpret_cast<TElement**>(d + 1)[0] = inlineItem;
    }
    m_bits = reinterpret_cast<quintptr>(d);
}

void TSuperList::reserve(int capacity) {
    if (capacity > this->capacity()) grow(capacity);
}

void TSuperList::squeeze() {
    if (!isBlock() || isRun()) return;
    const int n = block()->count;
    if (n <= 1) {
        TElement* only = n == 1 ? items()[0] : nullptr;
        std::free(block());
        m_bits = n == 1 ? quintptr(only) | SingleTag : EmptyTag;
        return;
    }
    TElement* const* it = items();
    const qptrdiff step = qptrdiff(quintptr(it[1]) - quintptr(it[0]));
    bool run = step > 0 && step <= MaxRunStep && step % qptrdiff(alignof(TElement)) == 0;
    for (int i = 2; run && i < n; ++i) run = quintptr(it[i]) - quintptr(it[i - 1]) == quintptr(step);
    if (run) {
        auto* d = static_cast<Block*>(std::malloc(sizeof(Block) + sizeof(TElement*)));
        if (d) {
            d->count = n;
            d->capacity = -qint32(step);
            *reinterpret_cast<TElement**>(d + 1) = it[0];
            std::free(block());
            m_bits = reinterpret_cast<quintptr>(d);
            return;
        }
    }
    if (n == block()->capacity) return;
    // Shrinking in place never fails in practice; if it does, the list simply keeps its slack.
    if (auto* d = static_cast<Block*>(std::realloc(block(), sizeof(Block) + sizeof(TElement*) * size_t(n)))) {
        d->capacity = n;
        m_bits = reinterpret_cast<quintptr>(d);
    }
}

void TSuperList::set(int i, TElement* e) {
    touchModel();
    if (!isBlock()) {
        m_bits = quintptr(e) | SingleTag;
        return;
    }
    if (isRun()) {
        if (at(i) == e) return;
        grow(count());
    }
    items()[i] = e;
}

void TSuperList::append(TElement* e) {
    touchModel();
    if (!isBlock()) {
        if (!(m_bits & SingleTag)) { // never created or empty: hold it inline
            m_bits = quintptr(e) | SingleTag;
            return;
        }
        grow(2);
    } else if (isRun()) {
        Block* b = block();
        TElement*& first = *reinterpret_cast<TElement**>(b + 1);
        if (b->count == 0) first = e;
        if (b->count == 0 || runAt(b, b->count) == e) {
            ++b->count;
            return;
        }
        grow(b->count + 1);
    } else if (block()->count == block()->capacity) {
        grow(block()->count + 1);
    }
    items()[block()->count++] = e;
}

void TSuperList::insert(int index, TElement* e) {
    touchModel();
    const int n = count();
    if (index < 0 || index > n) throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    if (n == 0) {
        // An emptied block is given back (it used to stay allocated, unreachable, once the list
        // held its one element inline).
        if (isBlock()) std::free(block());
        m_bits = quintptr(e) | SingleTag;
        return;
    }
    if (index == n && isRun()) {
        append(e);
        return;
    }
    if (!isBlock() || isRun() || n == block()->capacity) grow(n + 1);
    TElement** it = items();
    std::memmove(it + index + 1, it + index, sizeof(TElement*) * size_t(n - index));
    it[index] = e;
    ++block()->count;
}

void TSuperList::removeAt(int index) {
    touchModel();
    const int n = count();
    if (index < 0 || index >= n) throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    if (!isBlock()) {
        m_bits = EmptyTag;
        return;
    }
    if (isRun()) {
        Block* b = block();
        if (index == 0) {
            TElement*& first = *reinterpret_cast<TElement**>(b + 1);
            first = runAt(b, 1);
            --b->count;
            return;
        }
        if (index == n - 1) {
            --b->count;
            return;
        }
        grow(n);
    }
    TElement** it = items();
    std::memmove(it + index, it + index + 1, sizeof(TElement*) * size_t(n - index - 1));
    --block()->count;
}

TElement* TSuperList::takeLast() {
    touchModel();
    const int n = count();
    if (n == 0) return nullptr;
    if (!isBlock()) {
        TElement* e = single();
        m_bits = EmptyTag;
        return e;
    }
    TElement* e = at(n - 1);
    --block()->count;
    return e;
}

int TSuperList::indexOf(const TElement* e) const {
    if (!isBlock()) return (m_bits & SingleTag) && single() == e ? 0 : -1;
    const int n = block()->count;
    if (isRun()) {
        if (n == 0) return -1;
        const quintptr step = quintptr(-block()->capacity);
        const quintptr offset = quintptr(e) - quintptr(runAt(block(), 0));
        // Addresses below the first wrap around to huge offsets and fall out with the bound test.
        if (offset % step != 0 || offset / step >= quintptr(n)) return -1;
        return int(offset / step);
    }
    TElement* const* it = items();
    for (int i = 0; i < n; ++i)
        if (it[i] == e) return i;
    return -1;
}

int TSuperList::removeFirst(const TElement* e) {
    const int i = indexOf(e);
    if (i >= 0) removeAt(i);
    return i;
}

int TSuperList::removeLast(const TElement* e) {
    if (!isBlock() || isRun()) return removeFirst(e); // one element, or a run that holds each once
    TElement* const* it = items();
    for (int i = block()->count - 1; i >= 0; --i)
        if (it[i] == e) {
            removeAt(i);
            return i;
        }
    return -1;
}

} // namespace zelto

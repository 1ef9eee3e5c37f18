// The stream reader's paging table (element number -> element, pages and runs). Private to
// persistence/: only the reader and its tests include it.
#pragma once

#include "framework/Elements.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace zelto {

namespace detail {

// The stream reader's table of the elements read, by element number. Most elements of a large
// stream are vertices: once its line holds a vertex, nothing needs its number any more, so the
// reader retires it from the table and keeps only a run record (first number, count, address of the
// first, address step) for a whole line's vertices: the table of a read of millions of vertices
// does not cost eight bytes for each of them while the read goes on. A retired number that the
// stream names after all is answered from its run and put back.
class TReadTable {
public:
    void clear();
    qint32 size() const { return m_size; }
    void push_back(TElement* element);
    // The element with this number (below size()); retired numbers are answered from their run.
    TElement* operator[](qint32 number);
    // Retires children of one holder: `numbers` ascending, each the element at `elements[i]`.
    // Only runs of at least MinRun numbers whose addresses step evenly are retired, and only
    // after every run retired so far; answers how many were retired. A retired element's ID (its
    // height while reading) becomes -1: it is a leaf, whose height counts as 0 either way.
    int retire(const std::vector<qint32>& numbers, const std::vector<TElement*>& elements);
    // Calls f(number, element) for the elements not retired, in number order.
    template <class F> void forEachLive(F&& f) const {
        for (size_t p = 0; p < m_pages.size(); ++p) {
            const Page& page = m_pages[p];
            const qint32 first = qint32(p) << PageBits;
            if (page.dense) {
                const qint32 end = std::min(PageSize, m_size - first);
                for (qint32 i = 0; i < end; ++i)
                    if (TElement* e = page.dense[size_t(i)]) f(first + i, e);
            } else {
                for (size_t i = 0; i < page.offsets.size(); ++i) f(first + page.offsets[i], page.elements[i]);
            }
        }
    }

    // Calls f(element) for the retired elements that were not named again.
    template <class F> void forEachRetired(F&& f) const {
        for (const Run& run : m_runs)
            for (qint32 n = run.first; n < run.first + run.count; ++n)
                if (!find(n)) f(run.at(n));
    }
    // Calls f(number, element) for the elements the read itself must account for: those not
    // retired, in number order, then (with number -1) the retired ones that a setter has since
    // taken from their holder (the holder no longer frees them).
    template <class F> void forEachRemaining(F&& f) const {
        forEachLive(f);
        forEachRetired([&](TElement* e) {
            if (!e->heldByContainer()) f(-1, e);
        });
    }

    static constexpr int MinRun = 4;

private:
    static constexpr int PageBits = 12;
    static constexpr qint32 PageSize = qint32(1) << PageBits;
    // A page is a plain array while it fills or while many of its numbers are in use; a full page
    // with few numbers in use keeps those as sorted (offset, element) pairs.
    struct Page {
        std::unique_ptr<TElement*[]> dense;
        std::vector<quint16> offsets;
        std::vector<TElement*> elements;
        qint32 live = 0;
    };
    struct Run {
        qint32 first;
        quint16 count;
        qint16 step;
        TElement* base;
        TElement* at(qint32 number) const {
            return reinterpret_cast<TElement*>(reinterpret_cast<char*>(base) +
                                               qptrdiff(number - first) * step);
        }
    };
    TElement* find(qint32 number) const;
    void put(qint32 number, TElement* element);
    void drop(qint32 number);
    void compact(size_t page);
    std::vector<Page> m_pages;
    std::vector<Run> m_runs; // ascending, not overlapping
    qint32 m_size = 0;
};

} // namespace detail

} // namespace zelto

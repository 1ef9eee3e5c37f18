#include "ReadTable.h"

namespace zelto {

namespace detail {

void TReadTable::clear() {
    std::vector<Page>().swap(m_pages);
    std::vector<Run>().swap(m_runs);
    m_size = 0;
}

void TReadTable::push_back(TElement* element) {
    if ((m_size & (PageSize - 1)) == 0) {
        if (!m_pages.empty()) compact(m_pages.size() - 1); // the page before is full now
        m_pages.emplace_back();
        m_pages.back().dense = std::make_unique_for_overwrite<TElement*[]>(size_t(PageSize));
    }
    Page& page = m_pages.back();
    page.dense[size_t(m_size & (PageSize - 1))] = element;
    ++page.live;
    ++m_size;
}

TElement* TReadTable::find(qint32 number) const {
    const Page& page = m_pages[size_t(number >> PageBits)];
    const auto offset = quint16(number & (PageSize - 1));
    if (page.dense) return page.dense[offset];
    const auto it = std::lower_bound(page.offsets.begin(), page.offsets.end(), offset);
    return it != page.offsets.end() && *it == offset ? page.elements[size_t(it - page.offsets.begin())]
                                                     : nullptr;
}

void TReadTable::put(qint32 number, TElement* element) {
    Page& page = m_pages[size_t(number >> PageBits)];
    const auto offset = quint16(number & (PageSize - 1));
    ++page.live;
    if (page.dense) {
        page.dense[offset] = element;
        return;
    }
    const auto it = std::lower_bound(page.offsets.begin(), page.offsets.end(), offset);
    page.elements.insert(page.elements.begin() + (it - page.offsets.begin()), element);
    page.offsets.insert(it, offset);
}

void TReadTable::drop(qint32 number) {
    Page& page = m_pages[size_t(number >> PageBits)];
    const auto offset = quint16(number & (PageSize - 1));
    if (page.dense) {
        if (!page.dense[offset]) return;
        page.dense[offset] = nullptr;
    } else {
        const auto it = std::lower_bound(page.offsets.begin(), page.offsets.end(), offset);
        if (it == page.offsets.end() || *it != offset) return;
        page.elements.erase(page.elements.begin() + (it - page.offsets.begin()));
        page.offsets.erase(it);
    }
    --page.live;
}

void TReadTable::compact(size_t index) {
    Page& page = m_pages[index];
    if (!page.dense || page.live > PageSize / 4) return;
    page.offsets.reserve(size_t(page.live));
    page.elements.reserve(size_t(page.live));
    for (qint32 i = 0; i < PageSize; ++i)
        if (TElement* e = page.dense[size_t(i)]) {
            page.offsets.push_back(quint16(i));
            page.elements.push_back(e);
        }
    page.dense.reset();
}

TElement* TReadTable::operator[](qint32 number) {
    if (TElement* e = find(number)) return e;
    const auto it = std::upper_bound(m_runs.begin(), m_runs.end(), number,
                                     [](qint32 n, const Run& r) { return n < r.first; });
    if (it == m_runs.begin()) return nullptr;
    const Run& run = *(it - 1);
    if (number >= run.first + run.count) return nullptr;
    TElement* e = run.at(number);
    put(number, e); // named again: from now on an ordinary entry
    return e;
}

int TReadTable::retire(const std::vector<qint32>& numbers, const std::vector<TElement*>& elements) {
    int retired = 0;
    qint32 after = m_runs.empty() ? 0 : m_runs.back().first + m_runs.back().count;
    size_t i = 0;
    while (i < numbers.size()) {
        // The longest run from i: consecutive numbers whose addresses step evenly.
        size_t j = i + 1;
        qptrdiff step = 0;
        if (j < numbers.size()) {
            step = reinterpret_cast<char*>(elements[j]) - reinterpret_cast<char*>(elements[i]);
            if (step < -32768 || step > 32767) step = 0;
        }
        while (step != 0 && j < numbers.size() && j - i < 65535 && numbers[j] == numbers[j - 1] + 1 &&
               reinterpret_cast<char*>(elements[j]) - reinterpret_cast<char*>(elements[j - 1]) == step)
            ++j;
        const size_t count = j - i;
        if (count >= size_t(MinRun) && numbers[i] >= after) {
            m_runs.push_back(Run{numbers[i], quint16(count), qint16(step), elements[i]});
            for (size_t k = i; k < j; ++k) {
                drop(numbers[k]);
                elements[k]->ID = -1;
            }
            after = numbers[i] + qint32(count);
            retired += int(count);
            // Full pages that few numbers use any more keep only those.
            for (size_t page = size_t(numbers[i] >> PageBits); page <= size_t(numbers[j - 1] >> PageBits);
                 ++page)
                if (page + 1 < m_pages.size()) compact(page);
        }
        i = j;
    }
    return retired;
}

} // namespace detail

} // namespace zelto

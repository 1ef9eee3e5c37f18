// Walks of an element graph for the tests that check what freeing a read reaches.
#pragma once

#include "framework/Elements.h"
#include "framework/e_Class.h"

#include <QSet>

#include <vector>

namespace zelto::testing {

// Every element `root` reaches through children and stored element properties, each once and
// `root` first: what freeing a read must free, whether or not ReadElements lists it.
inline std::vector<TElement*> reachedFrom(TElement* root) {
    std::vector<TElement*> all, stack{root};
    QSet<const TElement*> seen;
    while (!stack.empty()) {
        TElement* e = stack.back();
        stack.pop_back();
        if (!e || seen.contains(e)) continue;
        seen.insert(e);
        all.push_back(e);
        if (auto* entity = zelto_cast<TEntity>(e))
            for (TElement* child : entity->FElements) stack.push_back(child);
        for (const TPropInfo& p : e->ClassType().properties())
            if (p.kind == tkClass && p.readable() && p.staticallyStored())
                stack.push_back(zelto_cast<TElement>(p.get(e).obj));
    }
    return all;
}

} // namespace zelto::testing

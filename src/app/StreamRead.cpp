#include "StreamRead.h"

#include "framework/Elements.h"
#include "framework/Errors.h"
#include "persistence/t_Loader.h"

#include <unordered_set>

namespace zelto {

TStreamRead::TStreamRead(TElement* root, std::vector<TElement*> read)
    : m_root(root), m_read(std::move(read)) {}

TStreamRead::~TStreamRead() {
    if (m_taken) {
        if (!m_read.empty()) FreeElementSet(m_read);
    } else if (m_read.empty())
        delete m_root;
    else
        FreeElementSet(m_read);
}

TElement* TStreamRead::TakeRoot() {
    if (m_taken) return nullptr;
    m_taken = true;
    if (m_read.empty()) return m_root;
    // The root's tree: what it holds as children, and what those hold, transitively. Containers
    // that only list their entries (quick entities) do not hold them. An element also holds what
    // an element property of it names when it is among that value's owners (an area its holes):
    // freeing the root frees those too, so the read must not free them again.
    std::unordered_set<TElement*> tree{m_root};
    std::vector<TElement*> open{m_root};
    const auto take = [&](TElement* e) {
        if (e && tree.insert(e).second) open.push_back(e);
    };
    while (!open.empty()) {
        TElement* e = open.back();
        open.pop_back();
        auto* entity = zelto_cast<TEntity>(e);
        if (entity && !entity->Is<TQuickEntity>())
            for (TElement* child : entity->FElements) take(child);
        if (!entity) continue;
        for (const TPropInfo& p : e->ClassType().properties()) {
            if (p.kind != tkClass || !p.readable() || !p.staticallyStored()) continue;
            TElement* value = nullptr;
            try {
                value = zelto_cast<TElement>(p.get(e).obj);
            } catch (...) {
                continue;
            }
            if (value && value != e && value->IsMyOwner(entity)) take(value);
        }
    }
    std::vector<TElement*> rest;
    for (TElement* e : m_read)
        if (!tree.contains(e)) rest.push_back(e);
    // An element of the rest that also lists a member of the tree must not free it.
    for (TElement* e : rest)
        if (auto* entity = zelto_cast<TEntity>(e); entity && !entity->Is<TQuickEntity>())
            for (int i = entity->ElementsCount() - 1; i >= 0; --i)
                if (tree.contains(entity->FElements.at(i))) entity->RemoveElementIndex(i);
    m_read.swap(rest);
    return m_root;
}

std::unique_ptr<TStreamRead> TStreamRead::Read(const QString& path, QString& reason) {
    TLoad load(path);
    load.SetNoProgress(true);
    try {
        load.DoIt();
    } catch (const EZeltoError& e) {
        reason = e.message();
        return nullptr;
    }
    if (!load.FOutput) {
        reason = QStringLiteral("soubor neobsahuje žádný prvek");
        return nullptr;
    }
    return std::unique_ptr<TStreamRead>(new TStreamRead(load.FOutput, load.ReadElements()));
}

} // namespace zelto

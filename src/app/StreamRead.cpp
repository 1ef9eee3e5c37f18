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
    // The root's tree: what it holds as children, and what those hold. Containers that only
    // list their entries (quick entities) do not hold them.
    std::unordered_set<TElement*> tree{m_root};
    std::vector<TElement*> open{m_root};
    while (!open.empty()) {
        auto* entity = zelto_cast<TEntity>(open.back());
        open.pop_back();
        if (!entity || entity->Is<TQuickEntity>()) continue;
        for (TElement* child : entity->FElements)
            if (child && tree.insert(child).second) open.push_back(child);
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

// One whole read of an object stream: its root and every element read with it, freed together.
// Freeing only the root would leave behind what the read reached through element properties
// alone; a form that reloads symbol sets or layers would leak that on every reload.
#pragma once

#include <QString>

#include <memory>
#include <vector>

namespace zelto {

class TElement;

class TStreamRead {
public:
    // Reads the file without progress reports; none, with the reason, when it cannot be read or
    // holds no element.
    static std::unique_ptr<TStreamRead> Read(const QString& path, QString& reason);
    ~TStreamRead();
    TStreamRead(const TStreamRead&) = delete;
    TStreamRead& operator=(const TStreamRead&) = delete;

    TElement* Root() const { return m_root; }
    // Hands the root over to the caller, who frees it and, with it, everything it holds as its
    // children (transitively). The read keeps the rest, the elements that only properties refer
    // to, and frees them when it goes: keep the read until the root's tree is freed. None when
    // the root was already taken.
    TElement* TakeRoot();

private:
    TStreamRead(TElement* root, std::vector<TElement*> read);
    TElement* m_root;
    std::vector<TElement*> m_read; // empty for a read whose root alone holds everything
    bool m_taken = false;          // the root and its tree belong to the caller
};

} // namespace zelto

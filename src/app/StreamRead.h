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

private:
    TStreamRead(TElement* root, std::vector<TElement*> read);
    TElement* m_root;
    std::vector<TElement*> m_read; // empty for a read whose root alone holds everything
};

} // namespace zelto

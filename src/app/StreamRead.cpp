#include "StreamRead.h"

#include "framework/Elements.h"
#include "framework/Errors.h"
#include "persistence/t_Loader.h"

namespace zelto {

TStreamRead::TStreamRead(TElement* root, std::vector<TElement*> read)
    : m_root(root), m_read(std::move(read)) {}

TStreamRead::~TStreamRead() {
    if (m_read.empty())
        delete m_root;
    else
        FreeElementSet(m_read);
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

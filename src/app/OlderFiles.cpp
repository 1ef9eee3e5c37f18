#include "OlderFiles.h"

#include "Layers.h"
#include "StreamRead.h"

#include "framework/Notifier.h"
#include "geometry/e_Geometry.h"
#include "geometry/e_GeometryElement.h"

#include <QDir>
#include <QFileInfo>

#include <memory>

namespace zelto {

QString OlderFilePath(const QString& path, const QString& alternativePath) {
    return QFileInfo(alternativePath).isFile() ? alternativePath
           : QFileInfo(path).isFile()          ? path
                                               : QString();
}

bool MoveOlderFileInto(TLayersController& layers, TComplicatedGECollection* layer, const QString& subLayer,
                       const QString& file) {
    if (!layer || file.isEmpty()) return false;
    QString reason;
    std::unique_ptr<TStreamRead> read = TStreamRead::Read(file, reason);
    if (!read) {
        notifier().message(
            QStringLiteral("Soubor %1 nelze přečíst: %2").arg(QDir::toNativeSeparators(file), reason));
        return false;
    }
    auto* container = zelto_cast<TEntity>(read->Root());
    if (!container || container->ElementsCount() == 0) return false;
    TComplicatedGECollection* target = layer->GetLayer(subLayer);
    read->TakeRoot();
    // The emptied root goes before the read, which keeps what only properties refer to.
    std::unique_ptr<TEntity> owner(container);
    while (container->ElementsCount() > 0) {
        TElement* e = container->Get(0);
        container->RemoveElementIndex(0);
        if (auto* line = zelto_cast<TPolyElement>(e)) line->RecalculateRect();
        target->AddElement(e);
    }
    layer->SetEnabled(true);
    layer->SetVisible(true);
    layer->SetModified(true);
    layers.Layers_Modified = true;
    layers.KeepRead(std::move(read));
    return true;
}

} // namespace zelto

// The route and note files of older versions: object streams whose root entity holds the routes
// or the notes. Opening a project of such a version moves them into a user layer once.
#pragma once

#include <QString>

namespace zelto {

class TComplicatedGECollection;
class TLayersController;

// The file to read: `alternativePath` when it is a file, else `path` when it is one, else empty.
QString OlderFilePath(const QString& path, const QString& alternativePath);

// Reads `file` and moves the objects of its root into the sub-layer `subLayer` of `layer`, which
// becomes enabled, visible and modified (and the layers with it). A file that cannot be read is
// reported. False when nothing was moved.
bool MoveOlderFileInto(TLayersController& layers, TComplicatedGECollection* layer, const QString& subLayer,
                       const QString& file);

} // namespace zelto

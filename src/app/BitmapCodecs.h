// Picture files of the map: the tile pictures and the placeholder of a missing tile. Besides the
// suffixes the image plugins know, extensions can be registered for a codec: map tiles are
// often JPEG files named with the extension ".j".
#pragma once

#include <QImage>
#include <QString>

namespace zelto {

class TBitmapCodecManager {
public:
    // Registers the extension (with or without its dot, any case) for the codec's format
    // ("jpeg"), with a description, as able to load and save.
    static void RegisterBitmapCodecClass(const QString& extension, const QString& description,
                                         const QByteArray& format);
    // The registered format of the file's extension; empty when none is registered.
    static QByteArray FormatOf(const QString& fileName);
    static QString DescriptionOf(const QString& extension);
    // Loads the picture, with the registered codec for a registered extension and by the file's
    // contents otherwise. A null image (and the reader's error text) when it cannot be read.
    static QImage Load(const QString& fileName, QString* error = nullptr);
    // Saves the picture with the registered codec for a registered extension.
    static bool Save(const QImage& image, const QString& fileName, QString* error = nullptr);
};

} // namespace zelto

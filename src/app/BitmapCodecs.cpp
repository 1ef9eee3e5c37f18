#include "BitmapCodecs.h"

#include <QFileInfo>
#include <QHash>
#include <QImageReader>
#include <QImageWriter>
#include <QMutex>

namespace zelto {

namespace {

struct Codec {
    QByteArray format;
    QString description;
};

struct Registry {
    QMutex mutex;
    QHash<QString, Codec> codecs; // by lower-case extension without the dot
};

Registry& registry() {
    static Registry r;
    return r;
}

QString key(QString extension) {
    if (extension.startsWith(QLatin1Char('.'))) extension.remove(0, 1);
    return extension.toLower();
}

} // namespace

void TBitmapCodecManager::RegisterBitmapCodecClass(const QString& extension, const QString& description,
                                                   const QByteArray& format) {
    Registry& r = registry();
    QMutexLocker lock(&r.mutex);
    r.codecs.insert(key(extension), Codec{format, description});
}

QByteArray TBitmapCodecManager::FormatOf(const QString& fileName) {
    Registry& r = registry();
    QMutexLocker lock(&r.mutex);
    const auto it = r.codecs.constFind(key(QFileInfo(fileName).suffix()));
    return it == r.codecs.constEnd() ? QByteArray() : it->format;
}

QString TBitmapCodecManager::DescriptionOf(const QString& extension) {
    Registry& r = registry();
    QMutexLocker lock(&r.mutex);
    return r.codecs.value(key(extension)).description;
}

QImage TBitmapCodecManager::Load(const QString& fileName, QString* error) {
    const QByteArray format = FormatOf(fileName);
    QImageReader reader(fileName, format);
    // A registered extension names its codec; otherwise the contents decide.
    reader.setDecideFormatFromContent(format.isEmpty());
    QImage image = reader.read();
    if (image.isNull() && error) *error = reader.errorString();
    return image;
}

bool TBitmapCodecManager::Save(const QImage& image, const QString& fileName, QString* error) {
    QImageWriter writer(fileName, FormatOf(fileName));
    const bool ok = writer.write(image);
    if (!ok && error) *error = writer.errorString();
    return ok;
}

} // namespace zelto

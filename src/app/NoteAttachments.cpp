#include "NoteAttachments.h"

#include "Layers.h"
#include "OlderFiles.h"

#include "framework/E_Type.h"
#include "framework/Notifier.h"
#include "framework/ProjectPath.h"
#include "framework/SafeFile.h"
#include "geometry/e_GeometryElement.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>

namespace zelto {

namespace {

std::function<QDateTime()>& clock() {
    static std::function<QDateTime()> c;
    return c;
}

// dir with exactly one trailing separator.
QString withSlash(const QString& dir) {
    return dir.endsWith(QLatin1Char('/')) ? dir : dir + QLatin1Char('/');
}

} // namespace

void setNoteClock(std::function<QDateTime()> c) {
    clock() = std::move(c);
}

QDateTime noteNow() {
    return clock() ? clock()() : QDateTime::currentDateTime();
}

QString NoteStamp(const QDateTime& moment) {
    return moment.toString(QStringLiteral("yyyyMMdd_HHmmss"));
}

QString UniqueAttachmentName(const QString& dir, const QString& prefix, const QString& extension,
                             const QStringList& inUse) {
    const QString base = prefix + NoteStamp(noteNow());
    const QString folder = withSlash(dir);
    auto taken = [&](const QString& name) {
        return inUse.contains(name, Qt::CaseInsensitive) || QFileInfo::exists(folder + name) ||
               QFileInfo(folder + name).isSymLink();
    };
    QString name = base + extension;
    for (int n = 2; taken(name); ++n) name = base + QLatin1Char('_') + QString::number(n) + extension;
    return name;
}

QString UniquePhotoName(const QString& dir, const QStringList& inUse) {
    return UniqueAttachmentName(dir, QStringLiteral("KLIMG_"), QStringLiteral(".jpg"), inUse);
}

QString UniqueAudioName(const QString& dir, const QStringList& inUse) {
    return UniqueAttachmentName(dir, QStringLiteral("KLAUD_"), QStringLiteral(".mp3"), inUse);
}

bool IsPlainAttachmentName(const QString& name) {
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")) return false;
    if (QDir::isAbsolutePath(name)) return false;
    for (const QChar c : name)
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char(':') || c.unicode() < 0x20)
            return false;
    return true;
}

QString AttachmentPath(const QString& dir, const QString& name) {
    if (dir.isEmpty() || !IsPlainAttachmentName(name)) return {};
    const QString path = withSlash(dir) + name;
    return TProjectPath::StaysInside(path, dir) ? path : QString();
}

std::vector<TAttachmentFile> ExistingAttachments(const TStringListElement* list, const QString& dir) {
    std::vector<TAttachmentFile> files;
    for (int i = 0; list && i < list->ElementsCount(); ++i) {
        const QString name = list->GetNameAtIndex(i);
        const QString path = AttachmentPath(dir, name);
        if (path.isEmpty() || !QFileInfo(path).isFile()) {
            // A name that leads out of the folder is reported as missing: it is never read.
            notifier().message(QStringLiteral("Soubor ") + (path.isEmpty() ? dir + name : path) +
                               QStringLiteral(" neexistuje!"));
            continue;
        }
        files.push_back({name, list->GetString(i), path});
    }
    return files;
}

QImage ReadPhoto(const QString& path, const QSize& scaledTo, QString* error) {
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (scaledTo.isValid() && size.isValid())
        reader.setScaledSize(size.scaled(scaledTo, Qt::KeepAspectRatio));
    QImage image = reader.read();
    if (image.isNull() && error) *error = reader.errorString();
    return image;
}

bool EnsureAttachmentDir(const QString& dir) {
    return !dir.isEmpty() && (QFileInfo(dir).isDir() || QDir().mkpath(dir));
}

bool WritePhotoFile(const QString& path, const QImage& image, QString* error) {
    if (image.isNull()) {
        if (error) *error = QStringLiteral("prázdný obrázek");
        return false;
    }
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(90);
    if (!writer.write(image)) {
        if (error) *error = writer.errorString();
        return false;
    }
    return writeFileAtomically(path, data, error);
}

bool DeleteAttachmentFile(const QString& dir, const QString& name) {
    const QString path = AttachmentPath(dir, name);
    if (path.isEmpty()) return false;
    // A link inside the folder is removed as a link; its target is never touched.
    return QFile::remove(path);
}

bool Note_Load(TLayersController& layers, TComplicatedGECollection* superLayer, const QString& notesPath,
               const QString& alternativeNotesPath, const TNoteLoadHooks& hooks) {
    if (!superLayer) return false;
    if (layers.Layers() && layers.Layers()->FindElementName(QStringLiteral("Notes"))) return false;
    const QString path = OlderFilePath(notesPath, alternativeNotesPath);
    if (path.isEmpty()) return false;
    if (hooks.ShowBusy) hooks.ShowBusy(QStringLiteral("Čtení Poznámek z ") + notesPath);
    const bool moved = MoveOlderFileInto(layers, superLayer, QStringLiteral("N"), path);
    if (hooks.HideBusy) hooks.HideBusy();
    return moved;
}

} // namespace zelto

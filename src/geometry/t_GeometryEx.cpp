#include "t_GeometryEx.h"

#include "e_GeometryEx.h"
#include "framework/E_Type.h"
#include "framework/Notifier.h"
#include "framework/ProjectPath.h"
#include "framework/e_Class.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <filesystem>
#include <system_error>

namespace zelto {

namespace {

const QString ImgDir = QStringLiteral("img");
const QString AudioDir = QStringLiteral("audio");

QString withDelimiter(const QString& dir) {
    return dir.endsWith(QLatin1Char('/')) || dir.endsWith(QLatin1Char('\\')) ? dir : dir + QLatin1Char('/');
}

bool isAutomatic(const QString& dir) {
    return dir.isEmpty() || dir.toUpper() == QLatin1String("AUTO");
}

// The accepted file names of one attachment list, in order; refused ones go to the protocol.
QStringList acceptedNames(const TStringListElement* list) {
    QStringList names;
    if (!list) return names;
    for (int i = 0; i < list->ElementsCount(); ++i) {
        const QString name = list->GetNameAtIndex(i);
        const QString refusal = attachmentNameRefusal(name);
        if (refusal.isEmpty())
            names << name;
        else
            notifier().protocol(refusal);
    }
    return names;
}

// A regular file that is not a link (a link could lead out of the directory).
bool isPlainFile(const QString& path) {
    const QFileInfo info(path);
    return info.exists() && info.isFile() && !info.isSymLink();
}

// Copies through a temporary file in the destination directory, so that a failed copy leaves the
// previous file and copying a file onto itself loses nothing.
bool copyReplacing(const QString& from, const QString& to) {
    const QString partial = to + QStringLiteral(".part");
    QFile::remove(partial);
    if (!QFile::copy(from, partial)) return false;
    std::error_code ec;
    std::filesystem::rename(QFile::encodeName(partial).toStdString(), QFile::encodeName(to).toStdString(),
                            ec);
    if (ec) {
        QFile::remove(partial);
        return false;
    }
    return true;
}

// Whether two regular files hold the same bytes.
bool sameContents(const QString& a, const QString& b) {
    QFile fa(a), fb(b);
    if (fa.size() != fb.size() || !fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly))
        return false;
    constexpr qint64 Chunk = 1 << 16;
    while (!fa.atEnd()) {
        const QByteArray x = fa.read(Chunk), y = fb.read(Chunk);
        if (x != y || x.isEmpty()) return false;
    }
    return fb.atEnd();
}

// The name the file `source` gets in `dir`: `name` when it is free or already holds the same
// contents; otherwise name_2, name_3, … (before the extension), the first that is free or holds
// the same contents and that no other entry of the list uses. Another file is never replaced.
QString destinationName(const QString& source, const QString& dir, const QString& name,
                        const QStringList& otherEntries) {
    const auto fits = [&](const QString& candidate) {
        const QFileInfo info(dir + candidate);
        if (!info.exists() && !info.isSymLink()) return true;
        return isPlainFile(info.filePath()) && sameContents(source, info.filePath());
    };
    if (fits(name)) return name;
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot > 0 ? name.left(dot) : name;
    const QString extension = dot > 0 ? name.mid(dot) : QString();
    for (int k = 2;; ++k) {
        const QString candidate = stem + QLatin1Char('_') + QString::number(k) + extension;
        if (otherEntries.contains(candidate, Qt::CaseInsensitive)) continue;
        if (fits(candidate)) return candidate;
    }
}

// Copies the files the list names from `from`/sub to `to`/sub. A file already there with the same
// contents is not copied again; a different file of that name is kept, the copy takes a free name
// and the list's entry is renamed to it.
void copyAttachments(TStringListElement* list, const QString& from, const QString& to, const QString& sub) {
    const QStringList names = acceptedNames(list);
    if (names.isEmpty()) return;
    const QString target = to + sub + QLatin1Char('/');
    if (!QDir().mkpath(target)) {
        notifier().protocol(QStringLiteral("Nelze vytvořit adresář ") + target);
        return;
    }
    for (int i = 0; i < list->ElementsCount(); ++i) {
        const QString name = list->GetNameAtIndex(i);
        if (!names.contains(name)) continue;
        const QString source = from + sub + QLatin1Char('/') + name;
        if (!isPlainFile(source)) continue;
        QStringList others;
        for (int j = 0; j < list->ElementsCount(); ++j)
            if (j != i) others << list->GetNameAtIndex(j);
        const QString chosen = destinationName(source, target, name, others);
        const QString destination = target + chosen;
        if (chosen != name) list->PutName(i, chosen);
        if (QFileInfo::exists(destination)) continue; // the same contents are there already
        if (!copyReplacing(source, destination))
            notifier().protocol(QStringLiteral("Soubor ") + source + QStringLiteral(" nelze zkopírovat do ") +
                                destination);
    }
}

} // namespace

QString attachmentNameRefusal(const QString& name) {
    bool bad = name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") ||
               name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')) ||
               (name.size() >= 2 && name.at(1) == QLatin1Char(':'));
    for (QChar c : name)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f) bad = true;
    if (!bad) return QString();
    return QStringLiteral("Název souboru přílohy \"") + name +
           QStringLiteral("\" byl odmítnut: smí to být jen jméno souboru bez cesty");
}

// ---- Tgis_NoteTransfer ---------------------------------------------------------------------------

void Tgis_NoteTransfer::DeclareProperties(TPropTableBuilder& b) {
    b.field<&Tgis_NoteTransfer::FFromDirectory>("FromDirectory");
    b.field<&Tgis_NoteTransfer::FToDirectory>("ToDirectory");
}
ZELTO_IMPLEMENT_CLASS(Tgis_NoteTransfer, TTool, "t_GeometryEx")

QString Tgis_NoteTransfer::NumberToPropertyName(int number) const {
    return number == 0 ? QStringLiteral("FromDirectory") : QStringLiteral("ToDirectory");
}

void Tgis_NoteTransfer::DoIt() {
    FError = 1;
    if (!FInPut) return;
    FError = 2;
    auto* note = zelto_cast<Tgis_Note>(FInPut);
    if (!note) return;
    FError = 3;
    QString from = FFromDirectory;
    QString to = FToDirectory;
    if (isAutomatic(from) && isAutomatic(to)) return;
    FError = 4;
    if (isAutomatic(from) || isAutomatic(to)) {
        if (TProjectPath::Root.isEmpty()) {
            notifier().protocol(QStringLiteral("Přílohy poznámky nelze přenést: není otevřen žádný projekt"));
            return;
        }
        (isAutomatic(from) ? from : to) = TProjectPath::Root;
    }
    from = withDelimiter(QDir::fromNativeSeparators(from));
    to = withDelimiter(QDir::fromNativeSeparators(to));
    if (!note->GetNoImages()) copyAttachments(note->GetImages(), from, to, ImgDir);
    if (!note->GetNoAudios()) copyAttachments(note->GetAudios(), from, to, AudioDir);
    FError = 0;
}

// ---- Tgis_NoteKillData ---------------------------------------------------------------------------

ZELTO_IMPLEMENT_CLASS_NOPROPS(Tgis_NoteKillData, TTool, "t_GeometryEx")

void Tgis_NoteKillData::DoIt() {
    FError = 1;
    if (!FInPut) return;
    FError = 2;
    auto* note = zelto_cast<Tgis_Note>(FInPut);
    if (!note) return;
    FError = 3;
    if (TProjectPath::Root.isEmpty()) {
        notifier().protocol(QStringLiteral("Přílohy poznámky nelze smazat: není otevřen žádný projekt"));
        return;
    }
    const QString root = withDelimiter(QDir::fromNativeSeparators(TProjectPath::Root));
    const auto kill = [&](const TStringListElement* list, const QString& sub) {
        for (const QString& name : acceptedNames(list)) {
            const QString path = root + sub + QLatin1Char('/') + name;
            const QFileInfo info(path);
            // A link is removed itself, never what it points to; a directory is left alone.
            if ((info.exists() || info.isSymLink()) && !info.isDir() && !QFile::remove(path))
                notifier().protocol(QStringLiteral("Soubor ") + path + QStringLiteral(" nelze smazat"));
        }
    };
    kill(note->GetImages(), ImgDir);
    kill(note->GetAudios(), AudioDir);
    FError = 0;
}

void registerNoteToolClasses() {
    RegisterZeltoClass(Tgis_NoteTransfer::StaticClass());
    RegisterZeltoClass(Tgis_NoteKillData::StaticClass());
}

} // namespace zelto

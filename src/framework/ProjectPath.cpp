#include "ProjectPath.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <cstring>

namespace zelto {

QString TProjectPath::Project;
QString TProjectPath::PurePrj;
QString TProjectPath::Root;
QString TProjectPath::User;
QString TProjectPath::CFG;
QString TProjectPath::UID;
QString TProjectPath::UserLayers;
QString TProjectPath::UDSM;
QString TProjectPath::Audio;
QString TProjectPath::Img;
QString TProjectPath::maps;

namespace {

QString& publicFolder() {
    static QString folder;
    return folder;
}

QString withDelimiter(const QString& dir) {
    return dir.endsWith(QLatin1Char('/')) ? dir : dir + QLatin1Char('/');
}

} // namespace

void TProjectPath::Clear() {
    for (QString* s : {&Project, &PurePrj, &Root, &User, &CFG, &UID, &UserLayers, &UDSM, &Audio, &Img, &maps})
        s->clear();
}

QString TProjectPath::PublicFolder() {
    if (publicFolder().isEmpty()) return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return publicFolder();
}

void TProjectPath::SetPublicFolder(const QString& folder) {
    publicFolder() = folder;
}

bool TProjectPath::CheckDirectories() {
    PurePrj = QFileInfo(Project).completeBaseName();
    Root = withDelimiter(QDir(PublicFolder()).filePath(QStringLiteral("map/project/") + PurePrj));
    User = Root + PurePrj + QStringLiteral("_USER.zlt");
    CFG = Root + PurePrj + QStringLiteral(".cfg");
    UserLayers = Root + QStringLiteral("USERLAYERS_") + FileNamePart(UID) + QStringLiteral(".xml");
    UDSM = Root + QStringLiteral("UDSM_") + PurePrj + QStringLiteral(".zlt");
    Audio = Root + QStringLiteral("audio/");
    Img = Root + QStringLiteral("img/");
    maps = Root + QStringLiteral("maps/");
    // A link in their place would make the directories, and everything saved into them, land
    // elsewhere: each is checked before it is made.
    const QString pub = PublicFolder();
    bool ok = true;
    for (const QString& dir : {Root, Audio, Img, maps})
        ok = StaysInside(dir, pub) && QDir().mkpath(dir) && ok;
    return ok;
}

bool TProjectPath::StaysInside(const QString& path, const QString& folder) {
    const QString realFolder = QFileInfo(folder).canonicalFilePath();
    if (realFolder.isEmpty()) return false;
    // The nearest part of the path that exists; what follows it cannot be a link yet.
    QString existing = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    QString rest;
    while (!QFileInfo::exists(existing)) {
        if (QFileInfo(existing).isSymLink()) return false; // dangling
        const qsizetype slash = existing.lastIndexOf(QLatin1Char('/'));
        if (slash <= 0) return false;
        rest = existing.mid(slash) + rest;
        existing.truncate(slash);
    }
    const QString real = QFileInfo(existing).canonicalFilePath() + rest;
    return real == realFolder || real.startsWith(withDelimiter(realFolder));
}

QString TProjectPath::Layer(const QString& layerName) {
    return Root + QStringLiteral("UDSML_") + PurePrj + QLatin1Char('_') + FileNamePart(layerName) +
           QStringLiteral(".zlt");
}

QString TProjectPath::FileNamePart(const QString& name) {
    // Characters that lead out of the folder or that the file systems of memory cards refuse
    // are written as "%" and two hexadecimal digits per UTF-8 byte, and so is "%" itself: the
    // mapping is stable and two names never share a file. Ordinary names keep their text.
    static constexpr char Unsafe[] = "/\\:*?\"<>|%";
    QByteArray part;
    const QByteArray utf8 = name.toUtf8();
    for (const char c : utf8) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F || std::strchr(Unsafe, c))
            part += '%' + QByteArray::number(u, 16).toUpper().rightJustified(2, '0');
        else
            part += c;
    }
    // A name too long for a file name keeps its beginning and gets its digest; "%%" marks it and
    // never comes out of the escaping above.
    constexpr int MaxBytes = 120;
    if (part.size() > MaxBytes) {
        QByteArray head = part.left(MaxBytes - 18);
        while (!head.isEmpty() && (static_cast<unsigned char>(head.back()) & 0xC0) == 0x80) head.chop(1);
        if (!head.isEmpty() && static_cast<unsigned char>(head.back()) >= 0xC0) head.chop(1);
        while (head.endsWith('%') || (head.size() >= 2 && head.at(head.size() - 2) == '%')) head.chop(1);
        part = head + "%%" + QCryptographicHash::hash(utf8, QCryptographicHash::Sha1).toHex().left(16);
    }
    return QString::fromUtf8(part);
}

} // namespace zelto

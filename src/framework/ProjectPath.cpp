#include "ProjectPath.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

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
    bool ok = true;
    for (const QString& dir : {Root, Audio, Img, maps}) ok = QDir().mkpath(dir) && ok;
    return ok;
}

QString TProjectPath::Layer(const QString& layerName) {
    return Root + QStringLiteral("UDSML_") + PurePrj + QLatin1Char('_') + FileNamePart(layerName) +
           QStringLiteral(".zlt");
}

QString TProjectPath::FileNamePart(const QString& name) {
    QString part = name;
    for (QChar& c : part)
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.category() == QChar::Other_Control)
            c = QLatin1Char('_');
    return part;
}

} // namespace zelto

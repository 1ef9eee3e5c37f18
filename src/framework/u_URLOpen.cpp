#include "u_URLOpen.h"

#include <QProcess>
#include <QStringList>

namespace zelto {

namespace {

UrlOpener& installedOpener() {
    static UrlOpener opener;
    return opener;
}

} // namespace

void setUrlOpener(UrlOpener opener) {
    installedOpener() = std::move(opener);
}

bool openUrlWithSystemHandler(const QString& url) {
    const QString target = url.trimmed();
    // A leading "-" would be taken for an option of the opener program.
    if (target.isEmpty() || target.startsWith(QLatin1Char('-'))) return false;
#if defined(Q_OS_WIN)
    return QProcess::startDetached(QStringLiteral("rundll32"),
                                   {QStringLiteral("url.dll,FileProtocolHandler"), target});
#elif defined(Q_OS_MACOS)
    return QProcess::startDetached(QStringLiteral("open"), {target});
#else
    return QProcess::startDetached(QStringLiteral("xdg-open"), {target});
#endif
}

bool tUrlOpen::Open(const QString& Url) {
    const UrlOpener& opener = installedOpener();
    return opener ? opener(Url) : openUrlWithSystemHandler(Url);
}

} // namespace zelto

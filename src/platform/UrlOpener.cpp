#include "UrlOpener.h"

#include <QDesktopServices>
#include <QUrl>

namespace zelto::platform {

namespace {

UrlOpener& opener() {
    static UrlOpener o;
    return o;
}

} // namespace

bool openUrl(const QString& url) {
    if (opener()) return opener()(url);
    const QUrl parsed(url); // tolerant: a blank in the query is sent encoded
    if (!parsed.isValid()) return false;
    return QDesktopServices::openUrl(parsed);
}

void setUrlOpener(UrlOpener o) {
    opener() = std::move(o);
}

} // namespace zelto::platform

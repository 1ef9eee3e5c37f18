// Opening a web address in the desktop's browser (the cadastral viewer of a tapped point). Tests
// put a recorder in its place.
#pragma once

#include <QString>

#include <functional>

namespace zelto::platform {

using UrlOpener = std::function<bool(const QString& url)>;

// Opens the address with the desktop's URL handler (or the opener set); false when nothing took it.
bool openUrl(const QString& url);
// Replaces the desktop's handler (none: the desktop's again).
void setUrlOpener(UrlOpener opener);

} // namespace zelto::platform

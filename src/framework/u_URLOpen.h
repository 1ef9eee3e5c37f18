// Opening a URL or a document with the system's default handler.
#pragma once

#include <QString>

#include <functional>

namespace zelto {

class tUrlOpen {
public:
    // True when the handler was started.
    static bool Open(const QString& Url);
};

// The application installs an opener of its GUI toolkit; an empty function restores the default.
using UrlOpener = std::function<bool(const QString& url)>;
void setUrlOpener(UrlOpener opener);

// The default: the platform's opener program, started detached.
bool openUrlWithSystemHandler(const QString& url);

} // namespace zelto

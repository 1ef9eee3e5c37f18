// One load of arbitrary bytes as the stream reader sees a file: shared by the fuzz target and the
// replay test so that both judge an input the same way.
#pragma once

#include "framework/Elements.h"
#include "persistence/t_Loader.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

namespace zelto::fuzz {

enum class LoadResult { Loaded, Refused };

// Reads `data`; a damaged stream may only be refused with an EZeltoError. Whatever was read is
// freed here, so a sanitizer sees every leak and every use after free. Any other exception
// escapes to the caller as a finding.
inline LoadResult loadAndFree(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    TLoad load(QStringLiteral("fuzz.zlt"));
    load.SetNoProgress(true);
    load.SetData(bytes);
    try {
        load.DoIt();
    } catch (const EZeltoError&) {
        return LoadResult::Refused;
    }
    FreeElementSet(load.ReadElements());
    return LoadResult::Loaded;
}

} // namespace zelto::fuzz

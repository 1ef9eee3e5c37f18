// Starting other programs.
#pragma once

#include <QString>

namespace zelto {

// Starting another program is not part of this system: the call does nothing.
void _CreateProcess(const QString& Program, const QString& Parameters);

} // namespace zelto

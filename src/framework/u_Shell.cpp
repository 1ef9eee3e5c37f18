#include "u_Shell.h"

namespace zelto {

void _CreateProcess(const QString& Program, const QString& Parameters) {}

} // namespace zelto

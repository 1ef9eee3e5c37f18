// Shared between the element framework's own files; not for use outside framework/.
#pragma once

#include "Elements.h"

namespace zelto {

// Called by an element's destructor when it has an object number: the number is no longer answered.
void withdrawObjectNumber(const TElement* element);

} // namespace zelto

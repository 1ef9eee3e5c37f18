// The host's event handlers: a callable and the object it is bound to in one. The sender is the
// element the event is about (the selected forest unit of OnSelectJPRL), or none.
#pragma once

#include <functional>

namespace zelto {

class TElement;

using TZeltoEvent = std::function<void(TElement* sender)>;

} // namespace zelto

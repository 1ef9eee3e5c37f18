// A world for one test: the current World while the scope lives; the previous one comes back after.
#pragma once

#include "framework/Worlds.h"

namespace zelto::testing {

class WorldScope {
public:
    WorldScope() : m_previous(World) { World = &m_world; }
    ~WorldScope() { World = m_previous; }
    WorldScope(const WorldScope&) = delete;
    WorldScope& operator=(const WorldScope&) = delete;
    TWorld& world() { return m_world; }

private:
    TWorld* m_previous;
    TWorld m_world;
};

} // namespace zelto::testing

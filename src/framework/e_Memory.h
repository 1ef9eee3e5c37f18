// The memory status element: one snapshot of the machine's memory figures, taken at creation
// and by Refresh. The figures are bytes; the 32-bit properties saturate at 4 GiB - 1 (a machine
// with more memory would otherwise report a wrapped, plainly wrong number); the 64-bit values are
// available through status().
#pragma once

#include "Elements.h"

#include <functional>

namespace zelto {

struct TMemoryStatus {
    quint64 totalPhys = 0, availPhys = 0;
    quint64 totalPageFile = 0, availPageFile = 0;
    quint64 totalVirtual = 0, availVirtual = 0;
};

// Reads the operating system's figures (/proc/meminfo and the process status on Linux).
TMemoryStatus readSystemMemoryStatus();
// Replaces the source of the figures (tests); an empty function restores the system source.
void setMemoryStatusSource(std::function<TMemoryStatus()> source);

class TMemoryElement : public TOwnerElement {
    ZELTO_CLASS(TMemoryElement, TOwnerElement)
public:
    TMemoryElement();
    void Refresh();
    const TMemoryStatus& status() const { return m_status; }

    quint32 GetAlocatedMemory() const;
    quint32 GetAvailMemory() const;
    quint32 GetMemoryLoad() const;
    quint32 GetTotalPhys() const;
    quint32 GetAvailPhys() const;
    quint32 GetTotalPageFile() const;
    quint32 GetAvailPageFile() const;
    quint32 GetTotalVirtual() const;
    quint32 GetAvailVirtual() const;

private:
    TMemoryStatus m_status;
};

void registerMemoryElementClasses();

} // namespace zelto

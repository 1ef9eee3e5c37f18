#include "e_Memory.h"

#include "e_Class.h"

#include <QFile>
#include <QMutex>
#include <QMutexLocker>

#include <limits>

namespace zelto {

namespace {

// Values of "Key:   123 kB" lines, in bytes.
quint64 readKb(const QByteArray& text, const char* key) {
    const QByteArray k = QByteArray(key) + ':';
    qsizetype at = 0;
    while ((at = text.indexOf(k, at)) >= 0) {
        if (at == 0 || text.at(at - 1) == '\n') {
            const qsizetype end = text.indexOf('\n', at);
            QByteArray value = text.mid(at + k.size(), end < 0 ? -1 : end - at - k.size()).trimmed();
            if (value.endsWith("kB")) value.chop(2);
            return value.trimmed().toULongLong() * 1024;
        }
        at += k.size();
    }
    return 0;
}

QByteArray readAll(const char* path) {
    QFile f(QString::fromLatin1(path));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QMutex g_sourceMutex;
std::function<TMemoryStatus()> g_source;

quint32 saturate(quint64 v) {
    return v > std::numeric_limits<quint32>::max() ? std::numeric_limits<quint32>::max() : quint32(v);
}

} // namespace

TMemoryStatus readSystemMemoryStatus() {
    TMemoryStatus s;
    const QByteArray mem = readAll("/proc/meminfo");
    s.totalPhys = readKb(mem, "MemTotal");
    s.availPhys = readKb(mem, "MemAvailable");
    if (s.availPhys == 0) s.availPhys = readKb(mem, "MemFree");
    const quint64 swapTotal = readKb(mem, "SwapTotal");
    const quint64 swapFree = readKb(mem, "SwapFree");
    // The commit limit of the machine: physical memory plus swap.
    s.totalPageFile = s.totalPhys + swapTotal;
    s.availPageFile = s.availPhys + swapFree;
    // The process's address space: the user half of a 47-bit space; in use is its virtual size.
    s.totalVirtual = quint64(1) << 47;
    const quint64 used = readKb(readAll("/proc/self/status"), "VmSize");
    s.availVirtual = used < s.totalVirtual ? s.totalVirtual - used : 0;
    return s;
}

void setMemoryStatusSource(std::function<TMemoryStatus()> source) {
    QMutexLocker lock(&g_sourceMutex);
    g_source = std::move(source);
}

void TMemoryElement::DeclareProperties(TPropTableBuilder& b) {
    b.readOnly<&TMemoryElement::GetAlocatedMemory>("AlocatedMemory").stored(false);
    b.readOnly<&TMemoryElement::GetAvailMemory>("AvailMemory").stored(false);
    b.readOnly<&TMemoryElement::GetMemoryLoad>("MemoryLoad").stored(false);
    b.readOnly<&TMemoryElement::GetTotalPhys>("TotalPhys").stored(false);
    b.readOnly<&TMemoryElement::GetAvailPhys>("AvailPhys").stored(false);
    b.readOnly<&TMemoryElement::GetTotalPageFile>("TotalPageFile").stored(false);
    b.readOnly<&TMemoryElement::GetAvailPageFile>("AvailPageFile").stored(false);
    b.readOnly<&TMemoryElement::GetTotalVirtual>("TotalVirtual").stored(false);
    b.readOnly<&TMemoryElement::GetAvailVirtual>("AvailVirtual").stored(false);
}
ZELTO_IMPLEMENT_CLASS(TMemoryElement, TOwnerElement, "e_Memory")

TMemoryElement::TMemoryElement() {
    SetName(QStringLiteral("Memory status"));
    Refresh();
}

void TMemoryElement::Refresh() {
    std::function<TMemoryStatus()> source;
    {
        QMutexLocker lock(&g_sourceMutex);
        source = g_source;
    }
    m_status = source ? source() : readSystemMemoryStatus();
}

quint32 TMemoryElement::GetAlocatedMemory() const {
    return saturate(
        m_status.totalVirtual >= m_status.availVirtual ? m_status.totalVirtual - m_status.availVirtual : 0);
}
quint32 TMemoryElement::GetAvailMemory() const {
    return saturate(m_status.availVirtual);
}
quint32 TMemoryElement::GetMemoryLoad() const {
    if (m_status.totalPhys == 0) return 0;
    const quint64 used =
        m_status.totalPhys > m_status.availPhys ? m_status.totalPhys - m_status.availPhys : 0;
    return quint32(used * 100 / m_status.totalPhys);
}
quint32 TMemoryElement::GetTotalPhys() const {
    return saturate(m_status.totalPhys);
}
quint32 TMemoryElement::GetAvailPhys() const {
    return saturate(m_status.availPhys);
}
quint32 TMemoryElement::GetTotalPageFile() const {
    return saturate(m_status.totalPageFile);
}
quint32 TMemoryElement::GetAvailPageFile() const {
    return saturate(m_status.availPageFile);
}
quint32 TMemoryElement::GetTotalVirtual() const {
    return saturate(m_status.totalVirtual);
}
quint32 TMemoryElement::GetAvailVirtual() const {
    return saturate(m_status.availVirtual);
}

void registerMemoryElementClasses() {
    RegisterZeltoClass(TMemoryElement::StaticClass());
}

} // namespace zelto

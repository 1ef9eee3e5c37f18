// Object numbers: the text form of an element reference, answered only for live elements.
#include "ElementsPrivate.h"
#include "e_Class.h"

#include <QHash>
#include <QMutex>
#include <QMutexLocker>

namespace zelto {

namespace {
struct ObjectNumbers {
    QMutex mutex;
    QHash<const TElement*, qint64> byObject;
    QHash<qint64, TElement*> byNumber;
    qint64 next = 1;
};
ObjectNumbers& objectNumbers() {
    static ObjectNumbers* n = new ObjectNumbers; // lives to the end of the process
    return *n;
}
} // namespace

qint64 objectToNumber(const TPersistent* object) {
    const TElement* e = zelto_cast<TElement>(object);
    if (!e) return 0;
    ObjectNumbers& n = objectNumbers();
    QMutexLocker lock(&n.mutex);
    if (e->m_flags & TElement::NumberedFlag) return n.byObject.value(e);
    const qint64 num = n.next++;
    n.byObject.insert(e, num);
    n.byNumber.insert(num, const_cast<TElement*>(e));
    const_cast<TElement*>(e)->m_flags |= TElement::NumberedFlag;
    return num;
}

TPersistent* objectFromNumber(qint64 number) {
    if (number == 0) return nullptr;
    ObjectNumbers& n = objectNumbers();
    QMutexLocker lock(&n.mutex);
    return n.byNumber.value(number, nullptr);
}

void withdrawObjectNumber(const TElement* element) {
    ObjectNumbers& n = objectNumbers();
    QMutexLocker lock(&n.mutex);
    n.byNumber.remove(n.byObject.take(element));
}

} // namespace zelto

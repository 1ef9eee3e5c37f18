#include "E_Type.h"

#include "U_String.h"

#include "CtiRadek.h"
#include "Notifier.h"
#include "SafeFile.h"
#include "TextLocale.h"
#include "e_Class.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include <cmath>
#include <cstdio>

namespace zelto {

namespace {

// Trimming of name/value texts: every character up to the space counts as blank.
QString trimBlanks(const QString& s) {
    qsizetype b = 0, e = s.size();
    while (b < e && s.at(b).unicode() <= ' ') ++b;
    while (e > b && s.at(e - 1).unicode() <= ' ') --e;
    return s.mid(b, e - b);
}

// The parts of a separated list, walked as repeated splits of the rest.
QStringList separatedParts(const QString& text, QChar delimiter) {
    QStringList parts;
    QString rest = text;
    while (!rest.isEmpty()) {
        QString first, next;
        StringAsTwoParams(rest, delimiter, first, next);
        parts << first;
        rest = next;
    }
    return parts;
}

bool readDecimal(const QString& s, qint32& value) {
    return tryParseInt32(trimBlanks(s), value);
}

// A real truncated to Integer; false when it does not fit (or is not a number).
bool truncToInt32(double v, qint32& out) {
    if (!std::isfinite(v)) return false;
    const double t = std::trunc(v);
    if (t < -2147483648.0 || t > 2147483647.0) return false;
    out = qint32(t);
    return true;
}

// The integers of a free text, read with the line cursor until it reports an error.
QList<qint32> leadingIntegers(const QString& text) {
    QList<qint32> result;
    TCtiRadekClass cti(text);
    for (;;) {
        const qint32 v = cti.DejInteger();
        if (cti.DosloKChybe()) break;
        result << v;
    }
    return result;
}

// The lines of a text file: UTF-8, or Windows-1250 when the bytes are not valid UTF-8 (files
// written by older field devices).
bool readTextLines(const QString& fileName, QStringList& lines, QString& error) {
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly)) {
        error = f.errorString();
        return false;
    }
    const QByteArray bytes = f.readAll();
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (utf8.hasError()) {
        QStringDecoder cp1250("windows-1250");
        text = cp1250.isValid() ? cp1250.decode(bytes) : QString::fromLatin1(bytes);
    }
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    lines = text.split(QLatin1Char('\n'));
    return true;
}

const QString kTrue = QStringLiteral("TRUE");
const QString kFalse = QStringLiteral("FALSE");

// Copies name and value into a new element of the source's own class (a descendant keeps its
// class); falls back to the member class itself when the class cannot be created.
template <class T> T* copyValueElement(const T* source) {
    T* copy = zelto_cast<T>(source->ClassType().create());
    if (!copy) copy = new T;
    copy->FName = source->FName;
    copy->FValue = source->FValue;
    return copy;
}

} // namespace

// ---- TTypeElement --------------------------------------------------------------------------------

void TTypeElement::DeclareProperties(TPropTableBuilder& b) {
    b.readOnly<&TTypeElement::GetType>("Typ").stored(false);
    b.readOnly<&TTypeElement::GetTypeAsString>("TypeAsString").stored(false);
    b.prop<&TTypeElement::GetAsByte, &TTypeElement::SetAsByte>("AsByte").stored(false);
    b.prop<&TTypeElement::GetAsInteger, &TTypeElement::SetAsInteger>("AsInteger").stored(false);
    b.prop<&TTypeElement::GetAsNativeInt, &TTypeElement::SetAsNativeInt>("AsNativeInt").stored(false);
    b.prop<&TTypeElement::GetAsChar, &TTypeElement::SetAsChar>("AsChar").stored(false);
    b.prop<&TTypeElement::GetAsString, &TTypeElement::SetAsString>("AsString").stored(false);
    b.prop<&TTypeElement::GetAsFloat, &TTypeElement::SetAsFloat>("AsFloat").stored(false);
    b.prop<&TTypeElement::GetAsBoolean, &TTypeElement::SetAsBoolean>("AsBoolean").stored(false);
    b.prop<&TTypeElement::GetAsString, &TTypeElement::SetAsString>("Text").stored(false);
    b.readOnly<&TTypeElement::GetUpperName>("UpperName").stored(false);
}
ZELTO_IMPLEMENT_CLASS(TTypeElement, TOwnerElement, "E_Type")

qint32 TTypeElement::GetType() const {
    return _Other;
}
QString TTypeElement::GetTypeAsString() const {
    return QString();
}
quint8 TTypeElement::GetAsByte() const {
    return 0;
}
void TTypeElement::SetAsByte(quint8) {}
qint32 TTypeElement::GetAsInteger() const {
    return 0;
}
void TTypeElement::SetAsInteger(qint32) {}
qint64 TTypeElement::GetAsNativeInt() const {
    return GetAsInteger();
}
void TTypeElement::SetAsNativeInt(qint64 value) {
    if (value >= INT32_MIN && value <= INT32_MAX) SetAsInteger(qint32(value));
}
QChar TTypeElement::GetAsChar() const {
    return QChar();
}
void TTypeElement::SetAsChar(QChar) {}
QString TTypeElement::GetAsString() const {
    return QString();
}
void TTypeElement::SetAsString(const QString&) {}
double TTypeElement::GetAsFloat() const {
    return 0;
}
void TTypeElement::SetAsFloat(double) {}
bool TTypeElement::GetAsBoolean() const {
    return false;
}
void TTypeElement::SetAsBoolean(bool) {}
TElement* TTypeElement::GetAsPointer() const {
    return nullptr;
}
void TTypeElement::SetAsPointer(TElement*) {}
QString TTypeElement::GetUpperName() const {
    return upperAscii(GetName());
}
TTypeElement* TTypeElement::SelfCopy() const {
    return nullptr;
}

// ---- TBooleanElement -----------------------------------------------------------------------------

void TBooleanElement::DeclareProperties(TPropTableBuilder& b) {
    b.prop<&TBooleanElement::GetAsBoolean, &TBooleanElement::SetAsBoolean>("Value");
}
ZELTO_IMPLEMENT_CLASS(TBooleanElement, TTypeElement, "E_Type")

qint32 TBooleanElement::GetType() const {
    return _Boolean;
}
QString TBooleanElement::GetTypeAsString() const {
    return QStringLiteral("boolean");
}
bool TBooleanElement::GetAsBoolean() const {
    return FValue;
}
void TBooleanElement::SetAsBoolean(bool value) {
    FValue = value;
}
quint8 TBooleanElement::GetAsByte() const {
    return FValue ? 1 : 0;
}
void TBooleanElement::SetAsByte(quint8 value) {
    FValue = value != 0;
}
QString TBooleanElement::GetAsString() const {
    return FValue ? QStringLiteral("true") : QStringLiteral("false");
}

void TBooleanElement::SetAsString(const QString& value) {
    if (value.compare(kTrue, Qt::CaseInsensitive) == 0)
        FValue = true;
    else if (value.compare(kFalse, Qt::CaseInsensitive) == 0)
        FValue = false;
}

TTypeElement* TBooleanElement::SelfCopy() const {
    return copyValueElement(this);
}

// ---- TCharElement --------------------------------------------------------------------------------

void TCharElement::DeclareProperties(TPropTableBuilder& b) {
    b.prop<&TCharElement::GetAsChar, &TCharElement::SetAsChar>("Value");
}
ZELTO_IMPLEMENT_CLASS(TCharElement, TTypeElement, "E_Type")

qint32 TCharElement::GetType() const {
    return _Char;
}
QString TCharElement::GetTypeAsString() const {
    return QStringLiteral("char");
}
QChar TCharElement::GetAsChar() const {
    return FValue;
}
void TCharElement::SetAsChar(QChar value) {
    FValue = value;
}
quint8 TCharElement::GetAsByte() const {
    return quint8(FValue.unicode() & 0xFF);
}
void TCharElement::SetAsByte(quint8 value) {
    FValue = QChar(char16_t(value));
}
QString TCharElement::GetAsString() const {
    return QString(FValue);
}

void TCharElement::SetAsString(const QString& value) {
    if (!value.isEmpty()) FValue = value.at(0);
}

qint32 TCharElement::GetAsInteger() const {
    return FValue.unicode();
}

void TCharElement::SetAsInteger(qint32 value) {
    if (value >= 1 && value <= 255) FValue = QChar(char16_t(value));
}

TTypeElement* TCharElement::SelfCopy() const {
    return copyValueElement(this);
}

// ---- TByteElement --------------------------------------------------------------------------------

void TByteElement::DeclareProperties(TPropTableBuilder& b) {
    b.prop<&TByteElement::GetAsByte, &TByteElement::SetAsByte>("Value");
}
ZELTO_IMPLEMENT_CLASS(TByteElement, TTypeElement, "E_Type")

qint32 TByteElement::GetType() const {
    return _Byte;
}
QString TByteElement::GetTypeAsString() const {
    return QStringLiteral("byte");
}
quint8 TByteElement::GetAsByte() const {
    return FValue;
}
void TByteElement::SetAsByte(quint8 value) {
    FValue = value;
}
bool TByteElement::GetAsBoolean() const {
    return FValue != 0;
}
void TByteElement::SetAsBoolean(bool value) {
    FValue = value ? 1 : 0;
}
QChar TByteElement::GetAsChar() const {
    return QChar(char16_t(FValue));
}
void TByteElement::SetAsChar(QChar value) {
    FValue = quint8(value.unicode() & 0xFF);
}
qint32 TByteElement::GetAsInteger() const {
    return FValue;
}
void TByteElement::SetAsInteger(qint32 value) {
    FValue = quint8(value & 0xFF);
}
double TByteElement::GetAsFloat() const {
    return FValue;
}

void TByteElement::SetAsFloat(double value) {
    qint32 i = 0;
    if (truncToInt32(value, i)) FValue = quint8(i & 0xFF);
}

QString TByteElement::GetAsString() const {
    return QString::number(FValue);
}

void TByteElement::SetAsString(const QString& value) {
    qint32 i = 0;
    if (readDecimal(value, i)) FValue = quint8(i & 0xFF);
}

TTypeElement* TByteElement::SelfCopy() const {
    return copyValueElement(this);
}

// ---- TFloatElement -------------------------------------------------------------------------------

void TFloatElement::DeclareProperties(TPropTableBuilder& b) {
    b.prop<&TFloatElement::GetAsFloat, &TFloatElement::SetAsFloat>("Value");
}
ZELTO_IMPLEMENT_CLASS(TFloatElement, TTypeElement, "E_Type")

qint32 TFloatElement::GetType() const {
    return _Float;
}
QString TFloatElement::GetTypeAsString() const {
    return QStringLiteral("float");
}
double TFloatElement::GetAsFloat() const {
    return FValue;
}
void TFloatElement::SetAsFloat(double value) {
    FValue = value;
}

qint32 TFloatElement::GetAsInteger() const {
    qint32 i = 0;
    return truncToInt32(FValue, i) ? i : 0;
}

void TFloatElement::SetAsInteger(qint32 value) {
    FValue = value;
}

QString TFloatElement::GetAsString() const {
    if (!std::isfinite(FValue)) return floatToStr(FValue);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14E", FValue);
    QString text = QString::fromLatin1(buf);
    const QChar sep = decimalSeparator();
    if (sep != QLatin1Char('.')) text.replace(QLatin1Char('.'), sep);
    return text;
}

void TFloatElement::SetAsString(const QString& value) {
    FValue = strToExtended(value);
}

TTypeElement* TFloatElement::SelfCopy() const {
    return copyValueElement(this);
}

// ---- TStringElement ------------------------------------------------------------------------------

void TStringElement::DeclareProperties(TPropTableBuilder& b) {
    b.prop<&TStringElement::GetAsString, &TStringElement::SetAsString>("Value");
    b.prop<&TStringElement::GetNameIsValue, &TStringElement::SetNameIsValue>("NameIsValue").stored(false);
}
ZELTO_IMPLEMENT_CLASS(TStringElement, TTypeElement, "E_Type")

TStringElement* TStringElement::CreateValue(const QString& value) {
    auto* e = new TStringElement;
    e->FValue = value;
    return e;
}

TStringElement* TStringElement::CreateNameValue(const QString& name, const QString& value) {
    auto* e = new TStringElement;
    e->SetName(name);
    e->FValue = value;
    return e;
}

TStringElement* TStringElement::CreateNameIsValue(const QString& text) {
    auto* e = new TStringElement;
    e->SetNameIsValue(text);
    return e;
}

qint32 TStringElement::GetType() const {
    return _String;
}
QString TStringElement::GetTypeAsString() const {
    return QStringLiteral("string");
}
QString TStringElement::GetAsString() const {
    return FValue;
}
void TStringElement::SetAsString(const QString& value) {
    FValue = value;
}

qint32 TStringElement::GetAsInteger() const {
    qint32 v = 0;
    return readDecimal(FValue, v) ? v : 0;
}

void TStringElement::SetAsInteger(qint32 value) {
    FValue = QString::number(value);
}
double TStringElement::GetAsFloat() const {
    return strToExtended(FValue);
}
void TStringElement::SetAsFloat(double value) {
    FValue = floatToStr(value);
}

bool TStringElement::GetAsBoolean() const {
    bool isNumber = false;
    const double v = strToExtended(FValue, &isNumber);
    if (isNumber) return v != 0;
    const QString up = upperText(FValue);
    return up == kTrue || up == QLatin1String("ANO");
}

void TStringElement::SetAsBoolean(bool value) {
    FValue = value ? kTrue : kFalse;
}

TTypeElement* TStringElement::SelfCopy() const {
    return copyValueElement(this);
}

QString TStringElement::GetNameIsValue() const {
    return GetName() + QLatin1Char('=') + FValue;
}

void TStringElement::SetNameIsValue(const QString& text) {
    if (text.isEmpty()) return;
    QString name, value;
    if (StringAsParameter(text, name, value)) {
        SetName(name);
        FValue = value;
    } else {
        FValue = text;
    }
}

qint32 TStringElement::GetLongInt(bool& ok) const {
    qint32 v = 0;
    ok = readDecimal(FValue, v);
    return ok ? v : 0;
}

bool TStringElement::GetBoolean(bool& ok) const {
    ok = true;
    if (StringIsFloat(FValue)) return strToExtended(FValue) != 0;
    const QString up = upperText(trimBlanks(FValue));
    if (up == kTrue || up == QLatin1String("ANO")) return true;
    if (up == kFalse || up == QLatin1String("NE")) return false;
    ok = false;
    return false;
}

double TStringElement::GetDouble(bool& ok) const {
    double v = 0;
    ok = tryParseLocaleFloat(FValue, v);
    return ok ? v : 0.0;
}

void TStringElement::SetLongInt(qint32 value) {
    FValue = QString::number(value);
}
void TStringElement::SetDouble(double value) {
    FValue = floatToStr(value);
}

TIntegerListElement* TStringElement::CreateIntegerList() const {
    return CreateIntegerListElementFromString(0, FValue);
}

// ---- TIntegerElement -----------------------------------------------------------------------------

void TIntegerElement::DeclareProperties(TPropTableBuilder& b) {
    b.prop<&TIntegerElement::GetAsInteger, &TIntegerElement::SetAsInteger>("Value");
}
ZELTO_IMPLEMENT_CLASS(TIntegerElement, TTypeElement, "E_Type")

qint32 TIntegerElement::GetType() const {
    return _Integer;
}
QString TIntegerElement::GetTypeAsString() const {
    return QStringLiteral("integer");
}
qint32 TIntegerElement::GetAsInteger() const {
    return FValue;
}
void TIntegerElement::SetAsInteger(qint32 value) {
    FValue = value;
}
quint8 TIntegerElement::GetAsByte() const {
    return quint8(FValue & 0xFF);
}
void TIntegerElement::SetAsByte(quint8 value) {
    FValue = value;
}
bool TIntegerElement::GetAsBoolean() const {
    return FValue != 0;
}
void TIntegerElement::SetAsBoolean(bool value) {
    FValue = value ? 1 : 0;
}
double TIntegerElement::GetAsFloat() const {
    return FValue;
}

void TIntegerElement::SetAsFloat(double value) {
    qint32 i = 0;
    if (truncToInt32(value, i)) FValue = i;
}

QString TIntegerElement::GetAsString() const {
    return QString::number(FValue);
}

void TIntegerElement::SetAsString(const QString& value) {
    qint32 i = 0;
    if (readDecimal(value, i)) FValue = i;
}

TTypeElement* TIntegerElement::SelfCopy() const {
    return copyValueElement(this);
}

// ---- TPointerElement -----------------------------------------------------------------------------

void TPointerElement::DeclareProperties(TPropTableBuilder& b) {
    b.field<&TPointerElement::FClassName>("aClassName");
    b.prop<&TPointerElement::GetAsPointer, &TPointerElement::SetAsPointer>("_Element");
}
ZELTO_IMPLEMENT_CLASS(TPointerElement, TTypeElement, "E_Type")

qint32 TPointerElement::GetType() const {
    return _Pointer;
}
QString TPointerElement::GetTypeAsString() const {
    return QStringLiteral("pointer");
}

TElement* TPointerElement::GetAsPointer() const {
    return m_number ? zelto_cast<TElement>(objectFromNumber(m_number)) : nullptr;
}

void TPointerElement::SetAsPointer(TElement* value) {
    m_number = objectToNumber(value);
    FClassName = value ? value->ClassName() : QString();
}

qint32 TPointerElement::GetAsInteger() const {
    const qint64 n = GetAsNativeInt();
    return n <= INT32_MAX ? qint32(n) : 0;
}

void TPointerElement::SetAsInteger(qint32 value) {
    SetAsNativeInt(value);
}

qint64 TPointerElement::GetAsNativeInt() const {
    return GetAsPointer() ? m_number : 0;
}

void TPointerElement::SetAsNativeInt(qint64 value) {
    SetAsPointer(value > 0 ? zelto_cast<TElement>(objectFromNumber(value)) : nullptr);
}

QString TPointerElement::GetAsString() const {
    return QString::number(GetAsNativeInt());
}

void TPointerElement::SetAsString(const QString& value) {
    qint64 n = 0;
    if (tryParseInt64(trimBlanks(value), n)) SetAsNativeInt(n);
}

TTypeElement* TPointerElement::SelfCopy() const {
    auto* copy = zelto_cast<TPointerElement>(ClassType().create());
    if (!copy) copy = new TPointerElement;
    copy->FName = FName;
    copy->FClassName = FClassName;
    copy->m_number = m_number;
    return copy;
}

// ---- TPathElement --------------------------------------------------------------------------------

ZELTO_IMPLEMENT_CLASS_NOPROPS(TPathElement, TStringElement, "E_Type")

TTypeElement* TPathElement::SelfCopy() const {
    return TStringElement::CreateNameValue(FName, FValue);
}

// ---- TStringListElement --------------------------------------------------------------------------

void TStringListElement::DeclareProperties(TPropTableBuilder& b) {
    b.field<&TStringListElement::FSimple>("Simple");
    b.prop<&TStringListElement::GetSeparator, &TStringListElement::SetSeparator>("Separator");
    b.writeOnly<&TStringListElement::SetNextValue>("NextValue").stored(false);
    b.writeOnly<&TStringListElement::SetNextName>("NextName").stored(false);
    b.writeOnly<&TStringListElement::AddNameIsValue>("NextNameIsValue").stored(false);
    b.writeOnly<&TStringListElement::AddStringListText>("NextStringList").stored(false);
    b.prop<&TStringListElement::GetNamesString, &TStringListElement::SetNamesString>("NamesString")
        .stored(false);
    b.prop<&TStringListElement::GetValuesString, &TStringListElement::SetValuesString>("ValuesString")
        .stored(false);
    b.prop<&TStringListElement::GetNameIsValueString, &TStringListElement::SetNameIsValueString>(
         "NameIsValueString")
        .stored(false);
    b.writeOnly<&TStringListElement::SetLoadFromFile>("LoadFromFile").stored(false);
    b.writeOnly<&TStringListElement::SetSaveToFile>("SaveToFile").stored(false);
}
ZELTO_IMPLEMENT_CLASS(TStringListElement, TOwnerEntity, "E_Type")

QChar TStringListElement::GetSeparator() const {
    if (FSeparator.isNull()) FSeparator = QLatin1Char(',');
    return FSeparator;
}

TStringElement* TStringListElement::GetSElems(int index) const {
    return zelto_cast<TStringElement>(Get(index));
}

QString TStringListElement::GetString(int index) const {
    const TStringElement* e = GetSElems(index);
    return e ? e->GetAsString() : QString();
}

void TStringListElement::PutString(int index, const QString& text) {
    if (TStringElement* e = GetSElems(index)) e->SetAsString(text);
}

QString TStringListElement::GetNameAtIndex(int index) const {
    const TStringElement* e = GetSElems(index);
    return e ? e->GetName() : QString();
}

void TStringListElement::PutName(int index, const QString& name) {
    if (TStringElement* e = GetSElems(index)) e->SetName(name);
}

QString TStringListElement::GetUpperName(int index) const {
    return upperAscii(GetNameAtIndex(index));
}

void TStringListElement::PutSElems(int index, TStringElement* entry) {
    if (!entry) return;
    if (index == ElementsCount()) {
        AddElement(entry);
        return;
    }
    TElement* old = Get(index); // raises for an index outside the list
    if (old == entry) return;
    // Insert first, then release the old entry through the normal freeing rules, so that the
    // list never holds an entry it does not own and the old one is not leaked.
    InsertElement(index, entry);
    FreeElementIndex(index + 1);
}

TStringElement* TStringListElement::GetStringElementByName(const QString& name) const {
    const QString up = upperAscii(name);
    for (TElement* e : FElements) {
        auto* s = zelto_cast<TStringElement>(e);
        if (s && upperAscii(s->GetName()) == up) return s;
    }
    return nullptr;
}

QString TStringListElement::GetStringByName(const QString& name) const {
    const TStringElement* e = GetStringElementByName(name);
    return e ? e->GetAsString() : QString();
}

qint32 TStringListElement::GetIntegerByName(const QString& name) const {
    const TStringElement* e = GetStringElementByName(name);
    if (!e) return 0;
    bool ok = false;
    return e->GetLongInt(ok);
}

bool TStringListElement::GetBooleanByName(const QString& name) const {
    const TStringElement* e = GetStringElementByName(name);
    return e && e->GetAsBoolean();
}

double TStringListElement::GetDoubleByName(const QString& name) const {
    const TStringElement* e = GetStringElementByName(name);
    if (!e) return 0;
    bool ok = false;
    return e->GetDouble(ok);
}

void TStringListElement::SetStringByName(const QString& name, const QString& value) {
    if (TStringElement* e = GetStringElementByName(name))
        e->SetAsString(value);
    else
        AddNameString(name, value);
}

void TStringListElement::SetIntegerByName(const QString& name, qint32 value) {
    SetStringByName(name, QString::number(value));
}

void TStringListElement::SetDoubleByName(const QString& name, double value) {
    SetStringByName(name, floatToStr(value));
}

TStringElement* TStringListElement::AddString(const QString& value) {
    TStringElement* e = TStringElement::CreateValue(value);
    AddElement(e);
    return e;
}

TStringElement* TStringListElement::AddName(const QString& name) {
    return AddNameString(name, QString());
}

TStringElement* TStringListElement::AddNameString(const QString& name, const QString& value) {
    TStringElement* e = TStringElement::CreateNameValue(name, value);
    AddElement(e);
    return e;
}

void TStringListElement::AddNameIsValue(const QString& text) {
    QString name, value;
    if (StringAsParameter(text, name, value)) AddNameString(name, value);
}

void TStringListElement::AddStringList(const QStringList& lines) {
    for (const QString& line : lines) {
        if (trimBlanks(line).isEmpty()) continue;
        if (line.contains(QLatin1Char('=')))
            AddNameIsValue(line);
        else
            AddName(line);
    }
}

void TStringListElement::AddStringListText(const QString& text) {
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    AddStringList(t.split(QLatin1Char('\n')));
}

void TStringListElement::AddFile(const QString& fileName) {
    if (fileName.isEmpty() || !QFile::exists(fileName)) return;
    QStringList lines;
    QString error;
    if (!readTextLines(fileName, lines, error)) {
        notifier().message(QStringLiteral("TStringListElement.AddFile ") + fileName + QStringLiteral("\r\n") +
                           error);
        return;
    }
    AddStringList(lines);
}

bool TStringListElement::IntoFile(const QString& fileName) const {
    QString text;
    for (int i = 0; i < ElementsCount(); ++i) {
        text += GetNameAtIndex(i);
        if (!FSimple) text += QLatin1Char('=') + GetString(i);
        text += QLatin1String("\r\n");
    }
    // The old file is replaced only once the new one is completely written.
    QString error = QStringLiteral("no file name");
    const bool ok = !fileName.isEmpty() && writeFileAtomically(fileName, text.toUtf8(), &error);
    if (!ok)
        notifier().message(QStringLiteral("TStringListElement.IntoFile ") + fileName +
                           QStringLiteral("\r\n") + error);
    return ok;
}

QStringList TStringListElement::splitParts(const QString& text) const {
    return separatedParts(text, GetSeparator());
}

QString TStringListElement::GetNamesString() const {
    QStringList parts;
    for (int i = 0; i < ElementsCount(); ++i) parts << GetNameAtIndex(i);
    return parts.join(GetSeparator());
}

void TStringListElement::SetNamesString(const QString& text) {
    for (const QString& part : splitParts(text))
        if (!part.isEmpty()) AddName(part);
}

QString TStringListElement::GetValuesString() const {
    return CreateStringList().join(GetSeparator());
}

void TStringListElement::SetValuesString(const QString& text) {
    const QStringList parts = splitParts(text);
    for (int i = 0; i < parts.size(); ++i) {
        if (i < ElementsCount())
            PutString(i, parts.at(i));
        else
            AddString(parts.at(i));
    }
}

QString TStringListElement::GetNameIsValueString() const {
    QStringList parts;
    for (int i = 0; i < ElementsCount(); ++i) {
        const TStringElement* e = GetSElems(i);
        parts << (e ? e->GetNameIsValue() : QString());
    }
    return parts.join(GetSeparator());
}

void TStringListElement::SetNameIsValueString(const QString& text) {
    for (const QString& part : splitParts(text))
        if (part.contains(QLatin1Char('='))) AddNameIsValue(part);
}

void TStringListElement::ParamToNames() {
    for (int i = 0; i < ElementsCount(); ++i) {
        TStringElement* e = GetSElems(i);
        if (e && e->FValue.contains(QLatin1Char('='))) e->SetNameIsValue(e->FValue);
    }
}

QStringList TStringListElement::CreateStringList() const {
    QStringList values;
    for (int i = 0; i < ElementsCount(); ++i) values << GetString(i);
    return values;
}

QString TStringListElement::GetPropertyStringByName(const QString& name) const {
    const int i = ClassType().propertyIndex(name);
    if (i >= 0) {
        const QString own = FillWithData(this, ClassType().property(i));
        if (!own.isEmpty()) return own;
    }
    return GetStringByName(name);
}

void TStringListElement::SetPropertyStringByName(const QString& name, const QString& value) {
    if (ClassType().propertyIndex(name) >= 0)
        SetPropStringByName(this, name, value);
    else
        SetStringByName(name, value);
}

// ---- TIntegerListElement -------------------------------------------------------------------------

void TIntegerListElement::DeclareProperties(TPropTableBuilder& b) {
    b.writeOnly<&TIntegerListElement::SetValuesString>("ValuesString").stored(false);
}
ZELTO_IMPLEMENT_CLASS(TIntegerListElement, TOwnerEntity, "E_Type")

qint32 TIntegerListElement::GetInteger(int index) const {
    const auto* e = zelto_cast<TTypeElement>(Get(index));
    return e ? e->GetAsInteger() : 0;
}

void TIntegerListElement::PutInteger(int index, qint32 value) {
    if (auto* e = zelto_cast<TTypeElement>(Get(index))) e->SetAsInteger(value);
}

bool TIntegerListElement::ValueExists(qint32 value) const {
    for (TElement* e : FElements) {
        const auto* t = zelto_cast<TTypeElement>(e);
        if (t && t->GetAsInteger() == value) return true;
    }
    return false;
}

void TIntegerListElement::AddInteger(qint32 value) {
    int at = ElementsCount();
    if (FSorted) {
        if (!FDuplicates && ValueExists(value)) return;
        for (int i = 0; i < ElementsCount(); ++i) {
            if (GetInteger(i) > value) {
                at = i;
                break;
            }
        }
    }
    auto* e = new TIntegerElement;
    e->FValue = value;
    if (at == ElementsCount())
        AddElement(e);
    else
        InsertElement(at, e);
}

void TIntegerListElement::SetValuesString(const QString& text) {
    for (const QString& part : separatedParts(text, QLatin1Char(','))) {
        qint32 v = 0;
        if (tryParseInt32(part, v)) AddInteger(v);
    }
}

TIntegerListElement* CreateIntegerListElementFromString(qint32, const QString& text) {
    const QList<qint32> values = leadingIntegers(text);
    if (values.isEmpty()) return nullptr;
    auto* list = new TIntegerListElement;
    for (qint32 v : values) list->AddInteger(v);
    return list;
}

// ---- TPropertyList -------------------------------------------------------------------------------

void TPropertyList::DeclareProperties(TPropTableBuilder& b) {
    b.field<&TPropertyList::FDelimiter>("Delimiter");
    b.writeOnly<&TPropertyList::SetByElement>("Element").stored(false);
    b.readOnly<&TPropertyList::GetCatenation>("Catenation").stored(false);
}
ZELTO_IMPLEMENT_CLASS(TPropertyList, TStringListElement, "E_Type")

void TPropertyList::SetByElement(TElement* element) {
    if (!element) return;
    for (int i = 0; i < ElementsCount(); ++i) {
        TStringElement* e = GetSElems(i);
        if (!e) continue;
        QString name = e->GetName();
        const bool negate = name.startsWith(QLatin1Char('-'));
        if (negate) name.remove(0, 1);
        QString text = element->GetPropertyStringByName(name);
        // An empty text stays empty: there is no value to negate.
        if (negate && !text.isEmpty())
            text = text.startsWith(QLatin1Char('-')) ? text.mid(1) : QLatin1Char('-') + text;
        e->SetAsString(text);
    }
}

QString TPropertyList::GetCatenation() const {
    return CreateStringList().join(FDelimiter);
}

// ---- registration --------------------------------------------------------------------------------

void registerTypeElementClasses() {
    RegisterZeltoClass(TTypeElement::StaticClass());
    RegisterZeltoClass(TBooleanElement::StaticClass());
    RegisterZeltoClass(TCharElement::StaticClass());
    RegisterZeltoClass(TByteElement::StaticClass());
    RegisterZeltoClass(TFloatElement::StaticClass());
    RegisterZeltoClass(TIntegerListElement::StaticClass());
    RegisterZeltoClass(TStringElement::StaticClass());
    RegisterZeltoClass(TIntegerElement::StaticClass());
    RegisterZeltoClass(TPointerElement::StaticClass());
    RegisterZeltoClass(TStringListElement::StaticClass());
    RegisterZeltoClass(TPathElement::StaticClass());
    RegisterZeltoClass(TPropertyList::StaticClass());
}

} // namespace zelto

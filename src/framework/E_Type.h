// Typed value elements: single values (Boolean, character, byte, float, string, integer, element
// reference) living in the element graph under a name, each convertible to and from every other
// type through one set of accessors; and the lists built of them (name/value string lists,
// integer lists, property lists that collect texts from another element's properties).
#pragma once

#include "Elements.h"

#include <QStringList>

namespace zelto {

class TIntegerListElement;

// Abstract holder of one value. Every getter of the base answers 0, false, an empty text or none
// and every setter does nothing; each member overrides the conversions it supports.
class TTypeElement : public TOwnerElement {
    ZELTO_CLASS(TTypeElement, TOwnerElement)
public:
    // Type codes.
    enum : qint32 {
        _Boolean = 0,
        _Char = 1,
        _Byte = 2,
        _Float = 3,
        _String = 4,
        _Integer = 5,
        _Pointer = 6,
        _Other = 7
    };

    virtual qint32 GetType() const;
    virtual QString GetTypeAsString() const;
    virtual quint8 GetAsByte() const;
    virtual void SetAsByte(quint8 value);
    virtual qint32 GetAsInteger() const;
    virtual void SetAsInteger(qint32 value);
    // Behave as the Integer accessors; a value outside the Integer range is ignored.
    virtual qint64 GetAsNativeInt() const;
    virtual void SetAsNativeInt(qint64 value);
    virtual QChar GetAsChar() const;
    virtual void SetAsChar(QChar value);
    virtual QString GetAsString() const;
    virtual void SetAsString(const QString& value);
    virtual double GetAsFloat() const;
    virtual void SetAsFloat(double value);
    virtual bool GetAsBoolean() const;
    virtual void SetAsBoolean(bool value);
    virtual TElement* GetAsPointer() const;
    virtual void SetAsPointer(TElement* value);
    // The name with ASCII letters upper-cased.
    virtual QString GetUpperName() const;
    // A new element of the same class with the same name and value; the caller owns it.
    virtual TTypeElement* SelfCopy() const;
};

class TBooleanElement : public TTypeElement {
    ZELTO_CLASS(TBooleanElement, TTypeElement)
public:
    bool FValue = false;

    qint32 GetType() const override;
    QString GetTypeAsString() const override;
    bool GetAsBoolean() const override;
    void SetAsBoolean(bool value) override;
    quint8 GetAsByte() const override;
    void SetAsByte(quint8 value) override;
    QString GetAsString() const override;
    void SetAsString(const QString& value) override;
    TTypeElement* SelfCopy() const override;
};

class TCharElement : public TTypeElement {
    ZELTO_CLASS(TCharElement, TTypeElement)
public:
    QChar FValue;

    qint32 GetType() const override;
    QString GetTypeAsString() const override;
    QChar GetAsChar() const override;
    void SetAsChar(QChar value) override;
    quint8 GetAsByte() const override;
    void SetAsByte(quint8 value) override;
    QString GetAsString() const override;
    void SetAsString(const QString& value) override;
    qint32 GetAsInteger() const override;
    void SetAsInteger(qint32 value) override;
    TTypeElement* SelfCopy() const override;
};

class TByteElement : public TTypeElement {
    ZELTO_CLASS(TByteElement, TTypeElement)
public:
    quint8 FValue = 0;

    qint32 GetType() const override;
    QString GetTypeAsString() const override;
    quint8 GetAsByte() const override;
    void SetAsByte(quint8 value) override;
    bool GetAsBoolean() const override;
    void SetAsBoolean(bool value) override;
    QChar GetAsChar() const override;
    void SetAsChar(QChar value) override;
    qint32 GetAsInteger() const override;
    void SetAsInteger(qint32 value) override;
    double GetAsFloat() const override;
    void SetAsFloat(double value) override;
    QString GetAsString() const override;
    void SetAsString(const QString& value) override;
    TTypeElement* SelfCopy() const override;
};

class TFloatElement : public TTypeElement {
    ZELTO_CLASS(TFloatElement, TTypeElement)
public:
    double FValue = 0;

    qint32 GetType() const override;
    QString GetTypeAsString() const override;
    double GetAsFloat() const override;
    void SetAsFloat(double value) override;
    qint32 GetAsInteger() const override;
    void SetAsInteger(qint32 value) override;
    // Scientific notation.
    QString GetAsString() const override;
    void SetAsString(const QString& value) override;
    TTypeElement* SelfCopy() const override;
};

class TStringElement : public TTypeElement {
    ZELTO_CLASS(TStringElement, TTypeElement)
public:
    QString FValue;

    // The three constructors of the model; the caller owns the result.
    static TStringElement* CreateValue(const QString& value);
    static TStringElement* CreateNameValue(const QString& name, const QString& value);
    // From a text of name, "=" and value (as SetNameIsValue).
    static TStringElement* CreateNameIsValue(const QString& text);

    qint32 GetType() const override;
    QString GetTypeAsString() const override;
    QString GetAsString() const override;
    void SetAsString(const QString& value) override;
    qint32 GetAsInteger() const override;
    void SetAsInteger(qint32 value) override;
    double GetAsFloat() const override;
    void SetAsFloat(double value) override;
    bool GetAsBoolean() const override;
    void SetAsBoolean(bool value) override;
    TTypeElement* SelfCopy() const override;

    // name + "=" + value.
    QString GetNameIsValue() const;
    // Splits at the first "="; without one the whole text becomes the value; "" changes nothing.
    void SetNameIsValue(const QString& text);

    qint32 GetLongInt(bool& ok) const;
    // "TRUE"/"ANO" and "FALSE"/"NE" in any letter case, or a number (non-zero is true).
    bool GetBoolean(bool& ok) const;
    // With the locale's decimal separator only.
    double GetDouble(bool& ok) const;
    void SetLongInt(qint32 value);
    void SetDouble(double value);

    // The integers at the start of the text; none when there is none. The caller owns it.
    TIntegerListElement* CreateIntegerList() const;
};

class TIntegerElement : public TTypeElement {
    ZELTO_CLASS(TIntegerElement, TTypeElement)
public:
    qint32 FValue = 0;

    qint32 GetType() const override;
    QString GetTypeAsString() const override;
    qint32 GetAsInteger() const override;
    void SetAsInteger(qint32 value) override;
    quint8 GetAsByte() const override;
    void SetAsByte(quint8 value) override;
    bool GetAsBoolean() const override;
    void SetAsBoolean(bool value) override;
    double GetAsFloat() const override;
    void SetAsFloat(double value) override;
    QString GetAsString() const override;
    void SetAsString(const QString& value) override;
    TTypeElement* SelfCopy() const override;
};

// A reference to another element, not owned. The reference is kept as the element's number
// (objectToNumber), so it reads as none once the element is destroyed instead of dangling.
class TPointerElement : public TTypeElement {
    ZELTO_CLASS(TPointerElement, TTypeElement)
public:
    QString FClassName;

    qint32 GetType() const override;
    QString GetTypeAsString() const override;
    TElement* GetAsPointer() const override;
    void SetAsPointer(TElement* value) override;
    // The element's number; a number that names no live element sets none.
    qint32 GetAsInteger() const override;
    void SetAsInteger(qint32 value) override;
    qint64 GetAsNativeInt() const override;
    void SetAsNativeInt(qint64 value) override;
    QString GetAsString() const override;
    void SetAsString(const QString& value) override;
    TTypeElement* SelfCopy() const override;

private:
    qint64 m_number = 0;
};

// A path held as a string; copies itself as a plain string element.
class TPathElement : public TStringElement {
    ZELTO_CLASS(TPathElement, TStringElement)
public:
    TTypeElement* SelfCopy() const override;
};

// An ordered list of name/value entries (TStringElement children).
class TStringListElement : public TOwnerEntity {
    ZELTO_CLASS(TStringListElement, TOwnerEntity)
public:
    bool FSimple = false;
    mutable QChar FSeparator; // 0 until first needed, then ","

    bool GetSimple() const { return FSimple; }
    void SetSimple(bool simple) { FSimple = simple; }
    QChar GetSeparator() const;
    void SetSeparator(QChar separator) { FSeparator = separator; }

    // Access by position; an index outside the list raises EListError.
    QString GetString(int index) const;
    void PutString(int index, const QString& text);
    QString GetNameAtIndex(int index) const;
    void PutName(int index, const QString& name);
    QString GetUpperName(int index) const;
    TStringElement* GetSElems(int index) const;
    // Replaces the entry (index = count appends); the entry replaced is released.
    void PutSElems(int index, TStringElement* entry);

    // Names compared after upper-casing ASCII letters.
    TStringElement* GetStringElementByName(const QString& name) const;
    QString GetStringByName(const QString& name) const;
    qint32 GetIntegerByName(const QString& name) const;
    bool GetBooleanByName(const QString& name) const;
    double GetDoubleByName(const QString& name) const;
    void SetStringByName(const QString& name, const QString& value);
    void SetIntegerByName(const QString& name, qint32 value);
    void SetDoubleByName(const QString& name, double value);

    TStringElement* AddString(const QString& value);
    TStringElement* AddName(const QString& name);
    TStringElement* AddNameString(const QString& name, const QString& value);
    // Only a text containing "=" adds an entry.
    void AddNameIsValue(const QString& text);
    // Non-empty lines: with "=" as name/value entries, others as names.
    void AddStringList(const QStringList& lines);
    void AddStringListText(const QString& text);
    // Reads a text file (UTF-8, or Windows-1250 bytes when it is not valid UTF-8).
    void AddFile(const QString& fileName);
    // Writes one line per entry; the previous file stays intact when writing fails.
    bool IntoFile(const QString& fileName) const;

    QString GetNamesString() const;
    void SetNamesString(const QString& text);
    QString GetValuesString() const;
    void SetValuesString(const QString& text);
    QString GetNameIsValueString() const;
    void SetNameIsValueString(const QString& text);

    void ParamToNames();
    QStringList CreateStringList() const;

    // Own declared property first (when its text is not empty), else the entry of that name.
    QString GetPropertyStringByName(const QString& name) const override;
    void SetPropertyStringByName(const QString& name, const QString& value) override;

    // Setters of the write-only properties.
    void SetNextValue(const QString& value) { AddString(value); }
    void SetNextName(const QString& name) { AddName(name); }
    void SetLoadFromFile(const QString& fileName) { AddFile(fileName); }
    void SetSaveToFile(const QString& fileName) { IntoFile(fileName); }

protected:
    QStringList splitParts(const QString& text) const;
};

// An ordered list of TIntegerElement children, optionally sorted.
class TIntegerListElement : public TOwnerEntity {
    ZELTO_CLASS(TIntegerListElement, TOwnerEntity)
public:
    bool FSorted = false;
    bool FDuplicates = false;

    qint32 GetInteger(int index) const;
    void PutInteger(int index, qint32 value);
    bool ValueExists(qint32 value) const;
    // Sorted lists keep their order (equal values in insertion order) and, with duplicates off,
    // ignore a value already present.
    void AddInteger(qint32 value);
    // Every comma-separated part that is a decimal integer is added.
    void SetValuesString(const QString& text);
};

// Reads integers from the text up to the first token that is not one; none when there is none.
// `first` is not used. The caller owns the result.
TIntegerListElement* CreateIntegerListElementFromString(qint32 first, const QString& text);

// A string list whose entries name properties of another element; setting Element fills the
// values with those properties' texts ("-Name" gives the negated text).
class TPropertyList : public TStringListElement {
    ZELTO_CLASS(TPropertyList, TStringListElement)
public:
    QString FDelimiter;

    void SetByElement(TElement* element);
    QString GetCatenation() const;
};

void registerTypeElementClasses();

} // namespace zelto

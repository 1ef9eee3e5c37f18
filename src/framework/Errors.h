// Exceptions of the framework. Failures are normally reported, not raised; these are the cases
// the model raises (list index errors, missing classes, conversions) and the base of the stream errors.
#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

namespace zelto {

class EZeltoError : public std::exception {
public:
    explicit EZeltoError(QString message) : m_message(std::move(message)), m_utf8(m_message.toUtf8()) {}
    const char* what() const noexcept override { return m_utf8.constData(); }
    const QString& message() const noexcept { return m_message; }

private:
    QString m_message;
    QByteArray m_utf8;
};

// An index outside a list.
class EListError : public EZeltoError {
public:
    using EZeltoError::EZeltoError;
};

// A class name that the registry does not know ("Zelto nenašel třídu ...").
class EClassNotFound : public EZeltoError {
public:
    using EZeltoError::EZeltoError;
};

// A text that cannot be converted to the requested type.
class EConvertError : public EZeltoError {
public:
    using EZeltoError::EZeltoError;
};

// A property value of the wrong class or a property without the needed accessor.
class EPropertyError : public EZeltoError {
public:
    using EZeltoError::EZeltoError;
};

} // namespace zelto

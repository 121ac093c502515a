#pragma once

#include <QString>

#include <exception>

namespace Ostraven {

// The pending error of the host platform: what a conversion, a platform call or the database raised.
// Routines catch it through the error-route helpers; nothing lets it escape to the host.
class VbError : public std::exception
{
public:
    enum Number : int {
        InvalidProcedureCall = 5,
        Overflow = 6,
        OutOfMemory = 7,
        SubscriptOutOfRange = 9,
        DivisionByZero = 11,
        TypeMismatch = 13,
        InternalError = 51,
        InvalidUseOfNull = 94,
        ObjectNotSet = 91,
        MemberNotSupported = 438,
        FileNotFound = 53,
        PermissionDenied = 70,
        BadRecordState = 3021,
        ItemNotFound = 3265,
    };

    VbError(int number, QString description, QString source = defaultSource(), int line = 0);

    // An error with the platform's usual description for its number.
    [[nodiscard]] static VbError fromNumber(int number, const QString &source = defaultSource());
    [[nodiscard]] static QString standardDescription(int number);
    [[nodiscard]] static QString defaultSource() { return QStringLiteral("EventViewObject"); }

    [[nodiscard]] int number() const { return m_number; }
    [[nodiscard]] const QString &description() const { return m_description; }
    [[nodiscard]] const QString &source() const { return m_source; }
    [[nodiscard]] int line() const { return m_line; }

    const char *what() const noexcept override { return m_what.constData(); }

private:
    int m_number = 0;
    QString m_description;
    QString m_source;
    int m_line = 0;
    QByteArray m_what;
};

} // namespace Ostraven

#include "odbcdiagnostics.h"

#include "dberror.h"

#include <QStringList>

namespace Ostraven {

namespace {

QString fromWide(const SQLWCHAR *text, qsizetype length)
{
    return QString::fromUtf16(reinterpret_cast<const char16_t *>(text), length);
}

bool isPasswordKey(const QString &key)
{
    return key.compare(QLatin1StringView("PWD"), Qt::CaseInsensitive) == 0
        || key.compare(QLatin1StringView("Password"), Qt::CaseInsensitive) == 0;
}

VbError unreadable(const QString &why)
{
    return DbError::openFailed(QStringLiteral("The ODBC connection string cannot be used: %1.").arg(why));
}

} // namespace

std::vector<OdbcDiagnostic> readDiagnostics(const OdbcApi &api, SQLSMALLINT handleType, SQLHANDLE handle)
{
    std::vector<OdbcDiagnostic> records;
    if (!handle)
        return records;
    for (SQLSMALLINT number = 1;; ++number) {
        SQLWCHAR state[6] = {};
        SQLINTEGER native = 0;
        std::vector<SQLWCHAR> message(512);
        SQLSMALLINT length = 0;
        SQLRETURN rc = api.getDiagRec(handleType, handle, number, state, &native, message.data(),
                                      SQLSMALLINT(message.size()), &length);
        // A message longer than the buffer is asked for again at its full length.
        if (rc == SQL_SUCCESS_WITH_INFO && length >= SQLSMALLINT(message.size())) {
            message.resize(size_t(length) + 1);
            rc = api.getDiagRec(handleType, handle, number, state, &native, message.data(), SQLSMALLINT(message.size()),
                                &length);
        }
        if (!succeeded(rc))
            break;
        const qsizetype shown = std::min<qsizetype>(length, qsizetype(message.size()) - 1);
        records.push_back({fromWide(state, 5), int(native), fromWide(message.data(), std::max<qsizetype>(shown, 0))});
    }
    return records;
}

QString describeDiagnostics(const std::vector<OdbcDiagnostic> &records, const QString &what, SQLRETURN rc)
{
    QStringList parts;
    for (const OdbcDiagnostic &record : records) {
        parts << QStringLiteral("SQLSTATE %1 (native error %2): %3")
                     .arg(record.sqlState)
                     .arg(record.nativeError)
                     .arg(record.message.trimmed());
    }
    if (parts.isEmpty()) {
        parts << (rc == SQL_INVALID_HANDLE ? QStringLiteral("the driver manager was handed a handle it does not know")
                                           : QStringLiteral("the driver gave no diagnostic (return code %1)").arg(rc));
    }
    const QString detail = parts.join(QStringLiteral("; "));
    return what.isEmpty() ? detail : what + QStringLiteral(": ") + detail;
}

QString engineMessage(const std::vector<OdbcDiagnostic> &records)
{
    if (records.empty())
        return {};
    const OdbcDiagnostic &first = records.front();
    QStringView text = QStringView(first.message).trimmed();
    while (text.startsWith(u'[')) {
        const qsizetype close = text.indexOf(u']');
        if (close < 0)
            break;
        text = text.mid(close + 1).trimmed();
    }
    const QString native = QStringLiteral(" (%1)").arg(first.nativeError);
    if (text.endsWith(native) && text.size() > native.size())
        text.chop(native.size());
    return text.toString();
}

bool isConnectionLoss(const std::vector<OdbcDiagnostic> &records)
{
    for (const OdbcDiagnostic &record : records) {
        if (record.sqlState.startsWith(QLatin1StringView("08")))
            return true;
    }
    return false;
}

// Pieces are separated by ";"; a value in braces may hold ";" and "=", and "}}" inside it is one "}".
OdbcConnectionString OdbcConnectionString::parse(const QString &text)
{
    OdbcConnectionString result;
    result.m_text = text;
    if (text.trimmed().isEmpty())
        throw unreadable(QStringLiteral("it is empty"));
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        const qsizetype equals = text.indexOf(u'=', i);
        const qsizetype semicolon = text.indexOf(u';', i);
        if (equals < 0 || (semicolon >= 0 && semicolon < equals)) {
            const QString piece = text.mid(i, semicolon < 0 ? -1 : semicolon - i).trimmed();
            if (!piece.isEmpty())
                throw unreadable(QStringLiteral("'%1' is not a key=value pair").arg(piece));
            i = semicolon < 0 ? n : semicolon + 1;
            continue;
        }
        const QString key = text.mid(i, equals - i).trimmed();
        if (key.isEmpty())
            throw unreadable(QStringLiteral("a value at position %1 has no key").arg(equals + 1));
        qsizetype j = equals + 1;
        while (j < n && text.at(j) == u' ')
            ++j;
        QString value;
        if (j < n && text.at(j) == u'{') {
            bool closed = false;
            for (++j; j < n; ++j) {
                if (text.at(j) == u'}') {
                    if (j + 1 < n && text.at(j + 1) == u'}') {
                        value += u'}';
                        ++j;
                        continue;
                    }
                    closed = true;
                    ++j;
                    break;
                }
                value += text.at(j);
            }
            if (!closed)
                throw unreadable(QStringLiteral("the value of %1 opens a brace that is never closed").arg(key));
            while (j < n && text.at(j) == u' ')
                ++j;
            if (j < n && text.at(j) != u';')
                throw unreadable(QStringLiteral("the braced value of %1 is followed by more than a ';'").arg(key));
        } else {
            const qsizetype end = text.indexOf(u';', j);
            value = text.mid(j, end < 0 ? -1 : end - j).trimmed();
            j = end < 0 ? n : end;
        }
        result.m_pairs.push_back({key, value});
        i = j + 1;
    }
    if (result.value(QStringLiteral("Driver")).isEmpty() && result.value(QStringLiteral("DSN")).isEmpty()
        && result.value(QStringLiteral("FILEDSN")).isEmpty())
        throw unreadable(QStringLiteral("it names neither a Driver nor a DSN"));
    return result;
}

QString OdbcConnectionString::value(const QString &key) const
{
    for (const Pair &pair : m_pairs) {
        if (pair.key.compare(key, Qt::CaseInsensitive) == 0)
            return pair.value;
    }
    return {};
}

QString OdbcConnectionString::masked() const
{
    QStringList pieces;
    for (const Pair &pair : m_pairs)
        pieces << pair.key + u'=' + (isPasswordKey(pair.key) ? QStringLiteral("***") : pair.value);
    return pieces.join(u';');
}

} // namespace Ostraven

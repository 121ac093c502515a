#pragma once

#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

namespace Ostraven {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "the ODBC backend passes QString's UTF-16 as SQLWCHAR");

// The driver manager's entry points the ODBC backend calls, as one table. The backend calls nothing
// else, so a copy with one slot replaced can stand in for what no local driver does on request: a link
// that drops in the middle of a statement, a server that writes output parameters back. Every other
// slot keeps going to the real driver.
struct OdbcApi {
    decltype(&::SQLAllocHandle) allocHandle = &::SQLAllocHandle;
    decltype(&::SQLFreeHandle) freeHandle = &::SQLFreeHandle;
    decltype(&::SQLSetEnvAttr) setEnvAttr = &::SQLSetEnvAttr;
    decltype(&::SQLSetConnectAttrW) setConnectAttr = &::SQLSetConnectAttrW;
    decltype(&::SQLDriverConnectW) driverConnect = &::SQLDriverConnectW;
    decltype(&::SQLDisconnect) disconnect = &::SQLDisconnect;
    decltype(&::SQLGetInfoW) getInfo = &::SQLGetInfoW;
    decltype(&::SQLSetStmtAttrW) setStmtAttr = &::SQLSetStmtAttrW;
    decltype(&::SQLPrepareW) prepare = &::SQLPrepareW;
    decltype(&::SQLExecute) execute = &::SQLExecute;
    decltype(&::SQLExecDirectW) execDirect = &::SQLExecDirectW;
    decltype(&::SQLNumResultCols) numResultCols = &::SQLNumResultCols;
    decltype(&::SQLDescribeColW) describeCol = &::SQLDescribeColW;
    decltype(&::SQLFetch) fetch = &::SQLFetch;
    decltype(&::SQLGetData) getData = &::SQLGetData;
    decltype(&::SQLRowCount) rowCount = &::SQLRowCount;
    decltype(&::SQLMoreResults) moreResults = &::SQLMoreResults;
    decltype(&::SQLBindParameter) bindParameter = &::SQLBindParameter;
    decltype(&::SQLDescribeParam) describeParam = &::SQLDescribeParam;
    decltype(&::SQLFreeStmt) freeStmt = &::SQLFreeStmt;
    decltype(&::SQLEndTran) endTran = &::SQLEndTran;
    decltype(&::SQLGetDiagRecW) getDiagRec = &::SQLGetDiagRecW;
};

[[nodiscard]] inline bool succeeded(SQLRETURN rc)
{
    return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO;
}

} // namespace Ostraven

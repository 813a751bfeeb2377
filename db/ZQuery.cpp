// Running a statement through libpq and reading its first row.
#include "ZQuery.h"

#include "DbErrors.h"
#include "LibPq.h"
#include "SqlText.h"
#include "ZConnection.h"

#include <utility>

TZField::TZField(unsigned type, bool isNull, std::string text)
    : type_(type), isNull_(isNull), text_(std::move(text)) {}

std::int32_t TZField::AsInteger() const
{
    return IntegerFromField(type_, isNull_, text_);
}

void TZQuery::Clear(pg_result* result)
{
    LibPq().PQclear(result);
}

TZQuery::TZQuery(TZConnection& connection) : connection_(connection) {}
TZQuery::~TZQuery() = default;

void TZQuery::Open()
{
    if (result_)
        return;
    pg_conn* connection = connection_.Handle();
    if (!connection)
        throw ESqlError(SqlErrorText("the connection is not open"));
    const LibPqFunctions& pq = LibPq();
    TResultHandle result(pq.PQexec(connection, StatementOf(SQL).c_str()));
    if (!result) // no result at all: out of memory or the connection is gone
        throw ESqlError(SqlErrorText(pq.PQerrorMessage(connection)));
    const ExecStatusType status = pq.PQresultStatus(result.get());
    if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK)
        throw ESqlError(SqlErrorText(pq.PQresultErrorMessage(result.get())));
    result_ = std::move(result);
}

void TZQuery::Close()
{
    result_.reset();
}

TZField TZQuery::FieldByName(const std::string& name) const
{
    if (!result_)
        throw Exception("Field '" + name + "' not found: the query is not open");
    const LibPqFunctions& pq = LibPq();
    const int column = pq.PQfnumber(result_.get(), name.c_str());
    if (column < 0)
        throw Exception("Field '" + name + "' not found");
    if (pq.PQntuples(result_.get()) == 0)
        return TZField(pq.PQftype(result_.get(), column), true, std::string());
    return TZField(pq.PQftype(result_.get(), column), pq.PQgetisnull(result_.get(), 0, column) != 0,
                   pq.PQgetvalue(result_.get(), 0, column));
}

// Opening and closing the libpq connection.
#include "ZConnection.h"

#include "ConnectionKeywords.h"
#include "DbErrors.h"
#include "LibPq.h"
#include "SqlText.h"

#include <vector>

void TZConnection::Finish(pg_conn* connection)
{
    LibPq().PQfinish(connection);
}

TZConnection::TZConnection() = default;
TZConnection::~TZConnection() = default;

void TZConnection::SetConnected(bool connected)
{
    if (!connected) {
        handle_.reset();
        return;
    }
    if (handle_)
        return;
    if (Protocol != "postgresql")
        throw ESqlError(SqlErrorText("unknown protocol '" + Protocol + "'"));
    const LibPqFunctions& pq = LibPq();
    const ConnectionKeywordList keywords = ConnectionKeywords(HostName, Port, Database, User, Password);
    const ConnectionKeywordArrays arrays = KeywordArrays(keywords);
    TConnectionHandle connection(
        pq.PQconnectdbParams(arrays.Names.data(), arrays.Values.data(),
                             0)); // expand_dbname: the database name is a name, never a connection string
    if (!connection)
        throw ESqlError(SqlErrorText("out of memory"));
    if (pq.PQstatus(connection.get()) != CONNECTION_OK)
        throw ESqlError(SqlErrorText(pq.PQerrorMessage(connection.get())));
    handle_ = std::move(connection);
}

pg_conn* TZConnection::Handle() const
{
    return handle_.get();
}

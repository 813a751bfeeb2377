// The floor of the "no update" run: the same database work with nothing
// around it. Loads libpq.dll from its directory, connects with the updater's
// keywords, runs the release query, reads nrversao and ends; no window.
//   floor_release <host> <port> <database> <user> <password>
// Traces "start" to the debugger channel first, as the updater traces its
// first status, so both are timed from the same point to their exit.
// Prints "nrversao=<n>", or the error and exit code 1.
#include "ConnectionKeywords.h"
#include "LibPq.h"
#include "ReleaseQuery.h"
#include "SqlText.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <vector>

int main(int argc, char** argv)
{
    OutputDebugStringA("start");
    if (argc != 6) {
        std::fprintf(stderr, "usage: floor_release <host> <port> <database> <user> <password>\n");
        return 2;
    }
    try {
        const LibPqFunctions& pq = LibPq();
        const ConnectionKeywordList keywords =
            ConnectionKeywords(argv[1], static_cast<std::int32_t>(std::atoi(argv[2])), argv[3], argv[4], argv[5]);
        const ConnectionKeywordArrays arrays = KeywordArrays(keywords);
        PGconn* connection = pq.PQconnectdbParams(arrays.Names.data(), arrays.Values.data(), 0);
        if (pq.PQstatus(connection) != CONNECTION_OK) {
            std::fprintf(stderr, "%s", pq.PQerrorMessage(connection));
            return 1;
        }
        PGresult* result = pq.PQexec(connection, StatementOf(ReleaseQuerySql).c_str());
        const int column = pq.PQfnumber(result, "nrversao");
        if (pq.PQresultStatus(result) != PGRES_TUPLES_OK || column < 0) {
            std::fprintf(stderr, "%s", pq.PQresultErrorMessage(result));
            return 1;
        }
        const bool none = pq.PQntuples(result) == 0;
        const std::int32_t newest = IntegerFromField(pq.PQftype(result, column),
                                                     none || pq.PQgetisnull(result, 0, column),
                                                     none ? "" : pq.PQgetvalue(result, 0, column));
        pq.PQclear(result);
        pq.PQfinish(connection);
        std::printf("nrversao=%d\n", static_cast<int>(newest));
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}

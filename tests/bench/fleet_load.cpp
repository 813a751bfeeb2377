// Load generator of the fleet benchmark: many desks starting at once. Each
// session is one start of the updater as the database sees it: connect with
// the updater's keywords (password, SCRAM), run the release query, read
// nrversao, disconnect. A fixed number of sessions, a fixed number at a time.
//   fleet_load <host> <port> <database> <user> <password> <sessions> <concurrency>
// Prints one "name=value" per line: sessions, failed, seconds, per_second,
// p50_ms, p99_ms, nrversao (of the last good session) and first_error.
#include "ConnectionKeywords.h"
#include "ReleaseQuery.h"
#include "SqlText.h"

#include <libpq-fe.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct ConnectionFinish {
    void operator()(PGconn* connection) const { PQfinish(connection); }
};
struct ResultClear {
    void operator()(PGresult* result) const { PQclear(result); }
};

struct Outcome {
    std::mutex lock;
    std::vector<double> sessionMs;
    int failed = 0;
    std::int32_t newest = 0;
    std::string firstError;
};

// One updater's exchange with the database; returns the error text or "".
std::string RunSession(const ConnectionKeywordArrays& keywords,
                       const std::string& statement, std::int32_t& newest)
{
    const std::unique_ptr<PGconn, ConnectionFinish> connection(
        PQconnectdbParams(keywords.Names.data(), keywords.Values.data(), 0)); // expand_dbname 0, as the updater
    if (PQstatus(connection.get()) != CONNECTION_OK)
        return PQerrorMessage(connection.get());
    const std::unique_ptr<PGresult, ResultClear> result(PQexec(connection.get(), statement.c_str()));
    if (PQresultStatus(result.get()) != PGRES_TUPLES_OK)
        return PQresultErrorMessage(result.get());
    const int column = PQfnumber(result.get(), "nrversao");
    if (column < 0)
        return "no column nrversao";
    const bool none = PQntuples(result.get()) == 0;
    newest = IntegerFromField(PQftype(result.get(), column), none || PQgetisnull(result.get(), 0, column),
                              none ? "" : PQgetvalue(result.get(), 0, column));
    return {};
}

double Percentile(const std::vector<double>& sorted, double fraction)
{
    if (sorted.empty())
        return 0;
    const auto rank = static_cast<std::size_t>(std::ceil(fraction * static_cast<double>(sorted.size())));
    return sorted[std::max<std::size_t>(rank, 1) - 1];
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 8) {
        std::fprintf(stderr, "usage: fleet_load <host> <port> <database> <user> <password> <sessions> <concurrency>\n");
        return 2;
    }
    const ConnectionKeywordList keywords =
        ConnectionKeywords(argv[1], static_cast<std::int32_t>(std::atoi(argv[2])), argv[3], argv[4], argv[5]);
    const ConnectionKeywordArrays arrays = KeywordArrays(keywords);
    const std::string statement = StatementOf(ReleaseQuerySql);
    const int sessions = std::atoi(argv[6]);
    const int concurrency = std::max(1, std::atoi(argv[7]));

    Outcome outcome;
    std::atomic<int> next{0};
    const auto worker = [&] {
        while (next.fetch_add(1) < sessions) {
            std::int32_t newest = 0;
            const Clock::time_point started = Clock::now();
            const std::string error = RunSession(arrays, statement, newest);
            const double ms = std::chrono::duration<double, std::milli>(Clock::now() - started).count();
            const std::lock_guard<std::mutex> guard(outcome.lock);
            if (error.empty()) {
                outcome.sessionMs.push_back(ms);
                outcome.newest = newest;
            } else if (outcome.failed++ == 0) {
                outcome.firstError = error;
            }
        }
    };
    const Clock::time_point began = Clock::now();
    std::vector<std::thread> threads;
    for (int i = 0; i < concurrency; ++i)
        threads.emplace_back(worker);
    for (std::thread& thread : threads)
        thread.join();
    const double seconds = std::chrono::duration<double>(Clock::now() - began).count();

    std::vector<double>& ms = outcome.sessionMs;
    std::sort(ms.begin(), ms.end());
    std::string error = outcome.firstError;
    std::replace(error.begin(), error.end(), '\n', ' ');
    std::printf("sessions=%d\nfailed=%d\nseconds=%.3f\nper_second=%.1f\np50_ms=%.2f\np99_ms=%.2f\n"
                "nrversao=%d\nfirst_error=%s\n",
                sessions, outcome.failed, seconds, static_cast<double>(ms.size()) / seconds,
                Percentile(ms, 0.50), Percentile(ms, 0.99), static_cast<int>(outcome.newest), error.c_str());
    return 0;
}

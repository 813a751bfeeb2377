// The database connection: the settings of one PostgreSQL connection and the
// open libpq connection itself. There is no login dialog (the password comes
// only from the settings) and every statement commits on its own (libpq's
// default; no transaction is ever begun).
#pragma once

#include "UniqueHandle.h"

#include <cstdint>
#include <string>

struct pg_conn;

class TZConnection {
public:
    TZConnection();
    ~TZConnection();
    TZConnection(const TZConnection&) = delete;
    TZConnection& operator=(const TZConnection&) = delete;

    // Only "postgresql" can be opened.
    std::string Protocol;
    std::string HostName;
    std::int32_t Port = 0;
    std::string Database;
    std::string User;
    std::string Password;

    // true opens the connection with the settings above (loading libpq.dll on
    // first use) and raises ESqlError or ELibraryLoadError when that fails;
    // false closes it. Setting the value it already has does nothing.
    void SetConnected(bool connected);

    // The open connection, for the queries on it; null while closed.
    pg_conn* Handle() const;

private:
    static void Finish(pg_conn* connection);
    using TConnectionHandle = TUniqueHandle<pg_conn*, Finish>;
    TConnectionHandle handle_;
};

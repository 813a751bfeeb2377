// libpq, bound at run time from libpq.dll: one table of the functions this
// layer calls, typed from libpq-fe.h and filled once on first use.
#pragma once

#include <libpq-fe.h>

#define TOLVAR_LIBPQ_FUNCTIONS(X) \
    X(PQconnectdbParams)          \
    X(PQstatus)                   \
    X(PQerrorMessage)             \
    X(PQfinish)                   \
    X(PQexec)                     \
    X(PQresultStatus)             \
    X(PQresultErrorMessage)       \
    X(PQclear)                    \
    X(PQntuples)                  \
    X(PQfnumber)                  \
    X(PQftype)                    \
    X(PQgetisnull)                \
    X(PQgetvalue)

struct LibPqFunctions {
#define TOLVAR_LIBPQ_MEMBER(name) decltype(&::name) name;
    TOLVAR_LIBPQ_FUNCTIONS(TOLVAR_LIBPQ_MEMBER)
#undef TOLVAR_LIBPQ_MEMBER
};

// Loads libpq.dll by bare file name, so the system's usual search applies,
// the first time it is called; raises ELibraryLoadError when the file or one
// of the functions is missing (and tries again on the next call).
const LibPqFunctions& LibPq();

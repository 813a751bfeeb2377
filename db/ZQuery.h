// A query on a TZConnection: its SQL text, the result it holds while open,
// and the columns of the result's first row.
#pragma once

#include "UniqueHandle.h"

#include <cstdint>
#include <string>

class TZConnection;
struct pg_result;

// One column of the current row.
class TZField {
public:
    TZField(unsigned type, bool isNull, std::string text);
    // See IntegerFromField: NULL, and a result without rows, read 0.
    std::int32_t AsInteger() const;

private:
    unsigned type_;
    bool isNull_;
    std::string text_;
};

class TZQuery {
public:
    explicit TZQuery(TZConnection& connection);
    ~TZQuery();
    TZQuery(const TZQuery&) = delete;
    TZQuery& operator=(const TZQuery&) = delete;

    std::string SQL;

    // Runs SQL (up to its closing semicolon) on the open connection and keeps
    // the result; raises ESqlError when the statement fails. Does nothing
    // while the query is already open.
    void Open();
    // Lets go of the result.
    void Close();

    // The column `name` of the first row; raises Exception when the query is
    // not open or has no such column.
    TZField FieldByName(const std::string& name) const;

private:
    static void Clear(pg_result* result);
    using TResultHandle = TUniqueHandle<pg_result*, Clear>;
    TZConnection& connection_;
    TResultHandle result_;
};

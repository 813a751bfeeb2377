// The keywords with which the connection opens itself through libpq. Values
// go to the library one by one (no connection string), so none is quoted.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

using ConnectionKeywordList = std::vector<std::pair<std::string, std::string>>;

// True for exactly four dot-separated decimal numbers, each from 0 to 255.
bool IsIpv4Address(const std::string& hostName);

// host (or hostaddr for an IPv4 address), port, dbname, and user and password
// only when the user name is not empty; nothing else, so libpq's own defaults
// hold for everything else.
ConnectionKeywordList ConnectionKeywords(const std::string& hostName, std::int32_t port,
                                         const std::string& database, const std::string& user,
                                         const std::string& password);

// The keywords as PQconnectdbParams takes them: two arrays of the same length,
// each ending with a null pointer. They point into `keywords`, which must outlive them.
struct ConnectionKeywordArrays {
    std::vector<const char*> Names;
    std::vector<const char*> Values;
};
ConnectionKeywordArrays KeywordArrays(const ConnectionKeywordList& keywords);

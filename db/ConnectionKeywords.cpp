// Keyword building for the libpq connection.
#include "ConnectionKeywords.h"

#include <algorithm>

bool IsIpv4Address(const std::string& hostName)
{
    int numbers = 0;
    std::size_t pos = 0;
    for (;;) {
        const std::size_t end = std::min(hostName.find('.', pos), hostName.size());
        if (end == pos)
            return false;
        int value = 0;
        for (std::size_t i = pos; i < end; ++i) {
            const char c = hostName[i];
            if (c < '0' || c > '9')
                return false;
            value = value * 10 + (c - '0');
            if (value > 255) // also keeps long runs of digits from overflowing
                return false;
        }
        ++numbers;
        if (end == hostName.size())
            return numbers == 4;
        if (numbers == 4)
            return false;
        pos = end + 1;
    }
}

ConnectionKeywordList ConnectionKeywords(const std::string& hostName, std::int32_t port,
                                         const std::string& database, const std::string& user,
                                         const std::string& password)
{
    ConnectionKeywordList keywords;
    const auto add = [&keywords](const char* name, const std::string& value) { keywords.emplace_back(name, value); };
    add(IsIpv4Address(hostName) ? "hostaddr" : "host", hostName);
    add("port", std::to_string(port));
    add("dbname", database);
    if (!user.empty()) {
        add("user", user);
        add("password", password);
    }
    return keywords;
}

ConnectionKeywordArrays KeywordArrays(const ConnectionKeywordList& keywords)
{
    ConnectionKeywordArrays arrays;
    for (const auto& [name, value] : keywords) {
        arrays.Names.push_back(name.c_str());
        arrays.Values.push_back(value.c_str());
    }
    arrays.Names.push_back(nullptr);
    arrays.Values.push_back(nullptr);
    return arrays;
}

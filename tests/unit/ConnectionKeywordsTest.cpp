// Keywords handed to libpq: which host keyword an address gets, when user and
// password are given, and that values pass unchanged.
#include "ConnectionKeywords.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

struct HostCase {
    std::string host;
    const char* keyword;
};

void PrintTo(const HostCase& c, std::ostream* out)
{
    *out << testing::PrintToString(c.host);
}

class HostKeyword : public testing::TestWithParam<HostCase> {};

TEST_P(HostKeyword, Ipv4AddressGoesAsHostaddr)
{
    const HostCase& c = GetParam();
    const ConnectionKeywordList keywords = ConnectionKeywords(c.host, 5432, "db", "", "");
    EXPECT_EQ(keywords.front(), (std::pair<std::string, std::string>(c.keyword, c.host)));
}

INSTANTIATE_TEST_SUITE_P(
    Hosts, HostKeyword,
    testing::Values(HostCase{"10.0.0.1", "hostaddr"}, HostCase{"127.0.0.1", "hostaddr"},
                    HostCase{"0.0.0.0", "hostaddr"}, HostCase{"255.255.255.255", "hostaddr"},
                    // Numbers with leading zeros are still numbers from 0 to 255.
                    HostCase{"01.2.3.4", "hostaddr"}, HostCase{"1.2.3.0000000000000000000004", "hostaddr"},
                    HostCase{"256.1.1.1", "host"}, HostCase{"1.2.3.256", "host"},
                    HostCase{"1.2.3.99999999999999999999", "host"}, HostCase{"1.2.3", "host"},
                    HostCase{"1.2.3.4.5", "host"}, HostCase{"1.2.3.4.", "host"},
                    HostCase{".1.2.3", "host"}, HostCase{"1..2.3", "host"}, HostCase{"1.2.3.-4", "host"},
                    HostCase{"1.2.3.+4", "host"}, HostCase{" 1.2.3.4", "host"}, HostCase{"1.2.3.4 ", "host"},
                    HostCase{"1.2.3.a", "host"}, HostCase{"12345", "host"}, HostCase{"", "host"},
                    HostCase{"db.example.com", "host"}, HostCase{"localhost", "host"},
                    HostCase{"::1", "host"}));

using KeywordList = ConnectionKeywordList;

TEST(ConnectionKeywords, UserAndPasswordOnlyWithAUserName)
{
    EXPECT_EQ(ConnectionKeywords("srv", 5432, "vortan", "", "secret"),
              (KeywordList{{"host", "srv"}, {"port", "5432"}, {"dbname", "vortan"}}));
    EXPECT_EQ(ConnectionKeywords("srv", 5432, "vortan", "ravik", ""),
              (KeywordList{{"host", "srv"},
                           {"port", "5432"},
                           {"dbname", "vortan"},
                           {"user", "ravik"},
                           {"password", ""}}));
}

TEST(ConnectionKeywords, PortInDecimalWhateverItsRange)
{
    const auto port = [](std::int32_t value) { return ConnectionKeywords("h", value, "", "", "")[1]; };
    EXPECT_EQ(port(-1), (std::pair<std::string, std::string>("port", "-1")));
    EXPECT_EQ(port(0).second, "0");
    EXPECT_EQ(port(std::numeric_limits<std::int32_t>::min()).second, "-2147483648");
    EXPECT_EQ(port(std::numeric_limits<std::int32_t>::max()).second, "2147483647");
}

TEST(ConnectionKeywords, ValuesReachTheLibraryUnquoted)
{
    const std::string password = " a'b\"c\\d=e f \xE7\xE3 ";
    const std::string database = "db name='x' host=evil";
    const KeywordList keywords = ConnectionKeywords("h", 1, database, "us er", password);
    EXPECT_EQ(keywords[2].second, database);
    EXPECT_EQ(keywords[3].second, "us er");
    EXPECT_EQ(keywords[4].second, password);
}

// libpq reads both arrays up to the first null name.
TEST(ConnectionKeywords, ArraysPairEachNameWithItsValueAndEndInNull)
{
    const KeywordList keywords = ConnectionKeywords("10.0.0.1", 5432, "vortan", "", "");
    const ConnectionKeywordArrays arrays = KeywordArrays(keywords);
    ASSERT_EQ(arrays.Names.size(), keywords.size() + 1);
    ASSERT_EQ(arrays.Values.size(), keywords.size() + 1);
    for (std::size_t i = 0; i < keywords.size(); ++i) {
        EXPECT_EQ(arrays.Names[i], keywords[i].first);
        EXPECT_EQ(arrays.Values[i], keywords[i].second);
    }
    EXPECT_EQ(arrays.Names.back(), nullptr);
    EXPECT_EQ(arrays.Values.back(), nullptr);
}

} // namespace

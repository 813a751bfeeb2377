// The settings reader over the system's private-profile service, and the five
// connection values of a real Config.ini applied to the connection (Windows only).
#include "IniFile.h"
#include "IntegerConversion.h"
#include "ProtectedValueWriter.h"
#include "ReleaseCheck.h"
#include "ZConnection.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

class ConfigFile : public testing::Test {
protected:
    void SetUp() override
    {
        const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
        directory_ = fs::temp_directory_path() / ("settings-reader-" + std::string(test->name()));
        fs::remove_all(directory_);
        fs::create_directories(directory_);
        path_ = (directory_ / "Config.ini").string();
    }
    void TearDown() override { fs::remove_all(directory_); }

    void Write(const std::string& content) const
    {
        std::ofstream(path_, std::ios::binary) << content;
    }

    // A file as the synchronizer writes it, with `port` as the plain port text.
    static std::string Stored(const std::string& host, const std::string& port)
    {
        return "[CONEXAO DESTINO]\r\nHOST=" + ProtectValue(host) + "\r\nPORTA=" + ProtectValue(port) +
               "\r\nDATABASEVORTAN=" + ProtectValue("tolvar") + "\r\nUSUARIO=" + ProtectValue("ravik") +
               "\r\nSENHA=" + ProtectValue("s3nh@") + "\r\n\r\n[CONFIGURACOES]\r\nVERSAO=12\r\n";
    }

    fs::path directory_;
    std::string path_;
};

// A connection as the update window holds it before the run, with values
// that show which ones the reading reached.
class ConnectionSettingsApplied : public ConfigFile {
protected:
    ConnectionSettingsApplied()
    {
        connection.Protocol = connection.HostName = connection.Database = connection.User =
            connection.Password = "before";
        connection.Port = -1;
    }

    std::string ConversionMessage()
    {
        try {
            ApplyConnectionSettings(TIniFile(path_), connection);
        } catch (const EConvertError& e) {
            return e.what();
        }
        return "no conversion error";
    }

    TZConnection connection;
};

TEST_F(ConnectionSettingsApplied, FiveValuesDecodedAndApplied)
{
    Write(Stored("db.example", "5432"));
    ApplyConnectionSettings(TIniFile(path_), connection);
    EXPECT_EQ(connection.Protocol, "postgresql");
    EXPECT_EQ(connection.HostName, "db.example");
    EXPECT_EQ(connection.Port, 5432);
    EXPECT_EQ(connection.Database, "tolvar");
    EXPECT_EQ(connection.User, "ravik");
    EXPECT_EQ(connection.Password, "s3nh@");
}

TEST_F(ConnectionSettingsApplied, MissingFileStopsAtThePort)
{
    EXPECT_EQ(ConversionMessage(), "'' is not a valid integer value");
    EXPECT_EQ(connection.Protocol, "postgresql");
    EXPECT_EQ(connection.HostName, "");
    EXPECT_EQ(connection.Port, -1);
    EXPECT_EQ(connection.Database, "before");
}

TEST_F(ConnectionSettingsApplied, MissingPortStopsBeforeTheLaterValues)
{
    Write("[CONEXAO DESTINO]\r\nHOST=" + ProtectValue("db.example") + "\r\nDATABASEVORTAN=" +
          ProtectValue("tolvar") + "\r\nUSUARIO=" + ProtectValue("ravik") + "\r\n");
    EXPECT_EQ(ConversionMessage(), "'' is not a valid integer value");
    EXPECT_EQ(connection.HostName, "db.example");
    EXPECT_EQ(connection.Database, "before");
    EXPECT_EQ(connection.User, "before");
    EXPECT_EQ(connection.Password, "before");
}

TEST_F(ConnectionSettingsApplied, PortTextIsDecodedBeforeConversion)
{
    Write("[CONEXAO DESTINO]\r\nPORTA=" + ProtectValue("5432 ") + "\r\n");
    EXPECT_EQ(ConversionMessage(), "'5432 ' is not a valid integer value");
}

TEST_F(ConnectionSettingsApplied, MissingHostGivesAnEmptyHostName)
{
    Write("[CONEXAO DESTINO]\r\nPORTA=" + ProtectValue("$1538") + "\r\n");
    ApplyConnectionSettings(TIniFile(path_), connection);
    EXPECT_EQ(connection.HostName, "");
    EXPECT_EQ(connection.Port, 5432);
    EXPECT_EQ(connection.Password, "");
}

TEST_F(ConnectionSettingsApplied, LongHostIsCutTo2047CharactersBeforeDecoding)
{
    std::string plain;
    for (int i = 0; i < 2250; ++i)
        plain += static_cast<char>('a' + i % 26);
    const std::string stored = ProtectValue(plain);
    ASSERT_EQ(stored.size(), 3000u);
    Write("[CONEXAO DESTINO]\r\nHOST=" + stored + "\r\nPORTA=" + ProtectValue("5432") + "\r\n");
    ApplyConnectionSettings(TIniFile(path_), connection);
    EXPECT_EQ(connection.HostName, plain.substr(0, 1535));
}

// What the platform's reader does with the lines the tests and the synchronizer write.
struct ReadCase {
    const char* content;
    const char* section;
    const char* key;
    std::string value;
};

void PrintTo(const ReadCase& c, std::ostream* out)
{
    *out << testing::PrintToString(std::string(c.content)) << " " << c.section << " " << c.key;
}

class ReadStringBehaviour : public ConfigFile, public testing::WithParamInterface<ReadCase> {};

TEST_P(ReadStringBehaviour, GivesTheValue)
{
    Write(GetParam().content);
    EXPECT_EQ(TIniFile(path_).ReadString(GetParam().section, GetParam().key, "default"), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    PrivateProfile, ReadStringBehaviour,
    testing::Values(ReadCase{"[CONFIGURACOES]\r\nVERSAO=12\r\n", "CONFIGURACOES", "VERSAO", "12"},
                    ReadCase{"[CONFIGURACOES]\nVERSAO=12\n", "CONFIGURACOES", "VERSAO", "12"},
                    ReadCase{"[CONFIGURACOES]\r\nVERSAO =  12  \r\n", "CONFIGURACOES", "VERSAO", "12"},
                    ReadCase{"[CONFIGURACOES]\r\nVERSAO=\r\n", "CONFIGURACOES", "VERSAO", ""},
                    ReadCase{"[CONFIGURACOES]\r\nVERSAO=12\r\n", "CONFIGURACOES", "PORTA", "default"},
                    ReadCase{"[CONFIGURACOES]\r\nVERSAO=12\r\n", "CONEXAO DESTINO", "VERSAO", "default"},
                    ReadCase{"[CONEXAO DESTINO]\r\nHOST=a+b/C==\r\n", "CONEXAO DESTINO", "HOST", "a+b/C=="}));

TEST_F(ConfigFile, MissingFileGivesTheDefault)
{
    EXPECT_EQ(TIniFile(path_).ReadString("CONFIGURACOES", "VERSAO", "default"), "default");
    EXPECT_FALSE(fs::exists(path_));
}

TEST_F(ConfigFile, EveryReadSeesTheFileAsItIsNow)
{
    const TIniFile reader(path_);
    Write("[CONFIGURACOES]\r\nVERSAO=1\r\n");
    EXPECT_EQ(reader.ReadString("CONFIGURACOES", "VERSAO", ""), "1");
    Write("[CONFIGURACOES]\r\nVERSAO=2\r\n");
    EXPECT_EQ(reader.ReadString("CONFIGURACOES", "VERSAO", ""), "2");
}

} // namespace

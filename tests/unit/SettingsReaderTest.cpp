// The settings reader over the system's private-profile service, and the
// reading of the five connection values from a real Config.ini (Windows only).
#include "ConnectionSettings.h"
#include "IniFile.h"
#include "IntegerConversion.h"
#include "ProtectedValueWriter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

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

// Records the hand-over of each value, and may act in between.
class RecordingTarget final : public TConnectionSettingsTarget {
public:
    void SetHostName(const std::string& value) override { Record("HostName=" + value); }
    void SetPort(std::int32_t value) override { Record("Port=" + std::to_string(value)); }
    void SetDatabase(const std::string& value) override { Record("Database=" + value); }
    void SetUser(const std::string& value) override { Record("User=" + value); }
    void SetPassword(const std::string& value) override { Record("Password=" + value); }

    std::vector<std::string> calls;
    std::function<void()> afterHostName;

private:
    void Record(const std::string& call)
    {
        calls.push_back(call);
        if (calls.size() == 1 && afterHostName)
            afterHostName();
    }
};

std::string ConversionMessage(const TIniFile& reader, RecordingTarget& target)
{
    try {
        ReadConnectionSettings(reader, target);
    } catch (const EConvertError& e) {
        return e.what();
    }
    return "no conversion error";
}

TEST_F(ConfigFile, FiveValuesDecodedAndHandedOverInOrder)
{
    Write(Stored("db.example", "5432"));
    RecordingTarget target;
    const ConnectionSettings settings = ReadConnectionSettings(TIniFile(path_), target);
    EXPECT_EQ(target.calls, (std::vector<std::string>{"HostName=db.example", "Port=5432", "Database=tolvar",
                                                      "User=ravik", "Password=s3nh@"}));
    EXPECT_EQ(settings.HostName, "db.example");
    EXPECT_EQ(settings.Port, 5432);
    EXPECT_EQ(settings.Database, "tolvar");
    EXPECT_EQ(settings.User, "ravik");
    EXPECT_EQ(settings.Password, "s3nh@");
}

TEST_F(ConfigFile, EachValueIsReadOnlyAfterThePreviousWasHandedOver)
{
    // The file changes once HOST has been handed over: PORTA must be read afresh.
    Write(Stored("db.example", "5432"));
    RecordingTarget target;
    target.afterHostName = [&] { Write(Stored("other.example", "6543")); };
    const ConnectionSettings settings = ReadConnectionSettings(TIniFile(path_), target);
    EXPECT_EQ(settings.HostName, "db.example");
    EXPECT_EQ(settings.Port, 6543);
}

TEST_F(ConfigFile, MissingFileStopsAtThePort)
{
    RecordingTarget target;
    EXPECT_EQ(ConversionMessage(TIniFile(path_), target), "'' is not a valid integer value");
    EXPECT_EQ(target.calls, std::vector<std::string>{"HostName="});
}

TEST_F(ConfigFile, MissingPortStopsBeforeTheLaterValues)
{
    Write("[CONEXAO DESTINO]\r\nHOST=" + ProtectValue("db.example") + "\r\nDATABASEVORTAN=" +
          ProtectValue("tolvar") + "\r\nUSUARIO=" + ProtectValue("ravik") + "\r\n");
    RecordingTarget target;
    EXPECT_EQ(ConversionMessage(TIniFile(path_), target), "'' is not a valid integer value");
    EXPECT_EQ(target.calls, std::vector<std::string>{"HostName=db.example"});
}

TEST_F(ConfigFile, PortTextIsDecodedBeforeConversion)
{
    Write("[CONEXAO DESTINO]\r\nPORTA=" + ProtectValue("5432 ") + "\r\n");
    RecordingTarget target;
    EXPECT_EQ(ConversionMessage(TIniFile(path_), target), "'5432 ' is not a valid integer value");
}

TEST_F(ConfigFile, MissingHostGivesAnEmptyHostName)
{
    Write("[CONEXAO DESTINO]\r\nPORTA=" + ProtectValue("$1538") + "\r\n");
    RecordingTarget target;
    const ConnectionSettings settings = ReadConnectionSettings(TIniFile(path_), target);
    EXPECT_EQ(settings.HostName, "");
    EXPECT_EQ(settings.Port, 5432);
    EXPECT_EQ(settings.Password, "");
    EXPECT_EQ(target.calls.size(), 5u);
}

TEST_F(ConfigFile, LongHostIsCutTo2047CharactersBeforeDecoding)
{
    std::string plain;
    for (int i = 0; i < 2250; ++i)
        plain += static_cast<char>('a' + i % 26);
    const std::string stored = ProtectValue(plain);
    ASSERT_EQ(stored.size(), 3000u);
    Write("[CONEXAO DESTINO]\r\nHOST=" + stored + "\r\nPORTA=" + ProtectValue("5432") + "\r\n");
    RecordingTarget target;
    const ConnectionSettings settings = ReadConnectionSettings(TIniFile(path_), target);
    EXPECT_EQ(settings.HostName, plain.substr(0, 1535));
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

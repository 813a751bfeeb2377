// The five connection values of Config.ini, decoded, and the reading of them.
#pragma once

#include <cstdint>
#include <string>

class TIniFile;

struct ConnectionSettings {
    std::string HostName;
    std::int32_t Port = 0;
    std::string Database;
    std::string User;
    std::string Password;
};

// Receives each value as soon as it has been read and decoded.
class TConnectionSettingsTarget {
public:
    virtual void SetHostName(const std::string&) = 0;
    virtual void SetPort(std::int32_t) = 0;
    virtual void SetDatabase(const std::string&) = 0;
    virtual void SetUser(const std::string&) = 0;
    virtual void SetPassword(const std::string&) = 0;

protected:
    ~TConnectionSettingsTarget() = default;
};

// Reads HOST, PORTA, DATABASEVORTAN, USUARIO and SENHA of [CONEXAO DESTINO] in
// this order, handing each to `target` before the next is read. A port text
// that ParseInteger rejects raises EConvertError and stops the reading there.
ConnectionSettings ReadConnectionSettings(const TIniFile& reader, TConnectionSettingsTarget& target);

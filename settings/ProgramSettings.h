// The program's settings file, Config.ini, and the values the update run
// reads from it, each by its section and key.
#pragma once

#include "IniFile.h"

#include <memory>
#include <string>

// The reader on Config.ini in the program directory.
std::unique_ptr<TIniFile> OpenProgramSettings();

// A connection value of [CONEXAO DESTINO] (HOST, PORTA, DATABASEVORTAN,
// USUARIO or SENHA): stored protected, returned decoded.
std::string ReadConnectionValue(const TIniFile& reader, const char* key);

// The installed release number of [CONFIGURACOES] as it is stored.
std::string ReadInstalledRelease(const TIniFile& reader);

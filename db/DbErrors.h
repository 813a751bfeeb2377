// Failures of the database layer.
#pragma once

#include "Errors.h"

// The library or the server refused: "SQL Error: " and their message.
class ESqlError : public Exception {
public:
    using Exception::Exception;
};

// libpq.dll (or one of its functions) could not be loaded; the text names the file.
class ELibraryLoadError : public Exception {
public:
    using Exception::Exception;
};

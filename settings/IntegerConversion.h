// Text to signed 32-bit integer, with the toolkit's rules: leading blanks,
// one sign, decimal or $/x/0x hexadecimal, nothing after the digits.
#pragma once

#include "Errors.h"

#include <cstdint>
#include <string>

// A text that the integer conversion does not accept.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// Raises EConvertError("'<text>' is not a valid integer value") on failure.
std::int32_t ParseInteger(const std::string& text);

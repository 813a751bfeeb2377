// The failures that no phase foresees. Each kind is its own type; all carry a
// UTF-8 message that the error box shows as it stands.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

// Base of every failure the error box reports.
class Exception : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A failed file operation: the operating system's error code and its text.
class EInOutError : public Exception {
public:
    EInOutError(std::uint32_t code, const std::string& message)
        : Exception(message), ErrorCode(code) {}
    std::uint32_t ErrorCode;
};

// A system error code as text: "<code>: <the system's text for it>", or the
// code alone when the system has no text for it.
std::string DescribeSystemError(std::uint32_t code);

// Throws EInOutError for `code` (a GetLastError value, captured by the caller
// right after the failing call), with the system's text for it.
[[noreturn]] void RaiseInOutError(std::uint32_t code);

// The failures that no phase foresees. Each kind is its own type; all carry a
// UTF-8 message that the error box shows as it stands.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <utility>

// Base of every failure the error box reports. It keeps its text itself
// rather than through std::runtime_error, which makes the program 1 KB smaller.
class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
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

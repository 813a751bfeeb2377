// Fuzzes the integer conversion against a model of its rules written with
// regular expressions: same value, or the same failure and message.
#include "IntegerConversion.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <regex>
#include <string>

namespace {

std::optional<std::int32_t> Model(const std::string& given)
{
    const std::string text = given.substr(0, given.find('\0'));
    static const std::regex hex("^ *([+-]?)(\\$|0[xX]|[xX])([0-9A-Fa-f]+)$");
    static const std::regex decimal("^ *([+-]?)([0-9]+)$");
    std::smatch match;
    if (std::regex_match(text, match, hex)) {
        const std::string digits = match[3].str();
        const std::string significant = digits.substr(std::min(digits.find_first_not_of('0'), digits.size()));
        if (significant.size() > 8)
            return std::nullopt;
        const std::uint32_t value = significant.empty() ? 0u : static_cast<std::uint32_t>(std::stoul(significant, nullptr, 16));
        return static_cast<std::int32_t>(match[1] == "-" ? 0u - value : value);
    }
    if (std::regex_match(text, match, decimal)) {
        const std::string digits = match[2].str();
        const std::string significant = digits.substr(std::min(digits.find_first_not_of('0'), digits.size()));
        if (significant.size() > 10)
            return std::nullopt;
        long long value = significant.empty() ? 0 : std::stoll(significant);
        if (match[1] == "-")
            value = -value;
        if (value < INT32_MIN || value > INT32_MAX)
            return std::nullopt;
        return static_cast<std::int32_t>(value);
    }
    return std::nullopt;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::optional<std::int32_t> expected = Model(input);
    try {
        const std::int32_t value = ParseInteger(input);
        if (!expected || *expected != value)
            std::abort();
    } catch (const EConvertError& e) {
        if (expected || std::string(e.what()) != "'" + input.substr(0, input.find('\0')) + "' is not a valid integer value")
            std::abort();
    }
    return 0;
}

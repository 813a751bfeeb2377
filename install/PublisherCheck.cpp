#include "PublisherCheck.h"

#include <optional>

namespace {

constexpr unsigned char kSequence = 0x30;
constexpr unsigned char kSet = 0x31;
constexpr unsigned char kObjectIdentifier = 0x06;
constexpr unsigned char kUtf8String = 0x0C;
constexpr unsigned char kPrintableString = 0x13;
constexpr unsigned char kIa5String = 0x16;

struct Element {
    unsigned char Tag;
    std::string_view Contents;
};

// Takes one DER element off the front of `rest`. Multi-byte tags and
// indefinite lengths never occur in a certificate's name: refused.
std::optional<Element> Take(std::string_view& rest)
{
    if (rest.size() < 2 || (rest[0] & 0x1F) == 0x1F)
        return std::nullopt;
    const auto tag = static_cast<unsigned char>(rest[0]);
    std::size_t length = static_cast<unsigned char>(rest[1]);
    std::size_t header = 2;
    if (length & 0x80) {
        const std::size_t count = length & 0x7F;
        if (count == 0 || count > 4 || rest.size() < header + count)
            return std::nullopt;
        length = 0;
        for (std::size_t i = 0; i < count; ++i)
            length = length << 8 | static_cast<unsigned char>(rest[header + i]);
        header += count;
    }
    if (rest.size() - header < length)
        return std::nullopt;
    const Element element{tag, rest.substr(header, length)};
    rest.remove_prefix(header + length);
    return element;
}

// The text as a name compares it: ASCII case folded, spaces trimmed and
// inner runs made one. Other bytes (accented letters in UTF-8) stay as they are.
std::string FoldedText(std::string_view text)
{
    std::string folded;
    bool spaceDue = false;
    for (const char c : text) {
        if (c == ' ') {
            spaceDue = !folded.empty();
            continue;
        }
        if (spaceDue)
            folded += ' ';
        spaceDue = false;
        folded += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    return folded;
}

// Appends `bytes` after their length, so that fields never run together.
void AppendField(std::string& out, std::string_view bytes)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out += static_cast<char>((bytes.size() >> shift) & 0xFF);
    out += bytes;
}

// One string per name, equal exactly when the names are the same.
std::optional<std::string> CanonicalName(std::string_view der)
{
    const auto name = Take(der);
    if (!name || name->Tag != kSequence || !der.empty() || name->Contents.empty())
        return std::nullopt;
    std::string canonical;
    for (std::string_view rdns = name->Contents; !rdns.empty();) {
        const auto rdn = Take(rdns);
        if (!rdn || rdn->Tag != kSet || rdn->Contents.empty())
            return std::nullopt;
        canonical += 'R';
        for (std::string_view attributes = rdn->Contents; !attributes.empty();) {
            const auto attribute = Take(attributes);
            if (!attribute || attribute->Tag != kSequence)
                return std::nullopt;
            std::string_view parts = attribute->Contents;
            const auto type = Take(parts);
            const auto value = Take(parts);
            if (!type || type->Tag != kObjectIdentifier || !value || !parts.empty())
                return std::nullopt;
            canonical += 'A';
            AppendField(canonical, type->Contents);
            if (value->Tag == kUtf8String || value->Tag == kPrintableString || value->Tag == kIa5String) {
                canonical += static_cast<char>(kUtf8String);
                AppendField(canonical, FoldedText(value->Contents));
            } else {
                canonical += static_cast<char>(value->Tag);
                AppendField(canonical, value->Contents);
            }
        }
    }
    return canonical;
}

} // namespace

bool IsSameName(std::string_view subject, std::string_view otherSubject)
{
    const auto canonical = CanonicalName(subject);
    return canonical && canonical == CanonicalName(otherSubject);
}

bool AcceptsRelease(const InstalledSigner& installed, const VerifiedSignature& staged)
{
    switch (installed.State) {
    case InstalledSignature::Absent:
    case InstalledSignature::Unsigned:
        return true;
    case InstalledSignature::Signed:
        return staged.Trust == 0 && IsSameName(installed.Subject, staged.Subject);
    case InstalledSignature::Unreadable:
        break;
    }
    return false;
}

// Decides whether a downloaded release comes from the publisher of the
// installed synchronizer. Pure: the signatures are read by Authenticode.h.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// What the installed executable's signature tells.
enum class InstalledSignature {
    Absent,     // no installed executable
    Unsigned,   // no Authenticode signature (or no executable we could parse)
    Signed,     // signed; Subject names the signer
    Unreadable, // there, but its signature could not be read
};

struct InstalledSigner {
    InstalledSignature State;
    std::string Subject; // the signing certificate's subject, DER-encoded
};

struct VerifiedSignature {
    std::int32_t Trust;  // WinVerifyTrust's result: 0 when the signature holds
    std::string Subject; // the signing certificate's subject, DER-encoded, if it could be read
};

// True when two DER-encoded X.500 names name the same subject. The names are
// compared attribute by attribute, in order at both levels (a reordered or
// regrouped name is another name), each attribute type exactly. Values in
// PrintableString, UTF8String or IA5String compare as text: ASCII letters
// without regard to case, leading and trailing spaces ignored and inner runs
// of spaces taken as one. Other values compare byte for byte. A malformed
// or empty name is the same as none, itself included.
bool IsSameName(std::string_view subject, std::string_view otherSubject);

// True when the staged release may replace the installed one. An installed
// executable that is absent or unsigned pins nothing; a signed one requires a
// trusted staged signature from a subject of the same name; an unreadable
// one lets nothing through.
bool AcceptsRelease(const InstalledSigner& installed, const VerifiedSignature& staged);

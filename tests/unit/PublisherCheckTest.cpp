// Which signed releases may replace the installed synchronizer: the subject
// comparison on hand-built DER names, and the decision over both signatures.
#include "PublisherCheck.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace {

constexpr unsigned char kUtf8 = 0x0C, kPrintable = 0x13, kIa5 = 0x16, kBmp = 0x1E;
const std::string kCountry = "\x55\x04\x06";
const std::string kCommonName = "\x55\x04\x03";
const std::string kOrganization = "\x55\x04\x0A";
const std::string kUnit = "\x55\x04\x0B";
const std::string kEmail = "\x2A\x86\x48\x86\xF7\x0D\x01\x09\x01";

std::string Der(unsigned char tag, const std::string& contents)
{
    std::string out(1, static_cast<char>(tag));
    if (contents.size() < 0x80) {
        out += static_cast<char>(contents.size());
    } else {
        out += '\x82';
        out += static_cast<char>(contents.size() >> 8);
        out += static_cast<char>(contents.size() & 0xFF);
    }
    return out + contents;
}

struct Attribute {
    std::string Type;
    unsigned char Tag;
    std::string Value;
};
using Rdn = std::vector<Attribute>;

std::string Name(const std::vector<Rdn>& rdns)
{
    std::string sequence;
    for (const Rdn& rdn : rdns) {
        std::string set;
        for (const Attribute& a : rdn)
            set += Der(0x30, Der(0x06, a.Type) + Der(a.Tag, a.Value));
        sequence += Der(0x31, set);
    }
    return Der(0x30, sequence);
}

// Publisher A as its first certificate names it.
std::string PublisherA(const std::string& organization = "Tolvar Sistemas Ltda",
                       unsigned char tag = kUtf8)
{
    return Name({{{kCountry, kPrintable, "BR"}},
                 {{kOrganization, tag, organization}},
                 {{kCommonName, tag, "Tolvar Sistemas Ltda"}}});
}

struct NameCase {
    const char* name;
    std::string subject;
    std::string other;
    bool same;
};

void PrintTo(const NameCase& c, std::ostream* os) { *os << c.name; }

class SubjectNameTest : public testing::TestWithParam<NameCase> {};

TEST_P(SubjectNameTest, ComparesAsNames)
{
    EXPECT_EQ(IsSameName(GetParam().subject, GetParam().other), GetParam().same);
    EXPECT_EQ(IsSameName(GetParam().other, GetParam().subject), GetParam().same);
}

const std::string kLong(300, 'x');

INSTANTIATE_TEST_SUITE_P(
    Renewals, SubjectNameTest,
    testing::Values(
        NameCase{"identical", PublisherA(), PublisherA(), true},
        NameCase{"printable_string_for_utf8_string", PublisherA(), PublisherA("Tolvar Sistemas Ltda", kPrintable), true},
        NameCase{"ascii_case", PublisherA(), PublisherA("TOLVAR sistemas ltda"), true},
        NameCase{"spaces_around_and_doubled", PublisherA(), PublisherA("  Tolvar   Sistemas Ltda "), true},
        NameCase{"ia5_email_case", Name({{{kEmail, kIa5, "ti@tolvar.com.br"}}}),
                 Name({{{kEmail, kIa5, "TI@Tolvar.com.br"}}}), true},
        NameCase{"long_values", Name({{{kCommonName, kUtf8, kLong}}}), Name({{{kCommonName, kPrintable, kLong}}}), true}),
    [](const testing::TestParamInfo<NameCase>& param) { return std::string(param.param.name); });

INSTANTIATE_TEST_SUITE_P(
    OtherPublishers, SubjectNameTest,
    testing::Values(
        NameCase{"other_organization", PublisherA(), PublisherA("Outra Empresa Ltda"), false},
        NameCase{"other_common_name", PublisherA(),
                 Name({{{kCountry, kPrintable, "BR"}},
                       {{kOrganization, kUtf8, "Tolvar Sistemas Ltda"}},
                       {{kCommonName, kUtf8, "Tolvar Sistemas"}}}), false},
        NameCase{"spaces_removed_not_collapsed", PublisherA(), PublisherA("TolvarSistemas Ltda"), false},
        NameCase{"accented_letter_case", PublisherA("Associação"), PublisherA("ASSOCIAÇÃO"), false},
        NameCase{"same_text_in_bmp_string", Name({{{kCommonName, kUtf8, "AB"}}}),
                 Name({{{kCommonName, kBmp, std::string("\0A\0B", 4)}}}), false},
        NameCase{"value_under_another_type", Name({{{kOrganization, kUtf8, "Tolvar"}}}),
                 Name({{{kUnit, kUtf8, "Tolvar"}}}), false},
        NameCase{"attribute_added", PublisherA(),
                 Name({{{kCountry, kPrintable, "BR"}},
                       {{kOrganization, kUtf8, "Tolvar Sistemas Ltda"}},
                       {{kUnit, kUtf8, "TI"}},
                       {{kCommonName, kUtf8, "Tolvar Sistemas Ltda"}}}), false},
        NameCase{"attribute_dropped", PublisherA(),
                 Name({{{kCountry, kPrintable, "BR"}}, {{kCommonName, kUtf8, "Tolvar Sistemas Ltda"}}}), false},
        NameCase{"rdns_reordered", PublisherA(),
                 Name({{{kCommonName, kUtf8, "Tolvar Sistemas Ltda"}},
                       {{kOrganization, kUtf8, "Tolvar Sistemas Ltda"}},
                       {{kCountry, kPrintable, "BR"}}}), false},
        NameCase{"regrouped_into_one_rdn", Name({{{kOrganization, kUtf8, "T"}}, {{kCommonName, kUtf8, "T"}}}),
                 Name({{{kOrganization, kUtf8, "T"}, {kCommonName, kUtf8, "T"}}}), false},
        NameCase{"second_attribute_inside_a_value",
                 Name({{{kCommonName, kUtf8, "Tolvar"}}, {{kOrganization, kUtf8, "Tolvar"}}}),
                 Name({{{kCommonName, kUtf8, "Tolvar, O=Tolvar"}}}), false},
        NameCase{"long_values_differing_at_the_end", Name({{{kCommonName, kUtf8, kLong}}}),
                 Name({{{kCommonName, kUtf8, kLong + "y"}}}), false}),
    [](const testing::TestParamInfo<NameCase>& param) { return std::string(param.param.name); });

// A name that cannot be read names no one, not even the same bytes again.
TEST(SubjectName, MalformedNamesMatchNothing)
{
    const std::string good = PublisherA();
    const std::vector<std::string> malformed = {
        "",
        Der(0x30, ""),                                          // no RDN at all
        good.substr(0, good.size() - 1),                        // cut short
        good + '\0',                                            // trailing byte
        "\x30\x80" + good.substr(2) + std::string(2, '\0'),     // indefinite length
        Der(0x30, Der(0x31, "")),                               // empty RDN
        Der(0x30, Der(0x30, Der(0x30, Der(0x06, kCommonName) + Der(kUtf8, "A")))), // RDN not a SET
        Der(0x30, Der(0x31, Der(0x30, Der(0x06, kCommonName) + Der(kUtf8, "A") + Der(kUtf8, "B")))),
        Der(0x30, Der(0x31, Der(0x30, Der(0x04, kCommonName) + Der(kUtf8, "A")))), // type not an OID
        Der(0x30, Der(0x31, Der(0x30, Der(0x06, kCommonName) + "\x1F\x21\x01" "A"))), // multi-byte tag
        std::string("\x30\x85\x00\x00\x00\x00\x01\x00", 8),    // length of five bytes
    };
    for (const std::string& name : malformed) {
        EXPECT_FALSE(IsSameName(name, name)) << testing::PrintToString(name);
        EXPECT_FALSE(IsSameName(name, good));
    }
}

constexpr std::int32_t kTrusted = 0;
constexpr auto kNoSignature = static_cast<std::int32_t>(0x800B0100); // TRUST_E_NOSIGNATURE
constexpr auto kBadDigest = static_cast<std::int32_t>(0x80096010);   // TRUST_E_BAD_DIGEST
constexpr auto kExpired = static_cast<std::int32_t>(0x800B0101);     // CERT_E_EXPIRED
constexpr auto kUntrustedRoot = static_cast<std::int32_t>(0x800B0109); // CERT_E_UNTRUSTEDROOT

struct DecisionCase {
    const char* name;
    InstalledSigner installed;
    VerifiedSignature staged;
    bool accepted;
};

void PrintTo(const DecisionCase& c, std::ostream* os) { *os << c.name; }

class ReleaseDecisionTest : public testing::TestWithParam<DecisionCase> {};

TEST_P(ReleaseDecisionTest, AcceptsOnlyWhatThePinAllows)
{
    EXPECT_EQ(AcceptsRelease(GetParam().installed, GetParam().staged), GetParam().accepted);
}

const std::string kRenewedA = PublisherA("Tolvar Sistemas Ltda", kPrintable);
const std::string kLookalikeB = PublisherA("Outra Empresa Ltda");

INSTANTIATE_TEST_SUITE_P(
    Table, ReleaseDecisionTest,
    testing::Values(
        DecisionCase{"none_installed_unsigned_release", {InstalledSignature::Absent, ""}, {kNoSignature, ""}, true},
        DecisionCase{"none_installed_tampered_release", {InstalledSignature::Absent, ""}, {kBadDigest, ""}, true},
        DecisionCase{"unsigned_installed_unsigned_release", {InstalledSignature::Unsigned, ""}, {kNoSignature, ""}, true},
        DecisionCase{"unsigned_installed_other_publisher", {InstalledSignature::Unsigned, ""}, {kTrusted, kLookalikeB}, true},
        DecisionCase{"signed_same_subject", {InstalledSignature::Signed, PublisherA()}, {kTrusted, PublisherA()}, true},
        DecisionCase{"signed_renewed_certificate", {InstalledSignature::Signed, PublisherA()}, {kTrusted, kRenewedA}, true},
        DecisionCase{"signed_other_publisher", {InstalledSignature::Signed, PublisherA()}, {kTrusted, kLookalikeB}, false},
        DecisionCase{"signed_unsigned_release", {InstalledSignature::Signed, PublisherA()}, {kNoSignature, ""}, false},
        // A failed verification refuses even when a subject could be read.
        DecisionCase{"signed_tampered_release", {InstalledSignature::Signed, PublisherA()}, {kBadDigest, PublisherA()}, false},
        DecisionCase{"signed_expired_release", {InstalledSignature::Signed, PublisherA()}, {kExpired, PublisherA()}, false},
        DecisionCase{"signed_untrusted_root", {InstalledSignature::Signed, PublisherA()}, {kUntrustedRoot, PublisherA()}, false},
        DecisionCase{"signed_unreadable_subject", {InstalledSignature::Signed, ""}, {kTrusted, ""}, false},
        DecisionCase{"unreadable_installed", {InstalledSignature::Unreadable, ""}, {kTrusted, PublisherA()}, false}),
    [](const testing::TestParamInfo<DecisionCase>& param) { return std::string(param.param.name); });

} // namespace

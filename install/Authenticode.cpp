#include "Authenticode.h"

#include "UniqueHandle.h"

#include <windows.h>
#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>


namespace {

BOOL WINAPI CloseStore(HCERTSTORE store)
{
    return CertCloseStore(store, 0);
}
using Store = TUniqueHandle<HCERTSTORE, CloseStore>;
using Message = TUniqueHandle<HCRYPTMSG, CryptMsgClose>;
using Certificate = TUniqueHandle<PCCERT_CONTEXT, CertFreeCertificateContext>;

// The program's ANSI paths are bound by MAX_PATH like every A function's.
struct WidePath {
    explicit WidePath(const std::string& path) { MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, chars, MAX_PATH); }
    wchar_t chars[MAX_PATH] = L"";
};

std::string SubjectOf(const CERT_CONTEXT& certificate)
{
    const CERT_NAME_BLOB& subject = certificate.pCertInfo->Subject;
    return {reinterpret_cast<const char*>(subject.pbData), subject.cbData};
}

// The certificate that the signed message names as its first signer.
Certificate FirstSignerCertificate(HCERTSTORE store, HCRYPTMSG message)
{
    DWORD size = 0;
    if (!CryptMsgGetParam(message, CMSG_SIGNER_CERT_INFO_PARAM, 0, nullptr, &size))
        return Certificate();
    std::string signer(size, '\0');
    if (!CryptMsgGetParam(message, CMSG_SIGNER_CERT_INFO_PARAM, 0, signer.data(), &size))
        return Certificate();
    // The info holds the signer's issuer and serial number, which find it.
    return Certificate(CertFindCertificateInStore(store, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 0,
                                                  CERT_FIND_SUBJECT_CERT, signer.data(), nullptr));
}

} // namespace

VerifiedSignature VerifySignature(const std::string& exe)
{
    const WidePath path(exe);
    WINTRUST_FILE_INFO file = {};
    file.cbStruct = sizeof file;
    file.pcwszFilePath = path.chars;
    WINTRUST_DATA data = {};
    data.cbStruct = sizeof data;
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &file;
    data.dwStateAction = WTD_STATEACTION_VERIFY; // keeps the state, to read the signer from it
    // Revocation lists and missing issuers are never fetched: no network wait.
    data.dwProvFlags = WTD_REVOCATION_CHECK_NONE | WTD_CACHE_ONLY_URL_RETRIEVAL;
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    // INVALID_HANDLE_VALUE: there is no interactive user.
    const HWND noUser = static_cast<HWND>(INVALID_HANDLE_VALUE);

    VerifiedSignature result{WinVerifyTrust(noUser, &action, &data), {}};
    CRYPT_PROVIDER_DATA* provider = WTHelperProvDataFromStateData(data.hWVTStateData);
    CRYPT_PROVIDER_SGNR* signer =
        provider ? WTHelperGetProvSignerFromChain(provider, 0, /*fCounterSigner*/ FALSE, 0) : nullptr;
    CRYPT_PROVIDER_CERT* certificate = signer ? WTHelperGetProvCertFromChain(signer, 0) : nullptr;
    if (certificate && certificate->pCert)
        result.Subject = SubjectOf(*certificate->pCert);
    data.dwStateAction = WTD_STATEACTION_CLOSE;
    WinVerifyTrust(noUser, &action, &data);
    return result;
}

InstalledSigner ReadInstalledSigner(const std::string& exe)
{
    if (GetFileAttributesA(exe.c_str()) == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        const bool absent = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        return {absent ? InstalledSignature::Absent : InstalledSignature::Unreadable, {}};
    }
    // The signed message as it stands, neither its digest nor its chain
    // judged: an expired certificate, or a file damaged since it was
    // installed, still names its publisher.
    const WidePath path(exe);
    HCERTSTORE store = nullptr;
    HCRYPTMSG message = nullptr;
    if (!CryptQueryObject(CERT_QUERY_OBJECT_FILE, path.chars, CERT_QUERY_CONTENT_FLAG_PKCS7_SIGNED_EMBED,
                          CERT_QUERY_FORMAT_FLAG_BINARY, 0, /*pdwMsgAndCertEncodingType*/ nullptr,
                          /*pdwContentType*/ nullptr, /*pdwFormatType*/ nullptr, &store, &message,
                          /*ppvContext*/ nullptr)) {
        // Also what a file that is no executable at all gives (a zero-filled one, say).
        const bool noSignature = static_cast<HRESULT>(GetLastError()) == CRYPT_E_NO_MATCH;
        return {noSignature ? InstalledSignature::Unsigned : InstalledSignature::Unreadable, {}};
    }
    const Store ownedStore(store);
    const Message ownedMessage(message);
    const Certificate signer = FirstSignerCertificate(store, message);
    if (!signer)
        return {InstalledSignature::Unreadable, {}};
    return {InstalledSignature::Signed, SubjectOf(*signer.get())};
}

bool KeepsPublisher(const std::string& installedExe, const std::string& stagedExe)
{
    return AcceptsRelease(ReadInstalledSigner(installedExe), VerifySignature(stagedExe));
}

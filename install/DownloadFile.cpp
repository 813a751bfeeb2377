// DownloadFile over WinInet. The request is made with InternetConnectA,
// HttpOpenRequestA and HttpSendRequestA rather than InternetOpenUrlA: only on
// that path do WinInet's time-outs take effect (under Wine at least), and it
// lets the answer's status be checked before the destination is touched.
#include "DownloadFile.h"

#include "Errors.h"
#include "FileHandles.h"
#include "ProgramPaths.h"

#include <windows.h>
#include <wininet.h>

#include <optional>

namespace {

constexpr DWORD TransferBufferSize = 1024;

// Declared in the order of opening, so leaving the scope, by return or by the
// input/output error, releases them in reverse.
using InternetHandle = TUniqueHandle<HINTERNET, InternetCloseHandle>;

// The destination file, created for writing (cut to zero when it exists).
// Every failure on it is the input/output error with the system's code.
class OutputFile {
public:
    explicit OutputFile(const std::string& path)
        : handle_(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr))
    {
        if (!handle_)
            RaiseInOutError(GetLastError());
    }

    void Write(const void* data, DWORD size)
    {
        DWORD written = 0;
        if (!WriteFile(handle_.get(), data, size, &written, nullptr))
            RaiseInOutError(GetLastError());
        if (written != size)
            RaiseInOutError(ERROR_HANDLE_DISK_FULL); // a short write sets no error code of its own
    }
    // Flushed before it is closed: the file may be moved into place next, and a
    // rename can reach the disk before the data it names.
    void Close()
    {
        if (!FlushFileBuffers(handle_.get()) || !CloseHandle(handle_.release()))
            RaiseInOutError(GetLastError());
    }

private:
    TFileHandle handle_;
};

// A numeric header of the answer, or nothing when the answer lacks it.
// 32 bits: Wine knows no HTTP_QUERY_FLAG_NUMBER64, and a body over 4 GiB then
// fails the length check rather than passing it.
std::optional<DWORD> QueryNumber(HINTERNET request, DWORD header)
{
    DWORD value = 0;
    DWORD size = sizeof value;
    if (!HttpQueryInfoA(request, header | HTTP_QUERY_FLAG_NUMBER, &value, &size, nullptr))
        return std::nullopt;
    return value;
}

// Redirects are followed inside HttpSendRequestA; this tells whether the
// answer finally came over https.
bool AnsweredOverHttps(HINTERNET request)
{
    char url[INTERNET_MAX_URL_LENGTH] = {};
    DWORD size = sizeof url;
    return InternetQueryOptionA(request, INTERNET_OPTION_URL, url, &size) &&
           CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, url, 6, "https:", 6) == CSTR_EQUAL;
}

} // namespace

bool DownloadFile(const std::string& address, const std::string& destination,
                  std::uint32_t stallLimitMs)
{
    // Non-zero lengths with null pointers: the parts come back pointing into `address`.
    URL_COMPONENTSA parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = 1;
    if (!InternetCrackUrlA(address.c_str(), 0, 0, &parts))
        return false;
    const bool secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
    if (!secure && parts.nScheme != INTERNET_SCHEME_HTTP)
        return false;
    const std::string host(parts.lpszHostName, parts.dwHostNameLength);
    // Path and query; the extra information follows the path in `address`.
    std::string object(parts.lpszUrlPath, parts.dwUrlPathLength + parts.dwExtraInfoLength);
    object = object.substr(0, object.find('#'));

    const InternetHandle root(InternetOpenA(ProgramFileName().c_str(), INTERNET_OPEN_TYPE_PRECONFIG,
                                            nullptr, nullptr, 0));
    if (!root)
        return false;
    const InternetHandle connection(InternetConnectA(root.get(), host.c_str(), parts.nPort,
                                                     nullptr, nullptr, // no user name, no password
                                                     INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection)
        return false;
    // Set on the connection, they hold for the request and every redirect:
    // no connection, no answer or no byte for that long fails the transfer.
    for (const DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                               INTERNET_OPTION_RECEIVE_TIMEOUT}) {
        DWORD limit = stallLimitMs;
        InternetSetOptionA(connection.get(), option, &limit, sizeof limit);
    }
    // Always from the server, and nothing kept: a stale or error answer must
    // never come back from the cache.
    const DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                        INTERNET_FLAG_PRAGMA_NOCACHE | (secure ? INTERNET_FLAG_SECURE : 0);
    // Accept */* as InternetOpenUrlA sends it; HTTP/1.1; no referrer.
    const char* acceptTypes[] = {"*/*", nullptr};
    const InternetHandle request(HttpOpenRequestA(connection.get(), "GET", object.c_str(), nullptr,
                                                  nullptr, acceptTypes, flags, 0));
    if (!request || !HttpSendRequestA(request.get(), nullptr, 0, nullptr, 0))
        return false;
    const std::optional<DWORD> status = QueryNumber(request.get(), HTTP_QUERY_STATUS_CODE);
    if (!status || *status < 200 || *status > 299 || (secure && !AnsweredOverHttps(request.get())))
        return false;
    const std::optional<DWORD> expectedLength = QueryNumber(request.get(), HTTP_QUERY_CONTENT_LENGTH);

    OutputFile file(destination);
    char buffer[TransferBufferSize];
    ULONGLONG received = 0;
    for (;;) {
        DWORD count = 0;
        if (!InternetReadFile(request.get(), buffer, TransferBufferSize, &count)) {
            file.Close();
            return false;
        }
        if (count == 0)
            break;
        file.Write(buffer, count);
        received += count;
    }
    file.Close();
    // A body cut short by the server closing the connection also ends with an
    // empty read; only its length tells.
    return !expectedLength || received == *expectedLength;
}

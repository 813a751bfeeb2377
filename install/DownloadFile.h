// The download routine: copies the body of one web resource into a local file
// through WinInet, synchronously, with one small buffer whatever the size.
#pragma once

#include <cstdint>
#include <string>

// Copies the body of the answer for `address` (an absolute http or https
// address, ANSI) into `destination` (a full path, ANSI), replacing that file.
//
// true:  a 2xx answer's whole body is in the destination, which is closed.
// false: the transfer could not be done. Before the body begins (no service,
//        no connection, certificate refused, non-2xx status, an https address
//        redirected to http) the destination is untouched; after it (a failed
//        read, a body shorter than its Content-Length) the destination keeps
//        the bytes received.
// A transfer that makes no progress for `stallLimitMs` fails the same way.
//
// Raises EInOutError when the destination cannot be created, written or
// closed; every internet handle has been released by then.
bool DownloadFile(const std::string& address, const std::string& destination,
                  std::uint32_t stallLimitMs = 60000);

// The Authenticode signatures of the installed synchronizer and of a staged
// release, read through the system's own services (crypt32, wintrust).
#pragma once

#include "PublisherCheck.h"

#include <string>

// The signer of `exe` as it stands, its chain not judged: an expired or
// untrusted certificate still names its publisher. Paths in the ANSI code page.
InstalledSigner ReadInstalledSigner(const std::string& exe);

// `exe` checked by WinVerifyTrust (generic verify, no UI, no revocation,
// nothing fetched from the network), with its signing certificate's subject
// when the signature holds.
StagedSigner VerifyStagedSigner(const std::string& exe);

// True when `stagedExe` may replace `installedExe`: nothing is pinned by an
// unsigned or absent installed executable, a signed one requires a valid
// signature by a subject of the same name. See AcceptsRelease.
bool KeepsPublisher(const std::string& installedExe, const std::string& stagedExe);

// The Authenticode signatures of the installed synchronizer and of a staged
// release, read through WinVerifyTrust.
#pragma once

#include "PublisherCheck.h"

#include <string>

// Paths are in the ANSI code page.

// WinVerifyTrust's verdict on `exe` (generic verify, no UI, no revocation,
// nothing fetched from the network) and the subject of its signing
// certificate whenever the signature could be read, whatever the verdict.
VerifiedSignature VerifySignature(const std::string& exe);

// The signer of `exe` as it stands, its chain not judged: an expired or
// untrusted certificate still names its publisher.
InstalledSigner ReadInstalledSigner(const std::string& exe);

// True when `stagedExe` may replace `installedExe`: nothing is pinned by an
// unsigned or absent installed executable, a signed one requires a valid
// signature by a subject of the same name. See AcceptsRelease.
bool KeepsPublisher(const std::string& installedExe, const std::string& stagedExe);

// Target verification: the Authenticode check and the SHA-256 of a file.
#pragma once

#include <cstdint>
#include <string>

#include "handle.h"

namespace upd {

// Opens the file for reading; others may read it but not write, rename or
// delete it while the handle is open.
fwu::UniqueFile OpenFileDenyingChanges(const std::wstring& path);

// WinVerifyTrust (generic verify v2, no user interface, no revocation
// check) of the file, read through a handle from OpenFileDenyingChanges
// that is handed out in `held`; 0 when the signature is present and
// trusted. When the file cannot be opened so, `held` stays empty and the
// result is not 0: the trust provider's answer for the path (a missing
// file, for example), else the open's error as an HRESULT.
int32_t VerifyFileSignature(const std::wstring& path, fwu::UniqueFile& held);
// The SHA-256 of the file as 64 upper-case hexadecimal digits, read in
// 64 KiB chunks through CryptoAPI from a handle of OpenFileDenyingChanges
// that is handed out in `held`; empty when no digest could be made.
std::wstring HashFileSha256(const std::wstring& path, fwu::UniqueFile& held);
// The same without keeping the file open.
std::wstring HashFileSha256(const std::wstring& path);

}  // namespace upd

// Target verification: the Authenticode check and the SHA-256 of a file.
#pragma once

#include <cstdint>
#include <string>

namespace upd {

// WinVerifyTrust (generic verify v2, no user interface, no revocation
// check) of the file; 0 when the signature is present and trusted.
int32_t VerifyFileSignature(const std::wstring& path);
// The SHA-256 of the file as 64 upper-case hexadecimal digits, read in
// 64 KiB chunks through CryptoAPI; empty when no digest could be made.
std::wstring HashFileSha256(const std::wstring& path);

}  // namespace upd

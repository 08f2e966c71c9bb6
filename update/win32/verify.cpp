#include "verify.h"

#include <windows.h>
#include <wincrypt.h>
#include <softpub.h>
#include <wintrust.h>

#include <algorithm>
#include <vector>

#include "bytes.h"
#include "handle.h"
#include "sized_read.h"
#include "task.h"

namespace upd {

namespace {
constexpr DWORD kChunkSize = 65536;
}  // namespace

fwu::UniqueFile OpenFileDenyingChanges(const std::wstring& path) {
    return fwu::UniqueFile(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
}

namespace {
// `handle`: the open file to read, or null to let the provider open `path`.
int32_t VerifyTrust(const std::wstring& path, HANDLE handle) {
    WINTRUST_FILE_INFO file{};
    file.cbStruct = sizeof(file);
    file.pcwszFilePath = path.c_str();
    file.hFile = handle;
    file.pgKnownSubject = nullptr;

    WINTRUST_DATA data{};
    data.cbStruct = sizeof(data);
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &file;
    data.dwStateAction = 0;
    data.dwProvFlags = 0;
    data.dwUIContext = 0;

    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    return static_cast<int32_t>(::WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data));
}
}  // namespace

int32_t VerifyFileSignature(const std::wstring& path, fwu::UniqueFile& held) {
    fwu::UniqueFile file = OpenFileDenyingChanges(path);
    if (!file) {
        DWORD error = ::GetLastError();
        if (error == ERROR_SUCCESS) error = ERROR_ACCESS_DENIED;
        // Not trusted whatever the provider says; asked by name it reports a
        // missing or unreadable file with its usual result.
        const int32_t byName = VerifyTrust(path, nullptr);
        return byName != 0 ? byName : static_cast<int32_t>(HRESULT_FROM_WIN32(error));
    }
    const int32_t result = VerifyTrust(path, file.get());
    held = std::move(file);
    return result;
}

std::wstring HashFileSha256(const std::wstring& path) {
    fwu::UniqueFile held;
    return HashFileSha256(path, held);
}

namespace {
// The hash text of what can be read from the open file.
std::wstring HashOpenFile(HANDLE file) {
    fwu::UniqueCryptProvider provider;
    if (!::CryptAcquireContextW(provider.put(), nullptr, nullptr, PROV_RSA_AES,
                                CRYPT_VERIFYCONTEXT | CRYPT_MACHINE_KEYSET))
        return std::wstring();
    fwu::UniqueCryptHash hash;
    if (!::CryptCreateHash(provider.get(), CALG_SHA_256, 0, 0, hash.put())) return std::wstring();

    std::vector<BYTE> buffer(kChunkSize, 0);
    for (;;) {
        DWORD read = 0;
        if (!::ReadFile(file, buffer.data(), kChunkSize, &read, nullptr) || read == 0) break;
        if (!::CryptHashData(hash.get(), buffer.data(), read, 0)) return std::wstring();
        std::fill(buffer.begin(), buffer.begin() + read, BYTE(0));
    }
    std::vector<BYTE> digest;
    // Without a buffer the call answers the size and succeeds.
    const bool read = fwu::ReadSized(
        [&](BYTE* data, size_t capacity) {
            DWORD size = DWORD(capacity);
            BOOL ok = ::CryptGetHashParam(hash.get(), HP_HASHVAL, data, &size, 0);
            return fwu::SizedAnswer{ok != FALSE && data != nullptr, ok ? size_t(size) : 0};
        },
        digest);
    if (!read || digest.empty()) return std::wstring();
    return fwu::HexText(digest.data(), digest.size());
}
}  // namespace

std::wstring HashFileSha256(const std::wstring& path, fwu::UniqueFile& held) {
    fwu::UniqueFile file = OpenFileDenyingChanges(path);
    if (!file) return std::wstring();
    std::wstring text = HashOpenFile(file.get());
    held = std::move(file);
    return text;
}

}  // namespace upd

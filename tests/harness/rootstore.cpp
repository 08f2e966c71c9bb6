// Puts a test root certificate into the local machine's "Root" store, or
// takes it out again, so that a signature made with it is trusted for the
// right reason: its chain ends in a root the machine holds.
//   rootstore add FILE      adds the DER-encoded certificate in FILE
//   rootstore remove FILE   deletes the store's copy of that certificate
// Prints one line on every path:
//   added "<subject>" to LocalMachine\Root
//   removed "<subject>" from LocalMachine\Root
//   already in LocalMachine\Root: "<subject>"      (add, exit 5)
//   not in LocalMachine\Root: "<subject>"          (remove, exit 5)
//   error: <what> (<Windows error, hexadecimal>)   (exit 2, 3 or 4)
//   usage: rootstore add|remove FILE               (exit 1)
// Exit codes: 0 done; 1 usage; 2 FILE cannot be read or holds no
// certificate; 3 the store cannot be opened; 4 the store refused the
// change; 5 nothing to do (add: the certificate was there already, so a
// test must not remove it afterwards; remove: it was not there).
// Adding to the machine's store needs an administrator; Windows asks for no
// confirmation there (it does for the current user's "Root").
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <string>
#include <vector>

#include "handle.h"
#include "text.h"

namespace {

constexpr int kDone = 0;
constexpr int kUsage = 1;
constexpr int kBadFile = 2;
constexpr int kNoStore = 3;
constexpr int kRefused = 4;
constexpr int kNothingToDo = 5;

void Print(const std::wstring& line) { std::printf("%s\n", fwu::ToUtf8(line).c_str()); }

int Fail(const std::wstring& what, DWORD error, int code) {
    Print(fwu::FormatString(L"error: %ls (0x%08lX)", what.c_str(), static_cast<unsigned long>(error)));
    return code;
}

bool ReadWholeFile(const std::wstring& path, std::vector<BYTE>& bytes) {
    fwu::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !::GetFileSizeEx(file.get(), &size)) return false;
    if (size.QuadPart <= 0 || size.QuadPart > 1 << 20) {
        ::SetLastError(ERROR_INVALID_DATA);
        return false;
    }
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    return ::ReadFile(file.get(), bytes.data(), DWORD(bytes.size()), &read, nullptr) && read == bytes.size();
}

std::wstring Subject(PCCERT_CONTEXT certificate) {
    wchar_t name[256] = {};
    ::CertGetNameStringW(certificate, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, name, 256);
    return name;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring mode = argc == 3 ? argv[1] : L"";
    if (mode != L"add" && mode != L"remove") {
        Print(L"usage: rootstore add|remove FILE");
        return kUsage;
    }
    const std::wstring path = argv[2];
    std::vector<BYTE> encoded;
    if (!ReadWholeFile(path, encoded)) return Fail(L"cannot read " + path, ::GetLastError(), kBadFile);
    fwu::UniqueCertContext certificate(
        ::CertCreateCertificateContext(X509_ASN_ENCODING, encoded.data(), DWORD(encoded.size())));
    if (!certificate) return Fail(L"no DER certificate in " + path, ::GetLastError(), kBadFile);
    const std::wstring subject = L"\"" + Subject(certificate.get()) + L"\"";

    fwu::UniqueCertStore store(::CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0,
                                               CERT_SYSTEM_STORE_LOCAL_MACHINE | CERT_STORE_OPEN_EXISTING_FLAG,
                                               L"Root"));
    if (!store) return Fail(L"cannot open LocalMachine\\Root", ::GetLastError(), kNoStore);

    if (mode == L"add") {
        if (!::CertAddEncodedCertificateToStore(store.get(), X509_ASN_ENCODING, encoded.data(), DWORD(encoded.size()),
                                                CERT_STORE_ADD_NEW, nullptr)) {
            const DWORD error = ::GetLastError();
            if (error == DWORD(CRYPT_E_EXISTS)) {
                Print(L"already in LocalMachine\\Root: " + subject);
                return kNothingToDo;
            }
            return Fail(L"cannot add " + subject + L" to LocalMachine\\Root", error, kRefused);
        }
        Print(L"added " + subject + L" to LocalMachine\\Root");
        return kDone;
    }
    fwu::UniqueCertContext held(::CertFindCertificateInStore(store.get(), X509_ASN_ENCODING, 0, CERT_FIND_EXISTING,
                                                             certificate.get(), nullptr));
    if (!held) {
        Print(L"not in LocalMachine\\Root: " + subject);
        return kNothingToDo;
    }
    // Under Wine the deletion reaches the registry only through a commit
    // (closing the store leaves the certificate there); on Windows the
    // commit of a system store changes nothing further.
    if (!::CertDeleteCertificateFromStore(held.release()) ||
        !::CertControlStore(store.get(), 0, CERT_STORE_CTRL_COMMIT, nullptr))
        return Fail(L"cannot remove " + subject + L" from LocalMachine\\Root", ::GetLastError(), kRefused);
    Print(L"removed " + subject + L" from LocalMachine\\Root");
    return kDone;
}

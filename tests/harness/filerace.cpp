// File races and share-mode probes for the end-to-end tests, run on the
// Windows side (share modes hold only between Windows processes):
//   filerace swap TARGET A B MS OUT
//       for MS milliseconds, replace TARGET again and again by a fresh copy
//       of A, then of B (copy beside it, then MoveFileExW with
//       MOVEFILE_REPLACE_EXISTING, as "move /y" does); writes
//       "swaps=N failed=M" to OUT at the end
//   filerace probe FILE OTHER OUT
//       tries to read FILE, open it for writing, replace it by a copy of
//       OTHER and delete it; writes one "what=ok" or "what=error N" line each
//       to OUT
// Exit code 0, or 2 for a usage error.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

void WriteText(const std::wstring& file, const std::string& text) {
    HANDLE h = ::CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    ::WriteFile(h, text.data(), DWORD(text.size()), &written, nullptr);
    ::CloseHandle(h);
}

std::string Outcome(const char* what, bool ok, DWORD error) {
    char line[80];
    if (ok)
        std::snprintf(line, sizeof(line), "%s=ok\r\n", what);
    else
        std::snprintf(line, sizeof(line), "%s=error %lu\r\n", what, static_cast<unsigned long>(error));
    return line;
}

bool Replace(const std::wstring& target, const std::wstring& source, const std::wstring& temp, DWORD* error) {
    if (!::CopyFileW(source.c_str(), temp.c_str(), FALSE)) {
        *error = ::GetLastError();
        return false;
    }
    if (!::MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        *error = ::GetLastError();
        ::DeleteFileW(temp.c_str());
        return false;
    }
    return true;
}

int Swap(const std::wstring& target, const std::wstring& a, const std::wstring& b, DWORD ms,
         const std::wstring& out) {
    const std::wstring temp = target + L".swap";
    unsigned long swaps = 0, failed = 0;
    const DWORD start = ::GetTickCount();
    for (bool useA = true; ::GetTickCount() - start < ms; useA = !useA) {
        DWORD error = 0;
        if (Replace(target, useA ? a : b, temp, &error))
            ++swaps;
        else
            ++failed;
    }
    char line[80];
    std::snprintf(line, sizeof(line), "swaps=%lu failed=%lu\r\n", swaps, failed);
    WriteText(out, line);
    return 0;
}

int Probe(const std::wstring& file, const std::wstring& other, const std::wstring& out) {
    std::string text;
    HANDLE h = ::CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    text += Outcome("read", h != INVALID_HANDLE_VALUE, ::GetLastError());
    if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
    h = ::CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    text += Outcome("write", h != INVALID_HANDLE_VALUE, ::GetLastError());
    if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
    DWORD error = 0;
    bool ok = Replace(file, other, file + L".probe", &error);
    text += Outcome("replace", ok, error);
    ok = ::DeleteFileW(file.c_str()) != FALSE;
    text += Outcome("delete", ok, ::GetLastError());
    WriteText(out, text);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring command = argc > 1 ? argv[1] : L"";
    if (command == L"swap" && argc >= 7)
        return Swap(argv[2], argv[3], argv[4], ::wcstoul(argv[5], nullptr, 10), argv[6]);
    if (command == L"probe" && argc >= 5) return Probe(argv[2], argv[3], argv[4]);
    std::fprintf(stderr, "usage: filerace swap TARGET A B MS OUT | probe FILE OTHER OUT\n");
    return 2;
}

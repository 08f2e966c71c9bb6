// Benchmark helper: hashes a file with Update's HashFileSha256 and prints
// the digest, the size and the time taken.
//   hashbench FILE
#include <windows.h>

#include <cstdio>
#include <string>

#include "text.h"
#include "verify.h"

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: hashbench FILE\n");
        return 2;
    }
    LARGE_INTEGER frequency{}, start{}, end{};
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&start);
    const std::wstring hash = upd::HashFileSha256(argv[1]);
    ::QueryPerformanceCounter(&end);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ::GetFileAttributesExW(argv[1], GetFileExInfoStandard, &data);
    const unsigned long long size = (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    const double seconds = double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart);
    std::printf("hash %s\nbytes %llu\nseconds %.3f\n", fwu::ToUtf8(hash).c_str(), size, seconds);
    return hash.empty() ? 1 : 0;
}

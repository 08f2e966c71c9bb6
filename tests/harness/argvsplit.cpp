// Compares Update's parameter-file split with the platform's
// CommandLineToArgvW:  argvsplit CASES REPORT
// CASES holds UTF-16LE command lines separated by U+FFFF. REPORT receives,
// for every line split differently, the line and both results (UTF-16LE).
// Exit code: the number of lines split differently; 255 on a usage or file
// error.
#include <windows.h>
#include <shellapi.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "stored_params.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) return 255;
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) return 255;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::wstring all;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        all.push_back(wchar_t(uint8_t(bytes[i]) | (uint8_t(bytes[i + 1]) << 8)));

    std::wstring report;
    int differences = 0;
    size_t pos = 0;
    while (pos <= all.size()) {
        size_t end = all.find(wchar_t(0xFFFF), pos);
        if (end == std::wstring::npos) end = all.size();
        std::wstring line = all.substr(pos, end - pos);
        pos = end + 1;
        if (line.empty()) continue;  // the platform answers the program's own path
        int count = 0;
        LPWSTR* platform = ::CommandLineToArgvW(line.c_str(), &count);
        std::vector<std::wstring> expected;
        for (int i = 0; platform != nullptr && i < count; ++i) expected.push_back(platform[i]);
        if (platform) ::LocalFree(platform);
        std::vector<std::wstring> ours = upd::SplitCommandLine(line);
        if (ours == expected) continue;
        ++differences;
        report += L"line: <" + line + L">\r\n  platform:";
        for (const auto& a : expected) report += L" <" + a + L">";
        report += L"\r\n  ours:";
        for (const auto& a : ours) report += L" <" + a + L">";
        report += L"\r\n";
    }
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(report.data()), std::streamsize(report.size() * sizeof(wchar_t)));
    return differences;
}

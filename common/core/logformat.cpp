#include "logformat.h"

#include "bytes.h"
#include "crc32.h"
#include "text.h"

#include <vector>

namespace fwu {

std::wstring FormatLogPrefix(const LogTime& t) {
    return FormatString(L"%04d/%02d/%02d %02d:%02d:%02d - ", t.year, t.month, t.day, t.hour, t.minute, t.second);
}

std::wstring FormatBanner(const std::wstring& bannerName, const LogTime& t) {
    return FormatString(L"********** %ls - %04d/%02d/%02d - %02d:%02d:%02d **********", bannerName.c_str(), t.year,
                        t.month, t.day, t.hour, t.minute, t.second);
}

std::wstring LogLockName(const std::wstring& modulePath) {
    std::wstring key = modulePath;
    size_t dot = key.rfind(L'.');
    size_t slash = key.rfind(L'\\');
    if (dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash)) key.erase(dot);
    key = ToUpperAscii(key + L".LOG");
    std::vector<uint8_t> bytes;
    AppendUtf16Le(bytes, ToUtf16(key));
    uint32_t crc = CBCrc32().Calc(bytes.data(), bytes.size());
    size_t cut = key.find_last_of(L"\\/:");
    std::wstring name = cut == std::wstring::npos ? key : key.substr(cut + 1);
    if (name.size() > 64) name.resize(64);
    return FormatString(L"%ls.%08X-4DA00EA1-D771-430E-B79B-EC4D6915B3A7", name.c_str(), crc);
}

}  // namespace fwu

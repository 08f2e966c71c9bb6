// Formats of the log file shared by every program.
#pragma once

#include <string>

namespace fwu {

struct LogTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// "%04d/%02d/%02d %02d:%02d:%02d - "
std::wstring FormatLogPrefix(const LogTime& t);

// "********** NAME - YYYY/MM/DD - hh:mm:ss **********"
std::wstring FormatBanner(const std::wstring& bannerName, const LogTime& t);

// Name of the semaphore that serialises the log lines of one program:
// "<key>-4DA00EA1-D771-430E-B79B-EC4D6915B3A7". The key is derived from the
// program's full path with its extension replaced by ".LOG": the upper-cased
// file name followed by "." and the CRC-32 (hexadecimal) of the whole
// upper-cased path. It holds no backslash and stays well below MAX_PATH,
// and every writer of one executable computes the same name.
std::wstring LogLockName(const std::wstring& modulePath);

}  // namespace fwu

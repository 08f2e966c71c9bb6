// The text form of a digest (its own unit: the hash code links it without
// the task record).
#include "task.h"

namespace upd {

std::wstring HashText(const uint8_t* digest, size_t length) {
    static const wchar_t kDigits[] = L"0123456789ABCDEF";
    std::wstring text;
    text.reserve(length * 2);
    for (size_t i = 0; i < length; ++i) {
        text.push_back(kDigits[digest[i] >> 4]);
        text.push_back(kDigits[digest[i] & 0xF]);
    }
    return text;
}

}  // namespace upd

#include "cmdline.h"

#include "text.h"

CParseParam::CParseParam(std::vector<std::wstring> arguments)
    : m_argv(std::move(arguments)), m_argc(static_cast<int32_t>(m_argv.size())) {}

CParseParam::~CParseParam() {
    m_argv.clear();
    m_argc = 0;
}

std::wstring CParseParam::Find(const wchar_t* key, int32_t* pbFlag) const {
    const std::wstring slash = std::wstring(L"/") + key;
    const std::wstring dash = std::wstring(L"-") + key;
    const size_t length = slash.size();
    for (int32_t i = 1; i < m_argc; ++i) {
        const std::wstring& arg = m_argv[size_t(i)];
        if (arg.size() < length) continue;
        if (!fwu::PrefixEqualsNoCaseAscii(arg.c_str(), slash.c_str(), length) &&
            !fwu::PrefixEqualsNoCaseAscii(arg.c_str(), dash.c_str(), length))
            continue;
        std::wstring rest = arg.substr(length);
        if (pbFlag == nullptr) return rest;  // the first match decides, empty or not
        if (rest.empty()) {
            *pbFlag = 1;
            return std::wstring();
        }
    }
    return std::wstring();
}

namespace fwu {

std::vector<std::wstring> ArgumentsFromUtf8(int argc, char** argv) {
    std::vector<std::wstring> args;
    for (int i = 0; i < argc; ++i) args.push_back(FromUtf8(argv[i]));
    return args;
}

}  // namespace fwu

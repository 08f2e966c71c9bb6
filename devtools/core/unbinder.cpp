#include "tools.h"

#include "text.h"

namespace fwu {

const wchar_t kPnpUtilPath[] = L"%WINDIR%\\System32\\pnputil.exe";
const wchar_t kPnpUtilArguments[] = L"/delete-driver %ls /uninstall /force";

std::wstring BuildUtilityCommandLine(const std::wstring& path, const std::wstring& arguments) {
    std::wstring line = L"\"" + path + L"\"";
    if (!arguments.empty()) line += L" " + arguments;
    return line;
}

std::wstring FindDriverInfName(const std::wstring& hwid, IDeviceSystem& system, IToolLog& log) {
    std::wstring inf;
    // A matching device without a driver is passed over for the next match;
    // so is one whose INF name is an empty string.
    EnumerateMatchingDevices(system, log, hwid, [&](IDeviceList& devices) {
        std::vector<std::wstring> found = ReadDeviceProperty(devices, kDevPKeyDriverInfPath);
        if (found.empty() || found.front().empty()) return WalkStep::Continue;
        inf = found.front();
        return WalkStep::Stop;
    });
    LogLine(log, L"inf path= [%ls].", inf.c_str());
    return inf;
}

uint32_t RunUnbinder(const std::wstring& hwid, IDeviceSystem& system, IToolLog& log, IUtilityRunner& runner) {
    if (hwid.empty()) {
        log.Line(L"parameter error (0xFFFFFFFF).");
        return kUnbinderCouldNot;
    }
    LogLine(log, L"Target HwID: %ls.", hwid.c_str());
    std::wstring inf = FindDriverInfName(hwid, system, log);
    if (inf.empty()) {
        log.Line(L"error - HwID is not found (0xFFFFFFFF).");
        return kUnbinderCouldNot;
    }
    std::wstring path = runner.ExpandEnvironment(kPnpUtilPath);
    std::wstring arguments = FormatString(kPnpUtilArguments, inf.c_str());
    std::wstring commandLine = BuildUtilityCommandLine(path, arguments);
    LogLine(log, L"exec : %ls.", commandLine.c_str());
    uint32_t result = runner.RunAndWait(commandLine);
    LogLine(log, L"return 0x%08X", static_cast<unsigned>(result));
    return result;
}

}  // namespace fwu

// Builds task lists from the input, a few bytes per line, out of the
// product's own key and flag-name tables, and gives them to TaskLint's
// checker (findings, their text, the flow graph) and to its dry run, silent
// or shown, with results taken from the input. The lists are small and
// dense in tasks, result keys and jumps, so the fuzzer spends its time on
// the flow, the result sets and the sequencing rather than on spelling key
// names. (Raw text of a task section is fuzz_tasklint_keys'.)
//
// Input: one byte of options, then records of three bytes (op, a, b):
//   op % 8 == 0  a new section [TASK_n], n = a % 24 (a >= 240: n = a)
//            1  Type = a % 16 (14 and 15 do not load)
//            2  RET_0x%08X = target, the result from kResults[a], the
//               target b % 26 - 1 (-1 ends the run)
//            3  a task key of the product's table = a value from kValues
//            4  Goto = b % 26 - 1
//            5  a dialog button or radio key = a value
//            6  MsgType, TD_Flags or TD_CommonButtons = up to three names
//               of the product's tables, joined with "|" or ","
//            7  a line from kLines
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "flag_names.h"
#include "task_keys.h"
#include "tasklint_core.h"
#include "tasklint_trace.h"
#include "taskrules.h"
#include "text.h"

namespace {

const uint32_t kResults[] = {0, 1, 2, 3, 6, 7, 8, 0xFFFFFFFF, 0x80000000, 3010, 1223, 0xFFFFFFFE,
                             100, 101, 200, 0x0000000B};
const wchar_t* const kValues[] = {L"0", L"1", L"2", L"-1", L"6", L"TRUE", L"FALSE", L"true",
                                  L"0x10", L"0xFFFFFFFF", L"4294967296", L"+3", L" 7 ", L"",
                                  L"\"quoted\"", L"prog.exe", L"%UPDATEDIR%\\fw.bin", L"/s",
                                  L"sha256", L"101", L"abc", L"1e3", L"-2147483648", L"99999999999"};
const wchar_t* const kLines[] = {L"; comment", L"RET_0x0=1", L"RET_=2", L"RET_0x00000001=",
                                 L"Type=", L"[CONFIG]", L"[CERT]", L"VERIFY=OFF", L"[MSG]",
                                 L"garbage line", L"=value", L"[TASK_]", L"[TASK_0x2]",
                                 L"RET_0x00000000=0x7FFFFFFF", L"Goto=0", L"TD_Button0_ID=1"};

template <typename T, size_t N>
const T& Pick(const T (&table)[N], uint8_t byte) { return table[byte % N]; }

int Target(uint8_t b) { return b % 26 - 1; }

std::wstring Names(const std::vector<upd::FlagNameEntry>& table, uint8_t a, uint8_t b) {
    size_t rows = table.size() - 1;  // the last row ends the table
    if (rows == 0) return L"";
    std::wstring text = table[a % rows].name;
    if (b & 1) text += (b & 2) ? L"|" : L",";
    if (b & 1) text += table[(a + b) % rows].name;
    if (b & 4) text += std::wstring(L" | ") + table[(b >> 3) % rows].name;
    return text;
}

std::string BuildList(const uint8_t* data, size_t size) {
    const std::vector<upd::FlagNameEntry>& boxStyles = fwu::lint::MessageBoxStyleTable();
    const std::vector<upd::FlagNameEntry>& dialogFlags = fwu::lint::TaskDialogFlagTable();
    const std::vector<upd::FlagNameEntry>& buttons = fwu::lint::CommonButtonTable();
    const std::vector<upd::TaskKey>& keys = upd::TaskKeys();
    std::wstring text = L"[TASK_1]\r\n";
    wchar_t line[64];
    for (size_t i = 0; i + 3 <= size; i += 3) {
        uint8_t op = data[i], a = data[i + 1], b = data[i + 2];
        switch (op % 8) {
        case 0:
            std::swprintf(line, 64, L"[TASK_%u]", a >= 240 ? unsigned(a) : unsigned(a % 24));
            text += line;
            break;
        case 1:
            std::swprintf(line, 64, L"Type=%u", unsigned(a % 16));
            text += line;
            break;
        case 2:
            std::swprintf(line, 64, L"RET_0x%08X=%d", unsigned(Pick(kResults, a)), Target(b));
            text += line;
            break;
        case 3:
            text += keys[a % keys.size()].name;
            text += L"=";
            text += Pick(kValues, b);
            break;
        case 4:
            std::swprintf(line, 64, L"Goto=%d", Target(b));
            text += line;
            break;
        case 5:
            text += upd::DialogEntryKeyName(a & 1, (a >> 1) % 5, (a >> 4) & 1);
            text += L"=";
            text += Pick(kValues, b);
            break;
        case 6:
            if (a % 3 == 0) text += L"MsgType=" + Names(boxStyles, a / 3, b);
            else if (a % 3 == 1) text += L"TD_Flags=" + Names(dialogFlags, a / 3, b);
            else text += L"TD_CommonButtons=" + Names(buttons, a / 3, b);
            break;
        default:
            text += Pick(kLines, a);
            break;
        }
        text += L"\r\n";
    }
    return fwu::ToUtf8(text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > 1024) return 0;
    const uint8_t options = data[0];
    const std::string list = BuildList(data + 1, size - 1);
    const std::vector<uint8_t> bytes(list.begin(), list.end());

    fwu::lint::LintOptions lint;
    lint.firstTask = 1 + options % 4;
    fwu::lint::LintReport report = fwu::lint::LintConfigBytes(bytes, lint);
    for (const auto& f : report.findings) (void)fwu::lint::FormatFinding(L"config.ini", f);
    (void)fwu::lint::WriteDot(report, L"config.ini");
    if (report.ExitCode() < 0 || report.ExitCode() > 2) std::abort();

    fwu::lint::TraceOptions trace;
    trace.silent = (options & 0x10) != 0;
    trace.firstTask = lint.firstTask;
    trace.maxTasks = 32;
    // A result for the tasks the high bits name: each run of task n gives
    // the next of its values, so loops that count down can end.
    if (options & 0x20) trace.results[1 + (options >> 6)] = {1, 1, 0};
    fwu::lint::TraceResult run = fwu::lint::TraceConfigBytes(bytes, trace);
    if (run.tasks > trace.maxTasks + 1) std::abort();
    (void)fwu::lint::FormatTrace(run);
    return 0;
}

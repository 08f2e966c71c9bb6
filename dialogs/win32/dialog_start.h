// The start both dialog tools share: their configuration file beside the
// program, judged before anything is shown.
#pragma once

#include <windows.h>

#include "config_win32.h"
#include "logsink.h"
#include "program_shell.h"

namespace dlg {

// Locates config.ini beside the program into `config` and judges it
// (fwu::JudgeConfig with the program's refusal). When it may not be used,
// the verdict's message is shown (unless `noBox`: silent, or nobody can
// answer here), its line logged and its exit code put in `exitCode`: false.
// True when the run goes on.
inline bool AcceptConfig(fwu::CGlobalIniMgr& config, const fwu::ConfigRefusal& refusal, bool noBox, fwu::ILog& log,
                         int& exitCode) {
    const bool found = fwu::LocateConfigFile(config, fwu::ConfigLayout::ToolFolder) != 0;
    const fwu::ConfigVerdict verdict = fwu::JudgeConfig(found, config.m_bValid != 0, refusal);
    if (verdict.proceed) return true;
    if (!noBox) ::MessageBoxW(nullptr, verdict.message, L"Error", verdict.errorIcon ? MB_ICONERROR : MB_OK);
    log.Line(verdict.logLine);
    exitCode = static_cast<int>(verdict.exitCode);
    return false;
}

}  // namespace dlg

// What TaskLint knows of the tool set's own programs when a task starts one
// of them: the options each run gives it, read with the tool's own option
// reader, and the config.ini the tool reads beside itself.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "inifile.h"
#include "tasklint_core.h"

namespace fwu::lint {

enum class PackageTool { None, Findling, Ailscan, Romstamp, Unbinder, Portscout, Progress, Optpick, Tallykeep };

// The tool a task's Path names: its last part, letter case ignored, with or
// without ".exe", whatever folder or variable stands before it.
PackageTool ToolOfPath(const std::wstring& path);
const wchar_t* ToolName(PackageTool tool);

// The arguments of a command line split as CommandLineToArgvW splits them
// (blanks separate, double quotes group, backslashes escape a quote).
std::vector<std::wstring> SplitArguments(const std::wstring& text);

// One problem of a tool task.
struct ToolIssue {
    Severity severity = Severity::Warning;
    bool aboutConfig = false;  // about the tool's config.ini, not its options
    std::wstring message;
};

// The options one run gives a tool: `arguments` is Param or Param_S, `run`
// Interactive or Silent. `orderMatters`: the task branches apart on 1 and
// 0xFFFFFFFF (the "after" and "before" answers of Ailscan and Romstamp).
std::vector<ToolIssue> CheckToolOptions(PackageTool tool, RunScope run, const std::wstring& arguments,
                                        bool waitExit, bool orderMatters);

// The config.ini files a tool in `folder` may read: the neutral one and the
// copies in language folders ("en-US\config.ini"), as they exist.
std::vector<std::filesystem::path> ToolConfigFiles(const std::filesystem::path& folder);

// The tool's config.ini as the tool reads it when started with `arguments`
// (missing, falsified, or without the section or key it reads). `files`
// from ToolConfigFiles; `packageFolder` only shortens the names in messages.
std::vector<ToolIssue> CheckToolConfig(PackageTool tool, const std::wstring& arguments,
                                       const std::vector<std::filesystem::path>& files,
                                       const std::filesystem::path& packageFolder);

// The exit codes by which Tallykeep, started with `arguments`, tells that
// it counted nothing: 6 (the new count was not stored) and 8 (the counter
// stayed locked) for /increment, 7 (the counter file is still there) and 8
// for /delete, 8 for /check; none when it does no operation. `operation`
// gets the option that chose it ("/increment").
std::vector<uint32_t> TallykeepFailureCodes(const std::wstring& arguments, std::wstring* operation);

// The value of Ailscan's /ProbCode: or Romstamp's /Ver: compared as text:
// a value of another width (number of digits in one part) that sorts the
// other way as text than as a number, or nothing when there is none.
std::optional<std::wstring> TextOrderCounterexample(const std::wstring& value);

}  // namespace fwu::lint

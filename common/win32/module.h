// Paths of the running program and the "ask for the size, then read" calls.
#pragma once

#include <windows.h>

#include <string>

namespace fwu {

// Full path of the running executable (GetModuleFileNameW, grown as needed).
std::wstring ModulePath();
// Folder of the running executable, without trailing backslash.
std::wstring ModuleFolder();
// ExpandEnvironmentStringsW; the text unchanged when expansion fails.
std::wstring ExpandEnvironment(const std::wstring& text);
bool FileExists(const std::wstring& path);

}  // namespace fwu

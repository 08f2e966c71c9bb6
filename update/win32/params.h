// The stored command-line files in Update's config folder.
#pragma once

#include <string>

namespace upd {

// <update folder>\config\__MyParams.dat, from the module path.
std::wstring OwnParametersPath();
std::wstring OwnerParametersPath();

// Writes GetCommandLineW() to __MyParams.dat (UTF-16LE, no mark, no NUL).
void WriteOwnParameters();
void DeleteOwnParameters();
// True when `name` is one of the arguments stored in the file (whole
// argument, case ignored, the program path skipped).
bool ReadParameterFile(const std::wstring& path, const std::wstring& name);
// __MyParams.dat first, then __MyParamsOwner.dat.
bool HasStoredParameter(const std::wstring& name);

}  // namespace upd

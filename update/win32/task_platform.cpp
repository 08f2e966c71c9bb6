// The environment of a task on Windows: environment variables and the
// stored command-line files.
#include "module.h"
#include "params.h"
#include "task_services_win32.h"

namespace upd {

bool CWin32TaskEnvironment::ExpandEnvironmentText(const std::wstring& text, std::wstring& expanded) {
    expanded = fwu::ExpandEnvironment(text);
    return true;
}

bool CWin32TaskEnvironment::HasStoredParameter(const std::wstring& name) { return upd::HasStoredParameter(name); }

}  // namespace upd

// The running program's command line as CParseParam reads it.
#pragma once

#include <string>
#include <vector>

#include "../core/cmdline.h"

namespace fwu {

// GetCommandLineW() split by CommandLineToArgvW (argument 0 included);
// empty when it cannot be split.
std::vector<std::wstring> ProcessArguments();

}  // namespace fwu

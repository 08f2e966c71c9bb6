// Fallback for a task operation that may move into Update's portable core
// (see parse_flag_names.cpp).
#include "task.h"

namespace upd {
uint32_t CTask::CompareBaseBoardText(const std::wstring&, const std::wstring&) { return kTaskFailed; }
}  // namespace upd

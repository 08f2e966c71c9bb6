// Fallback for a task operation that may move into Update's portable core:
// kept in a file of its own in a library linked after update_core, so the
// core's definition wins once it exists and this one is then never linked.
#include "task.h"

namespace upd {
uint32_t CTask::ParseFlagNames(const FlagNameEntry*, const std::wstring&) { return 0; }
}  // namespace upd

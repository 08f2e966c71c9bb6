#include "runstate.h"

namespace upd {
RunState g_run;
}

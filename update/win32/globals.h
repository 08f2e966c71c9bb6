// Process-wide objects of Update.
#pragma once

#include "config.h"

// The configuration of this run, located and checked once at start-up.
extern fwu::CGlobalIniMgr g_IniMgr;

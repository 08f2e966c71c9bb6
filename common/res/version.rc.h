// Version information shared by every program's resource script.
// Before including this file a script defines FWU_FILE_NAME ("Update.exe"),
// FWU_INTERNAL_NAME ("Update") and FWU_DESCRIPTION.
// The resource compilers skip every resource statement in a file whose name
// ends in ".h", so the block itself lives in version.rc.
#include "version.rc"

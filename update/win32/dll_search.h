// Where Update may load libraries from.
#pragma once

namespace upd {

// Limits the library search of this process to the system folder: Update
// runs elevated from a package folder that others may have written to, so
// no library is ever taken from there or from the current folder.
void RestrictDllSearch();

}  // namespace upd

#include "dll_search.h"

#include <windows.h>

namespace upd {

void RestrictDllSearch() {
    // The current folder leaves the search order first, then every later
    // load by name looks in the system folder only.
    ::SetDllDirectoryW(L"");
    ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

}  // namespace upd

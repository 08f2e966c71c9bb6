// Update's start-up, the message loop of the hidden window and the
// clean-up, for the entry point.
#pragma once

namespace upd {

// The whole run of Update started with this show command; its exit code.
int RunUpdate(int showCommand);

}  // namespace upd

// Feeds whole config.ini files to IniSeal's open and verify and to the
// integrity check: a file that opens verifies, and any bytes with their
// trailer appended pass the check as sealed. (Sealing and reading values
// back have a target of their own, fuzz_config_seal; the checker one too,
// fuzz_tasklint.)
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "config.h"
#include "inifile.h"
#include "iniseal_core.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 16)) return 0;
    const std::vector<uint8_t> bytes(data, data + size);

    fwu::SealOutcome verified = fwu::VerifyIni(bytes);
    fwu::SealOutcome opened = fwu::OpenIni(bytes);
    if (opened.exitCode == 0 && verified.exitCode != 0) std::abort();

    // Any bytes with their trailer appended pass the check as sealed.
    std::vector<uint8_t> trailed = bytes;
    fwu::AppendTrailer(trailed);
    fwu::IntegrityResult r = fwu::CheckIntegrity(trailed.data(), trailed.size());
    if (!r.valid || !r.encoded) std::abort();
    return 0;
}

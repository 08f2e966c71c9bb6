// Feeds whole config.ini files to IniSeal's seal, open and verify: a file
// that seals must pass the integrity check and verify, refuse a second
// seal, open, and seal again. (Whether the values read the same sealed and
// plain is fuzz_config_values; the reader and the integrity check on any
// bytes are fuzz_config_file.)
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "config.h"
#include "iniseal_core.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 16)) return 0;
    const std::vector<uint8_t> plain(data, data + size);
    fwu::SealOutcome sealed = fwu::SealIni(plain);
    if (sealed.exitCode != 0) return 0;
    fwu::IntegrityResult r = fwu::CheckIntegrity(sealed.bytes.data(), sealed.bytes.size());
    if (!r.valid || !r.encoded) std::abort();
    if (fwu::VerifyIni(sealed.bytes).exitCode != 0) std::abort();
    if (fwu::SealIni(sealed.bytes).exitCode != 5) std::abort();  // sealed already
    fwu::SealOutcome opened = fwu::OpenIni(sealed.bytes);
    if (opened.exitCode != 0) std::abort();
    fwu::SealOutcome resealed = fwu::SealIni(opened.bytes);
    if (resealed.exitCode != 0) std::abort();
    return 0;
}

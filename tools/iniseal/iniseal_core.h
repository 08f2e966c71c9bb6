// Sealing of configuration files: every value becomes Base64 of UTF-16LE
// (8 leading code units, then the value) and the file gets its CRC-32
// trailer. Opening reverses it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fwu {

struct SealOutcome {
    int exitCode = 0;      // 0 success; see IniSealMain
    std::wstring message;  // one line for the user
    std::vector<uint8_t> bytes;
};

SealOutcome SealIni(const std::vector<uint8_t>& plainFile);
SealOutcome OpenIni(const std::vector<uint8_t>& sealedFile);
SealOutcome VerifyIni(const std::vector<uint8_t>& file);

// The command: "seal IN OUT", "open IN OUT", "verify FILE", "--version".
// Exit codes: 0 done (verify: the file is valid), 1 usage, 2 a file cannot
// be read or written, 3 the file fails its integrity check (Update's exit
// code for it): a checksum mismatch or a file shorter than 8 bytes, told
// apart by the message, 4 a sealed file holds a value that does not decode,
// 5 seal was given an already sealed file or open a plain one.
int IniSealMain(const std::vector<std::wstring>& args, std::wstring& out);

}  // namespace fwu

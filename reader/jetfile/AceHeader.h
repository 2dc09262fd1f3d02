#pragma once
// What the first page of an ACE (.accdb) file says beyond Jet 4's header:
// which generation of the engine wrote it (byte 0x14) and whether its pages
// are encrypted with a password (Office encryption), which libmdb cannot read.

#include "reader/jetfile/JetHeader.h"

namespace jetfile {

// The engine generations, by the byte at 0x14 of the first page.
enum class AceGeneration { Ace12 = 2, Ace14 = 3, Ace15 = 4, Ace16 = 5, Ace17 = 6 };

struct AceHeader {
    AceGeneration generation = AceGeneration::Ace12;
    // Non-zero encoding key (0x3E of the decrypted header): the pages are encrypted.
    bool encrypted = false;
    // The EncryptionInfo version at 0x29B (4.4 agile, 2.2/3.2/4.2 CryptoAPI
    // or standard, 3.3/4.3 extensible); 0.0 when not encrypted or not given.
    int encryptionMajor = 0, encryptionMinor = 0;
};

// How many bytes of the file parseAceHeader reads at most.
constexpr std::size_t AceHeaderBytes = 0x299 + 6;

// The version of Access whose format this is: 12 (Access 2007), 14 (2010),
// 15 (2013), 16 (2016), 17 (2019 and Microsoft 365), as mdb-ver names them.
int aceVersion(AceGeneration generation);

// Reads the ACE facts from the file's first bytes. Answers nothing, with the
// reason in `problem`, for a Jet 3 or Jet 4 file, a file that is no database,
// or an ACE generation this code does not know.
std::optional<AceHeader> parseAceHeader(std::span<const std::uint8_t> bytes, std::string *problem = nullptr);

}  // namespace jetfile

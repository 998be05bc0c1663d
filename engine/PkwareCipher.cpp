#include "engine/PkwareCipher.h"

#include "engine/ZipFormat.h"

#include <zlib.h>

namespace unz {
namespace {

// The cipher's key schedule uses CRC-32 one byte at a time with zlib's table.
const z_crc_t* CrcTable() {
    static const z_crc_t* table = get_crc_table();
    return table;
}

inline uint32_t CrcByte(uint32_t crc, uint8_t b) {
    return CrcTable()[(crc ^ b) & 0xFF] ^ (crc >> 8);
}

constexpr uint32_t kKeyMultiplier = 134775813;

} // namespace

TPkwareCipher::TPkwareCipher(std::string_view password) {
    for (char c : password)
        UpdateKeys(static_cast<uint8_t>(c));
}

void TPkwareCipher::UpdateKeys(uint8_t plain) {
    FKey0 = CrcByte(FKey0, plain);
    FKey1 = (FKey1 + (FKey0 & 0xFF)) * kKeyMultiplier + 1;
    FKey2 = CrcByte(FKey2, static_cast<uint8_t>(FKey1 >> 24));
}

void TPkwareCipher::Decrypt(uint8_t* data, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        uint32_t temp = (FKey2 | 2) & 0xFFFF;
        auto plain = static_cast<uint8_t>(data[i] ^ ((temp * (temp ^ 1)) >> 8));
        data[i] = plain;
        UpdateKeys(plain);
    }
}

bool TPkwareCipher::AcceptHeader(uint8_t* header, uint8_t checkByte) {
    Decrypt(header, kEncryptionHeaderSize);
    return header[kEncryptionHeaderSize - 1] == checkByte;
}

} // namespace unz

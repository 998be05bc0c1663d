// The traditional PKWARE stream cipher ("ZipCrypto") that zip -P writes: three 32-bit keys
// stirred by every plaintext byte. Weak, but it is what archives carry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace unz {

class TPkwareCipher {
public:
    explicit TPkwareCipher(std::string_view password);
    void Decrypt(uint8_t* data, size_t length);

    // Decrypts the 12-byte header in front of the data and answers whether its last byte
    // is the check byte: the high byte of the CRC, or of the MS-DOS time when the CRC was
    // not known yet (sizes in a data descriptor). One wrong password in 256 passes; the CRC
    // check after inflating catches those.
    bool AcceptHeader(uint8_t* header, uint8_t checkByte);

private:
    void UpdateKeys(uint8_t plain);
    uint32_t FKey0 = 0x12345678;
    uint32_t FKey1 = 0x23456789;
    uint32_t FKey2 = 0x34567890;
};

} // namespace unz

#include "tests/engine/ZipBuilder.h"

#include <fstream>
#include <stdexcept>
#include <zlib.h>

namespace {

void Put16(std::string& s, uint32_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}

void Put32(std::string& s, uint32_t v) {
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}

// The encrypting half of the traditional PKWARE cipher.
class TEncryptor {
public:
    explicit TEncryptor(const std::string& password) {
        for (char c : password)
            Update(static_cast<uint8_t>(c));
    }
    std::string Encrypt(const std::string& plain) {
        std::string out = plain;
        for (char& c : out) {
            uint32_t t = (FKeys[2] | 2) & 0xFFFF;
            auto p = static_cast<uint8_t>(c);
            c = static_cast<char>(p ^ ((t * (t ^ 1)) >> 8));
            Update(p);
        }
        return out;
    }

private:
    static uint32_t Crc(uint32_t crc, uint8_t b) {
        return get_crc_table()[(crc ^ b) & 0xFF] ^ (crc >> 8);
    }
    void Update(uint8_t p) {
        FKeys[0] = Crc(FKeys[0], p);
        FKeys[1] = (FKeys[1] + (FKeys[0] & 0xFF)) * 134775813 + 1;
        FKeys[2] = Crc(FKeys[2], static_cast<uint8_t>(FKeys[1] >> 24));
    }
    uint32_t FKeys[3] = {0x12345678, 0x23456789, 0x34567890};
};

uint32_t CrcOf(const std::string& s) {
    return static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(s.data()), static_cast<uInt>(s.size())));
}

constexpr uint32_t kDosTime = (0x5A21u << 16) | 0x6000u; // 2025-01-01 12:00:00

} // namespace

std::string DeflateRaw(const std::string& plain) {
    z_stream zs{};
    if (deflateInit2(&zs, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2");
    std::string out(deflateBound(&zs, plain.size()), '\0');
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(plain.data()));
    zs.avail_in = static_cast<uInt>(plain.size());
    zs.next_out = reinterpret_cast<Bytef*>(out.data());
    zs.avail_out = static_cast<uInt>(out.size());
    deflate(&zs, Z_FINISH);
    out.resize(zs.total_out);
    deflateEnd(&zs);
    return out;
}

std::string BuildZip(const std::vector<TBuildMember>& members, const TBuildOptions& options) {
    std::string body;
    std::vector<uint32_t> offsets;
    std::vector<std::string> data;
    for (const auto& m : members) {
        data.push_back(m.Method == 8 ? DeflateRaw(m.Plain) : m.Plain);
        uint32_t crc = m.DeclaredCrc.value_or(CrcOf(m.Plain));
        if (m.Password) {
            // Eleven filler bytes, then the check byte: the CRC's high byte, or the time's
            // when the CRC goes into a descriptor.
            std::string header = "JIBheader!!";
            header += static_cast<char>(m.DataDescriptor ? (kDosTime >> 8) & 0xFF : crc >> 24);
            data.back() = TEncryptor(*m.Password).Encrypt(header + data.back());
        }
        uint32_t csize = m.CompressedSize.value_or(static_cast<uint32_t>(data.back().size()));
        uint32_t usize = m.DeclaredSize.value_or(static_cast<uint32_t>(m.Plain.size()));
        std::string localName = m.LocalName.value_or(m.Name);
        offsets.push_back(static_cast<uint32_t>(body.size()));
        Put32(body, 0x04034B50);
        Put16(body, 20);
        uint16_t flags = (m.DataDescriptor ? 8 : 0) | (m.Password ? 1 : 0);
        Put16(body, flags);
        Put16(body, m.LocalMethod.value_or(m.DeclaredMethod.value_or(m.Method)));
        Put32(body, kDosTime);
        Put32(body, m.DataDescriptor ? 0 : crc);
        Put32(body, m.DataDescriptor ? 0 : m.LocalCompressedSize.value_or(csize));
        Put32(body, m.DataDescriptor ? 0 : usize);
        Put16(body, static_cast<uint32_t>(localName.size()));
        Put16(body, 0);
        body += localName;
        body += data.back();
        if (m.DataDescriptor) {
            Put32(body, 0x08074B50);
            Put32(body, m.DescriptorCrc.value_or(crc));
            Put32(body, csize);
            Put32(body, usize);
        }
    }
    std::string central;
    for (size_t i = 0; i < members.size(); ++i) {
        const auto& m = members[i];
        uint32_t crc = m.DeclaredCrc.value_or(CrcOf(m.Plain));
        uint32_t offset = m.RawOffset.value_or(offsets[m.OffsetOfMember.value_or(int(i))]);
        Put32(central, 0x02014B50);
        Put16(central, (uint32_t(m.Host) << 8) | 30);
        Put16(central, 20);
        Put16(central, (m.DataDescriptor ? 8 : 0) | (m.Password ? 1 : 0));
        Put16(central, m.DeclaredMethod.value_or(m.Method));
        Put32(central, kDosTime);
        Put32(central, crc);
        Put32(central, m.CompressedSize.value_or(static_cast<uint32_t>(data[i].size())));
        Put32(central, m.DeclaredSize.value_or(static_cast<uint32_t>(m.Plain.size())));
        Put16(central, static_cast<uint32_t>(m.Name.size()));
        Put16(central, 0);
        Put16(central, 0);
        Put16(central, 0);
        Put16(central, 0);
        Put32(central, m.UnixMode << 16);
        Put32(central, offset);
        central += m.Name;
    }
    std::string out = options.Prefix + body + central;
    uint16_t count = options.TotalEntries.value_or(static_cast<uint16_t>(members.size()));
    Put32(out, 0x06054B50);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, count);
    Put16(out, count);
    Put32(out, static_cast<uint32_t>(central.size()));
    Put32(out, static_cast<uint32_t>(body.size()));
    Put16(out, 0);
    return out;
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

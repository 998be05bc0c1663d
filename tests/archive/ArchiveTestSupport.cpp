#include "tests/archive/ArchiveTestSupport.h"

#include "archive/VolumeFile.h"
#include "archive/ZipMessages.h"
#include "archive/ZipRecords.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <zlib.h>

#include <gtest/gtest.h>

std::string MessageText(int id) {
    return ZipResourceString(id);
}

LinkedTexts::LinkedTexts(TZipStringTable table) : FPrevious(LinkZipStrings(std::move(table))) {
}

LinkedTexts::~LinkedTexts() {
    LinkZipStrings(std::move(FPrevious));
}

std::string FallbackText(int id) {
    return kMissingTextFallback + std::to_string(id);
}

std::string FallbackErrorText(int id, const std::string& extra) {
    return FallbackText(id) + " " + extra;
}

int RunIn(const std::string& folder, const std::string& command) {
    const std::string line = "cd '" + folder + "' && " + command + " >/dev/null 2>&1";
    const int status = std::system(line.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void Zip(const std::string& folder, const std::string& arguments) {
    ASSERT_EQ(RunIn(folder, "zip -q -X " + arguments), 0) << "zip " << arguments;
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string NoiseBytes(std::size_t size, std::uint32_t seed) {
    std::string s(size, '\0');
    for (auto& c : s) {
        seed = seed * 1664525u + 1013904223u;
        c = static_cast<char>(seed >> 24);
    }
    return s;
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

MessageLog::MessageLog(TZipExtractor& zip) {
    zip.OnMessage = [this](TZipExtractor* sender, int code, const std::string& text) {
        FEvents.push_back({code, text, sender->ErrCode()});
    };
}

std::vector<int> MessageLog::Codes() const {
    std::vector<int> codes;
    for (const auto& e : FEvents)
        codes.push_back(e.code);
    return codes;
}

std::vector<int> MessageLog::Ids() const {
    std::vector<int> ids;
    for (const auto& e : FEvents)
        ids.push_back(e.id);
    return ids;
}

namespace {

class TrickleStream : public TStream {
public:
    TrickleStream(std::unique_ptr<TStream> inner, std::size_t step)
        : FInner(std::move(inner)), FStep(step) {}
    std::size_t Read(void* buffer, std::size_t count) override {
        return FInner->Read(buffer, std::min(count, FStep));
    }
    std::size_t Write(const void*, std::size_t) override { return 0; }
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override {
        return FInner->Seek(offset, origin);
    }

private:
    std::unique_ptr<TStream> FInner;
    std::size_t FStep;
};

void Append16(std::string& s, std::uint16_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>(v >> 8);
}

void Append32(std::string& s, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        s += static_cast<char>((v >> (8 * i)) & 0xFF);
}

} // namespace

TVolumeOpener TrickleOpener(std::size_t step) {
    return [step](const std::string& path) -> std::unique_ptr<TStream> {
        return std::make_unique<TrickleStream>(OpenVolumeFile(path), step);
    };
}

std::uint32_t Crc32Of(const std::string& data) {
    return static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

void Put16At(std::string& bytes, std::size_t at, std::uint16_t value) {
    bytes[at] = static_cast<char>(value & 0xFF);
    bytes[at + 1] = static_cast<char>(value >> 8);
}

void Put32At(std::string& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

FixtureEntry Member(std::string name, std::string data, std::string comment) {
    FixtureEntry e;
    e.name = std::move(name);
    e.data = std::move(data);
    e.comment = std::move(comment);
    return e;
}

FixtureArchive Archive(std::vector<FixtureEntry> entries, std::string comment) {
    FixtureArchive a;
    a.entries = std::move(entries);
    a.comment = std::move(comment);
    return a;
}

// Lays the archive out as the application note has it: local header, name, extra field
// and data per member (plus a data descriptor when asked for), then the central records,
// then the end record and its comment.
FixtureLayout BuildZip(const FixtureArchive& archive) {
    using namespace zip;
    FixtureLayout layout;
    std::string& out = layout.bytes;
    out = archive.prefix;
    const std::uint32_t base =
        archive.offsetsCountPrefix ? 0 : static_cast<std::uint32_t>(archive.prefix.size());
    std::vector<std::uint32_t> offsets;
    constexpr std::uint32_t kDosDateTime = 0x5A8B4C21; // 2025-04-11 09:33:02
    for (const auto& e : archive.entries) {
        const std::uint16_t flags = e.flags | (e.dataDescriptor ? kFlagDataDescriptor : 0);
        const std::uint32_t crc = Crc32Of(e.data);
        const auto size = static_cast<std::uint32_t>(e.data.size());
        offsets.push_back(static_cast<std::uint32_t>(out.size()) - base);
        Append32(out, kLocalHeaderSignature);
        Append16(out, 20);
        Append16(out, flags);
        Append16(out, 0); // stored
        Append32(out, kDosDateTime);
        Append32(out, e.dataDescriptor ? 0 : crc);
        Append32(out, e.dataDescriptor ? 0 : size);
        Append32(out, e.dataDescriptor ? 0 : size);
        Append16(out, static_cast<std::uint16_t>(e.name.size()));
        Append16(out, static_cast<std::uint16_t>(e.extra.size()));
        out += e.name + e.extra + e.data;
        if (e.dataDescriptor) {
            if (e.descriptorSignature)
                Append32(out, kSpanMarkerSignature);
            Append32(out, crc);
            Append32(out, size);
            Append32(out, size);
        }
    }
    layout.centralStart = out.size();
    for (std::size_t i = 0; i < archive.entries.size(); ++i) {
        const auto& e = archive.entries[i];
        const std::uint16_t flags = e.flags | (e.dataDescriptor ? kFlagDataDescriptor : 0);
        Append32(out, kCentralHeaderSignature);
        out += static_cast<char>(e.version);
        out += static_cast<char>(e.host);
        Append16(out, 20);
        Append16(out, flags);
        Append16(out, 0);
        Append32(out, kDosDateTime);
        Append32(out, Crc32Of(e.data));
        Append32(out, static_cast<std::uint32_t>(e.data.size()));
        Append32(out, static_cast<std::uint32_t>(e.data.size()));
        Append16(out, static_cast<std::uint16_t>(e.name.size()));
        Append16(out, static_cast<std::uint16_t>(e.extra.size()));
        Append16(out, static_cast<std::uint16_t>(e.comment.size()));
        Append16(out, 0);    // disk
        Append16(out, 1);    // internal attributes: text
        Append32(out, 0x20); // external attributes: archive bit
        Append32(out, offsets[i]);
        out += e.name + e.extra + e.comment;
    }
    layout.endRecord = out.size();
    const auto count = static_cast<std::uint16_t>(archive.entries.size());
    Append32(out, kEndRecordSignature);
    Append16(out, 0);
    Append16(out, 0);
    Append16(out, count);
    Append16(out, count);
    Append32(out, static_cast<std::uint32_t>(layout.endRecord - layout.centralStart));
    Append32(out, static_cast<std::uint32_t>(layout.centralStart) - base);
    Append16(out, static_cast<std::uint16_t>(archive.comment.size()));
    out += archive.comment + archive.suffix;
    return layout;
}

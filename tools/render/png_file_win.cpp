// PNG files on Windows, without libpng: 8-bit RGBA written as stored (uncompressed) deflate
// blocks, which every PNG reader accepts, and read back when stored that way.

#include "tools/render/png_file.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

namespace tools {

namespace {

namespace fs = std::filesystem;

constexpr std::array<std::uint8_t, 8> kSignature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::size_t kStoredBlockMax = 65535;

std::uint32_t Crc(const std::uint8_t* data, std::size_t size, std::uint32_t crc = 0xFFFFFFFFu) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> values{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            values[n] = c;
        }
        return values;
    }();
    for (std::size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return crc;
}

void PutBigEndian(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

std::uint32_t GetBigEndian(const std::uint8_t* bytes) {
    return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) | (std::uint32_t{bytes[2]} << 8) |
           bytes[3];
}

void PutChunk(std::vector<std::uint8_t>& out, const char* type, const std::vector<std::uint8_t>& data) {
    PutBigEndian(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    PutBigEndian(out, Crc(&out[start], out.size() - start) ^ 0xFFFFFFFFu);
}

// Each row with filter type 0 (none) before it, as a zlib stream of stored blocks.
std::vector<std::uint8_t> StoredZlib(const gfx::Image& image) {
    std::vector<std::uint8_t> raw;
    const std::size_t rowBytes = std::size_t{image.width} * 4;
    raw.reserve((rowBytes + 1) * image.height);
    for (unsigned y = 0; y < image.height; ++y) {
        raw.push_back(0);
        raw.insert(raw.end(), image.pixels.begin() + static_cast<std::ptrdiff_t>(y * rowBytes),
                   image.pixels.begin() + static_cast<std::ptrdiff_t>((y + 1) * rowBytes));
    }
    std::vector<std::uint8_t> out{0x78, 0x01};
    std::uint32_t a = 1, b = 0;  // Adler-32
    for (std::uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    for (std::size_t at = 0; at < raw.size() || at == 0; at += kStoredBlockMax) {
        const std::size_t size = std::min(kStoredBlockMax, raw.size() - at);
        const bool last = at + size >= raw.size();
        out.push_back(last ? 1 : 0);
        out.push_back(static_cast<std::uint8_t>(size));
        out.push_back(static_cast<std::uint8_t>(size >> 8));
        out.push_back(static_cast<std::uint8_t>(~size));
        out.push_back(static_cast<std::uint8_t>(~size >> 8));
        out.insert(out.end(), raw.begin() + static_cast<std::ptrdiff_t>(at),
                   raw.begin() + static_cast<std::ptrdiff_t>(at + size));
        if (last) break;
    }
    PutBigEndian(out, (b << 16) | a);
    return out;
}

std::vector<std::uint8_t> EncodePng(const gfx::Image& image) {
    std::vector<std::uint8_t> out(kSignature.begin(), kSignature.end());
    std::vector<std::uint8_t> header;
    PutBigEndian(header, image.width);
    PutBigEndian(header, image.height);
    header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, adaptive filters, no interlace
    PutChunk(out, "IHDR", header);
    PutChunk(out, "IDAT", StoredZlib(image));
    PutChunk(out, "IEND", {});
    return out;
}

// The rows of a zlib stream of stored blocks; nothing for any other kind of block.
std::optional<std::vector<std::uint8_t>> UnstoreZlib(const std::vector<std::uint8_t>& stream) {
    std::vector<std::uint8_t> out;
    std::size_t at = 2;
    for (bool last = false; !last;) {
        if (at + 5 > stream.size() || (stream[at] & 0x06) != 0) return std::nullopt;
        last = (stream[at] & 1) != 0;
        const std::size_t size = stream[at + 1] | (std::size_t{stream[at + 2]} << 8);
        at += 5;
        if (at + size > stream.size()) return std::nullopt;
        out.insert(out.end(), stream.begin() + static_cast<std::ptrdiff_t>(at),
                   stream.begin() + static_cast<std::ptrdiff_t>(at + size));
        at += size;
    }
    return out;
}

}  // namespace

PngOutput::PngOutput(std::string target_, std::string temporary_, int fd_)
    : target(std::move(target_)), temporary(std::move(temporary_)), fd(fd_) {}

PngOutput::~PngOutput() { Discard(); }

void PngOutput::Discard() {
    fd = -1;
    if (!temporary.empty()) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
    }
    temporary.clear();
}

std::unique_ptr<PngOutput> PngOutput::Open(const std::string& path, std::string& error) {
    if (path.empty()) {
        error = "no output file named";
        return nullptr;
    }
    std::error_code code;
    if (fs::is_directory(path, code)) {
        error = "cannot write " + path + ": it is a folder";
        return nullptr;
    }
    std::string temporary = path + ".partial";
    if (!std::ofstream(temporary, std::ios::binary)) {
        error = "cannot write " + path;
        return nullptr;
    }
    return std::unique_ptr<PngOutput>(new PngOutput(path, std::move(temporary), 1));
}

bool PngOutput::Commit(const gfx::Image& image, std::string& error) {
    error = "cannot write " + target;
    if (fd < 0) return false;
    if (image.width == 0 || image.height == 0 || image.pixels.size() != std::size_t{image.width} * image.height * 4) {
        error += ": the picture is empty";
        Discard();
        return false;
    }
    const std::vector<std::uint8_t> bytes = EncodePng(image);
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    file.close();
    std::error_code code;
    if (!file) {
        error += ": the write failed";
        Discard();
        return false;
    }
    fs::remove(target, code);  // a rename here does not replace
    fs::rename(temporary, target, code);
    if (code) {
        error += ": " + code.message();
        Discard();
        return false;
    }
    temporary.clear();
    fd = -1;
    return true;
}

bool WritePng(const std::string& path, const gfx::Image& image) {
    std::string error;
    auto output = PngOutput::Open(path, error);
    return output && output->Commit(image, error);
}

std::optional<gfx::Image> ReadPng(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (bytes.size() < kSignature.size() || !std::equal(kSignature.begin(), kSignature.end(), bytes.begin())) {
        return std::nullopt;
    }
    gfx::Image image;
    std::vector<std::uint8_t> stream;
    for (std::size_t at = kSignature.size(); at + 12 <= bytes.size();) {
        const std::uint32_t size = GetBigEndian(&bytes[at]);
        if (size > bytes.size() - at - 12) return std::nullopt;
        const std::string type(bytes.begin() + static_cast<std::ptrdiff_t>(at + 4),
                               bytes.begin() + static_cast<std::ptrdiff_t>(at + 8));
        const std::uint8_t* data = &bytes[at + 8];
        if (type == "IHDR" && size == 13) {
            if (data[8] != 8 || data[9] != 6 || data[12] != 0) return std::nullopt;  // 8-bit RGBA only
            image.width = GetBigEndian(data);
            image.height = GetBigEndian(data + 4);
        } else if (type == "IDAT") {
            stream.insert(stream.end(), data, data + size);
        }
        at += 12 + size;
    }
    auto raw = UnstoreZlib(stream);
    const std::size_t rowBytes = std::size_t{image.width} * 4;
    if (!raw || image.width == 0 || raw->size() != (rowBytes + 1) * image.height) return std::nullopt;
    for (unsigned y = 0; y < image.height; ++y) {
        const auto row = raw->begin() + static_cast<std::ptrdiff_t>(y * (rowBytes + 1));
        if (*row != 0) return std::nullopt;  // filtered rows are not ours
        image.pixels.insert(image.pixels.end(), row + 1, row + 1 + static_cast<std::ptrdiff_t>(rowBytes));
    }
    return image;
}

}  // namespace tools

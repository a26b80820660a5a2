// JPEG through the Windows Imaging Component, behind gfx/image.h: on Windows the system's own
// codec takes the place of libjpeg. Failures are those of the libjpeg path: corrupt or
// truncated data, oversized images and CMYK give nothing.

#include "platform/win32/windows_api.h"
#include <wincodec.h>

#include <algorithm>
#include <vector>

#include "gfx/image.h"
#include "platform/win32/com_ptr.h"

namespace gfx {
namespace {

using platform::ComPtr;

// COM for the calling thread, for as long as this object lives; a thread that already has
// COM in another mode keeps it.
class ComScope {
public:
    ComScope() : initialised(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {}
    ~ComScope() {
        if (initialised) CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    bool initialised;
};

ComPtr<IWICImagingFactory> CreateFactory() {
    ComPtr<IWICImagingFactory> factory;
    CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                     reinterpret_cast<void**>(factory.Receive()));
    return factory;
}

// The stream's structure is walked before WIC sees it: a frame header of an accepted size and
// colour (WIC would allocate, or fail to, whatever size it claims, and it decodes CMYK), then
// segments that fit the data, scans whose 0xFF bytes are stuffing, fill or restart markers in
// order (and only where a restart interval is set), and an end-of-image marker. libjpeg only
// warns about data that ends early or has markers out of place, and such data is refused;
// WIC decodes it quietly.
class JpegStructure {
public:
    explicit JpegStructure(ByteSpan data) : bytes(data) {}

    bool IsSound() {
        if (bytes.size() < 4 || bytes[0] != 0xFF || bytes[1] != 0xD8) return false;
        pos = 2;
        for (;;) {
            int marker = 0;
            if (!NextMarker(marker)) return false;
            if (marker == 0xD9) return true;                          // end of image
            if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;  // no length
            if (IsFrameHeader(marker) && !AcceptFrame()) return false;
            if (marker == 0xDA && !framed) return false;
            if (!SkipSegment(marker) || (marker == 0xDA && !SkipScan())) return false;
        }
    }

private:
    bool NextMarker(int& marker) {
        if (pos >= bytes.size() || bytes[pos] != 0xFF) return false;
        while (pos < bytes.size() && bytes[pos] == 0xFF) ++pos;
        if (pos >= bytes.size()) return false;
        marker = bytes[pos++];
        return true;
    }

    // Start-of-frame markers: 0xC0 to 0xCF except the table markers 0xC4, 0xC8 and 0xCC.
    static bool IsFrameHeader(int marker) {
        return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    }

    // Length, precision, height, width, component count: at least 8 bytes.
    bool AcceptFrame() {
        if (pos + 8 > bytes.size()) return false;
        const unsigned height = unsigned{bytes[pos + 3]} << 8 | bytes[pos + 4];
        const unsigned width = unsigned{bytes[pos + 5]} << 8 | bytes[pos + 6];
        const unsigned components = bytes[pos + 7];
        framed = height > 0 && width > 0 && height <= kMaxImageSide && width <= kMaxImageSide &&
                 (components == 1 || components == 3);
        return framed;
    }

    bool SkipSegment(int marker) {
        if (pos + 2 > bytes.size()) return false;
        const std::size_t length = std::size_t{bytes[pos]} << 8 | bytes[pos + 1];
        if (length < 2 || pos + length > bytes.size()) return false;
        if (marker == 0xDD && length >= 4) restarts = (bytes[pos + 2] | bytes[pos + 3]) != 0;
        pos += length;
        return true;
    }

    // Entropy-coded data up to the marker that ends it.
    bool SkipScan() {
        int expectedRestart = 0;
        while (pos + 1 < bytes.size()) {
            if (bytes[pos] != 0xFF) {
                ++pos;
                continue;
            }
            const int next = bytes[pos + 1];
            if (next == 0x00 || next == 0xFF) {
                pos += next == 0x00 ? 2 : 1;
            } else if (next >= 0xD0 && next <= 0xD7) {
                if (!restarts || next != 0xD0 + expectedRestart) return false;
                expectedRestart = (expectedRestart + 1) % 8;
                pos += 2;
            } else {
                return true;
            }
        }
        return false;
    }

    ByteSpan bytes;
    std::size_t pos = 0;
    bool restarts = false;
    bool framed = false;
};

// The frame as 32-bit BGRA, converted into RGBA rows of `image`.
bool ReadPixels(IWICImagingFactory* factory, IWICBitmapFrameDecode* frame, Image& image) {
    ComPtr<IWICFormatConverter> converter;
    if (FAILED(factory->CreateFormatConverter(converter.Receive())) ||
        FAILED(converter->Initialize(frame, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom))) {
        return false;
    }
    image.pixels.resize(std::size_t{image.width} * image.height * 4);
    const UINT stride = image.width * 4;
    if (FAILED(converter->CopyPixels(nullptr, stride, static_cast<UINT>(image.pixels.size()), image.pixels.data()))) {
        return false;
    }
    for (std::size_t i = 0; i < image.pixels.size(); i += 4) {
        std::swap(image.pixels[i], image.pixels[i + 2]);
        image.pixels[i + 3] = 255;
    }
    return true;
}

bool Decode(ByteSpan bytes, Image& image) {
    ComPtr<IWICImagingFactory> factory = CreateFactory();
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    if (!factory || FAILED(factory->CreateStream(stream.Receive())) ||
        FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()))) ||
        FAILED(factory->CreateDecoder(GUID_ContainerFormatJpeg, nullptr, decoder.Receive())) ||
        FAILED(decoder->Initialize(stream.Get(), WICDecodeMetadataCacheOnDemand)) ||
        FAILED(decoder->GetFrame(0, frame.Receive()))) {
        return false;
    }
    UINT width = 0, height = 0;
    if (FAILED(frame->GetSize(&width, &height)) || width == 0 || height == 0 || width > kMaxImageSide ||
        height > kMaxImageSide) {
        return false;
    }
    image.width = width;
    image.height = height;
    return ReadPixels(factory.Get(), frame.Get(), image);
}

bool SetQuality(IPropertyBag2* options, int quality) {
    PROPBAG2 name{};
    name.pstrName = const_cast<LPOLESTR>(L"ImageQuality");
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_R4;
    value.fltVal = static_cast<float>(quality) / 100.0f;
    return SUCCEEDED(options->Write(1, &name, &value));
}

// The image as baseline JPEG into `stream`; alpha is dropped on the way to 24-bit BGR.
bool Encode(const Image& image, int quality, IWICImagingFactory* factory, IStream* stream) {
    ComPtr<IWICBitmapEncoder> encoder;
    ComPtr<IWICBitmapFrameEncode> frame;
    ComPtr<IPropertyBag2> options;
    if (FAILED(factory->CreateEncoder(GUID_ContainerFormatJpeg, nullptr, encoder.Receive())) ||
        FAILED(encoder->Initialize(stream, WICBitmapEncoderNoCache)) ||
        FAILED(encoder->CreateNewFrame(frame.Receive(), options.Receive())) || !SetQuality(options.Get(), quality) ||
        FAILED(frame->Initialize(options.Get())) || FAILED(frame->SetSize(image.width, image.height))) {
        return false;
    }
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    if (FAILED(frame->SetPixelFormat(&format)) || !IsEqualGUID(format, GUID_WICPixelFormat24bppBGR)) return false;
    std::vector<std::uint8_t> bgr(std::size_t{image.width} * image.height * 3);
    for (std::size_t i = 0, o = 0; o < bgr.size(); i += 4, o += 3) {
        bgr[o] = image.pixels[i + 2];
        bgr[o + 1] = image.pixels[i + 1];
        bgr[o + 2] = image.pixels[i];
    }
    return SUCCEEDED(frame->WritePixels(image.height, image.width * 3, static_cast<UINT>(bgr.size()), bgr.data())) &&
           SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
}

std::vector<std::uint8_t> StreamBytes(IStream* stream) {
    HGLOBAL memory = nullptr;
    STATSTG stat{};
    if (FAILED(GetHGlobalFromStream(stream, &memory)) || FAILED(stream->Stat(&stat, STATFLAG_NONAME))) return {};
    const auto* begin = static_cast<const std::uint8_t*>(GlobalLock(memory));
    if (begin == nullptr) return {};
    std::vector<std::uint8_t> bytes(begin, begin + stat.cbSize.QuadPart);
    GlobalUnlock(memory);
    return bytes;
}

}  // namespace

std::optional<Image> DecodeJpeg(ByteSpan bytes) {
    if (!JpegStructure(bytes).IsSound()) return std::nullopt;
    ComScope com;
    Image image;
    if (!Decode(bytes, image)) return std::nullopt;
    return image;
}

std::vector<std::uint8_t> EncodeJpeg(const Image& image, int quality) {
    if (image.width == 0 || image.height == 0 || image.pixels.size() != std::size_t{image.width} * image.height * 4) {
        return {};
    }
    ComScope com;
    ComPtr<IWICImagingFactory> factory = CreateFactory();
    ComPtr<IStream> stream;
    if (!factory || FAILED(CreateStreamOnHGlobal(nullptr, TRUE, stream.Receive()))) return {};
    if (!Encode(image, std::clamp(quality, 1, 100), factory.Get(), stream.Get())) return {};
    return StreamBytes(stream.Get());
}

}  // namespace gfx

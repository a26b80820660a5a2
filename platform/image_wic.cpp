// JPEG through the Windows Imaging Component, behind gfx/image.h: on Windows the system's own
// codec takes the place of libjpeg. Failures are those of the libjpeg path: corrupt or
// truncated data, oversized images and CMYK give nothing.

#include <windows.h>
#include <wincodec.h>

#include <algorithm>
#include <vector>

#include "gfx/image.h"

namespace gfx {
namespace {

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

// Owns one reference to a COM object.
template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() {
        if (object) object->Release();
    }
    ComPtr(ComPtr&& other) noexcept : object(other.object) { other.object = nullptr; }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr& operator=(ComPtr&&) = delete;

    T* operator->() const { return object; }
    T* Get() const { return object; }
    T** Out() { return &object; }
    explicit operator bool() const { return object != nullptr; }

private:
    T* object = nullptr;
};

ComPtr<IWICImagingFactory> CreateFactory() {
    ComPtr<IWICImagingFactory> factory;
    CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                     reinterpret_cast<void**>(factory.Out()));
    return factory;
}

// libjpeg calls data that ends before the end-of-image marker truncated and only warns; WIC
// decodes it quietly. Inside entropy-coded data a 0xFF byte is never followed by 0xD9, so the
// marker after the last start-of-scan marks complete data (whatever follows it is ignored).
bool HasEndOfImage(ByteSpan bytes) {
    constexpr std::uint8_t kStartOfScan[] = {0xFF, 0xDA};
    constexpr std::uint8_t kEndOfImage[] = {0xFF, 0xD9};
    const auto scan = std::find_end(bytes.begin(), bytes.end(), std::begin(kStartOfScan), std::end(kStartOfScan));
    return scan != bytes.end() &&
           std::search(scan, bytes.end(), std::begin(kEndOfImage), std::end(kEndOfImage)) != bytes.end();
}

bool IsCmyk(IWICBitmapFrameDecode* frame) {
    WICPixelFormatGUID format{};
    return FAILED(frame->GetPixelFormat(&format)) || IsEqualGUID(format, GUID_WICPixelFormat32bppCMYK);
}

// The frame as 32-bit BGRA, converted into RGBA rows of `image`.
bool ReadPixels(IWICImagingFactory* factory, IWICBitmapFrameDecode* frame, Image& image) {
    ComPtr<IWICFormatConverter> converter;
    if (FAILED(factory->CreateFormatConverter(converter.Out())) ||
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
    if (!factory || FAILED(factory->CreateStream(stream.Out())) ||
        FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()))) ||
        FAILED(factory->CreateDecoder(GUID_ContainerFormatJpeg, nullptr, decoder.Out())) ||
        FAILED(decoder->Initialize(stream.Get(), WICDecodeMetadataCacheOnDemand)) ||
        FAILED(decoder->GetFrame(0, frame.Out()))) {
        return false;
    }
    UINT width = 0, height = 0;
    if (FAILED(frame->GetSize(&width, &height)) || width == 0 || height == 0 || width > kMaxImageSide ||
        height > kMaxImageSide || IsCmyk(frame.Get())) {
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
    if (FAILED(factory->CreateEncoder(GUID_ContainerFormatJpeg, nullptr, encoder.Out())) ||
        FAILED(encoder->Initialize(stream, WICBitmapEncoderNoCache)) ||
        FAILED(encoder->CreateNewFrame(frame.Out(), options.Out())) || !SetQuality(options.Get(), quality) ||
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
    if (bytes.empty() || !HasEndOfImage(bytes)) return std::nullopt;
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
    if (!factory || FAILED(CreateStreamOnHGlobal(nullptr, TRUE, stream.Out()))) return {};
    if (!Encode(image, std::clamp(quality, 1, 100), factory.Get(), stream.Get())) return {};
    return StreamBytes(stream.Get());
}

}  // namespace gfx

#include "credit_picture.h"

#include <wincodec.h>

#include <iterator>

#include "newer_functions.h"
#include "resource.h"

namespace ui {
namespace {

// Sole owner of one COM interface pointer.
template <typename Interface>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ~ComPtr() {
        if (pointer_ != nullptr) {
            pointer_->Release();
        }
    }
    Interface* operator->() const { return pointer_; }
    Interface* get() const { return pointer_; }
    Interface** out() { return &pointer_; }

private:
    Interface* pointer_ = nullptr;
};

using UniqueDc = demo::UniqueNullHandle<HDC, DeleteDC>;

// GUID_WICPixelFormat32bppBGR, defined here for the reason CreateImagingFactory gives.
constexpr GUID kPixelFormat32bppBgr{
    0x6fddc324, 0x4e03, 0x4bfe, {0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x0e}};

struct Resource {
    const BYTE* bytes = nullptr;
    DWORD size = 0;
};

Resource FindPicture(HINSTANCE instance, int resource_id) {
    const HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(resource_id), RT_RCDATA);
    const HGLOBAL loaded = found != nullptr ? LoadResource(instance, found) : nullptr;
    if (loaded == nullptr) {
        return {};
    }
    return {static_cast<const BYTE*>(LockResource(loaded)), SizeofResource(instance, found)};
}

}  // namespace

int CreditPictureFor(SIZE size) {
    struct Picture {
        int resource_id;
        SIZE size;
    };
    static constexpr Picture kPictures[] = {{IDR_CREDIT_PICTURE, {197, 29}},
                                            {IDR_CREDIT_PICTURE_150, {296, 44}},
                                            {IDR_CREDIT_PICTURE_200, {394, 58}}};
    for (const Picture& picture : kPictures) {
        if (picture.size.cx >= size.cx && picture.size.cy >= size.cy) {
            return picture.resource_id;
        }
    }
    return kPictures[std::size(kPictures) - 1].resource_id;
}

UniqueBitmap LoadCreditPicture(HINSTANCE instance, int resource_id) {
    const Resource picture = FindPicture(instance, resource_id);
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    ComPtr<IWICFormatConverter> converter;
    UINT width = 0;
    UINT height = 0;
    if (picture.bytes == nullptr || FAILED(CreateImagingFactory(factory.out())) ||
        FAILED(factory->CreateStream(stream.out())) ||
        FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(picture.bytes), picture.size)) ||
        FAILED(factory->CreateDecoderFromStream(stream.get(), nullptr,
                                                WICDecodeMetadataCacheOnDemand, decoder.out())) ||
        FAILED(decoder->GetFrame(0, frame.out())) ||
        FAILED(factory->CreateFormatConverter(converter.out())) ||
        FAILED(converter->Initialize(frame.get(), kPixelFormat32bppBgr, WICBitmapDitherTypeNone,
                                     nullptr, 0, WICBitmapPaletteTypeCustom)) ||
        FAILED(converter->GetSize(&width, &height))) {
        return UniqueBitmap(nullptr);
    }

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = static_cast<LONG>(width);
    info.bmiHeader.biHeight = -static_cast<LONG>(height);  // top-down rows, as WIC gives them
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* pixels = nullptr;
    UniqueBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0));
    if (!bitmap || FAILED(converter->CopyPixels(nullptr, width * 4, width * height * 4,
                                                static_cast<BYTE*>(pixels)))) {
        return UniqueBitmap(nullptr);
    }
    return bitmap;
}

void DrawPicture(HDC dc, const RECT& box, HBITMAP picture) {
    BITMAP size{};
    const UniqueDc source(CreateCompatibleDC(dc));
    if (!source || GetObjectW(picture, sizeof(size), &size) == 0) {
        return;
    }
    const HGDIOBJ previous = SelectObject(source.get(), picture);
    SetStretchBltMode(dc, HALFTONE);
    StretchBlt(dc, box.left, box.top, box.right - box.left, box.bottom - box.top, source.get(), 0,
               0, size.bmWidth, size.bmHeight, SRCCOPY);
    SelectObject(source.get(), previous);
}

}  // namespace ui

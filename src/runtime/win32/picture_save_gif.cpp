// GIF through the system's codecs: a palette of up to 256 colours made from the picture
// (IWICPalette::InitializeFromBitmap), the picture diffused onto it (the format
// converter's error diffusion), and one transparent entry for transparent pixels.
#include <new>
#include <vector>

#include "runtime/errors.h"
#include "runtime/win32/picture_encode.h"

namespace rt::win32 {

namespace {

void Check(HRESULT result, const std::u16string& target) {
    if (result == E_OUTOFMEMORY) Raise(ErrOutOfMemory, target + u" (not enough memory to encode it)");
    if (FAILED(result)) Raise(ErrCannotWritePicture, target + u" (" + Reason(result) + u")");
}

// The palette's transparent entry; the last one is made transparent when none is.
int TransparentEntry(IWICPalette& palette, const std::u16string& target) {
    WICColor colors[256] = {};
    UINT count = 0;
    Check(palette.GetColors(256, colors, &count), target);
    for (UINT i = 0; i < count; ++i)
        if ((colors[i] >> 24) == 0) return int(i);
    if (count == 0) count = 1;
    if (count < 256) ++count;
    colors[count - 1] = 0;
    Check(palette.InitializeCustom(colors, count), target);
    return int(count - 1);
}

}  // namespace

int EncodeGifFrame(const Picture::Data& picture, IWICBitmapEncoder& encoder, const std::u16string& target) {
    const UINT w = UINT(picture.width), h = UINT(picture.height);
    if (w > 65535 || h > 65535) Raise(ErrPictureTooLarge, target + u" (a GIF holds at most 65535 by 65535 pixels)");
    IWICImagingFactory* imaging = Imaging();

    // GIF transparency is all or nothing: half-transparent pixels become either.
    std::string pixels = StraightPixels(picture);
    bool transparent = false;
    for (size_t i = 3; i < pixels.size(); i += 4) {
        const bool clear = uint8_t(pixels[i]) < 128;
        pixels[i] = char(clear ? 0 : 255);
        transparent = transparent || clear;
    }
    ComPtr<IWICBitmap> source;
    Check(imaging->CreateBitmapFromMemory(w, h, GUID_WICPixelFormat32bppBGRA, w * 4, UINT(pixels.size()),
                                          reinterpret_cast<BYTE*>(pixels.data()), &source),
          target);

    ComPtr<IWICPalette> palette;
    Check(imaging->CreatePalette(&palette), target);
    Check(palette->InitializeFromBitmap(source.Get(), 256, transparent ? TRUE : FALSE), target);
    ComPtr<IWICFormatConverter> converter;
    Check(imaging->CreateFormatConverter(&converter), target);
    Check(converter->Initialize(source.Get(), GUID_WICPixelFormat8bppIndexed, WICBitmapDitherTypeErrorDiffusion,
                                palette.Get(), 0.0, WICBitmapPaletteTypeCustom),
          target);

    std::vector<uint8_t> indexes;
    try {
        indexes.resize(size_t(w) * h);
    } catch (const std::bad_alloc&) {
        Raise(ErrOutOfMemory, target + u" (not enough memory to encode it)");
    }
    Check(converter->CopyPixels(nullptr, w, UINT(indexes.size()), indexes.data()), target);
    // Transparent pixels take the palette's transparent entry, whatever colour the
    // diffusion found nearest to them.
    int clear = -1;
    if (transparent) {
        clear = TransparentEntry(*palette.Get(), target);
        for (size_t i = 0; i < indexes.size(); ++i)
            if (pixels[i * 4 + 3] == 0) indexes[i] = uint8_t(clear);
    }
    pixels = std::string();

    ComPtr<IWICBitmapFrameEncode> frame;
    Check(encoder.CreateNewFrame(&frame, nullptr), target);
    Check(frame->Initialize(nullptr), target);
    Check(frame->SetSize(w, h), target);
    WICPixelFormatGUID format = GUID_WICPixelFormat8bppIndexed;
    Check(frame->SetPixelFormat(&format), target);
    if (format != GUID_WICPixelFormat8bppIndexed)
        Raise(ErrCannotWritePicture, target + u" (the GIF encoder does not take palette pixels)");
    Check(frame->SetPalette(palette.Get()), target);
    Check(frame->WritePixels(h, w, UINT(indexes.size()), indexes.data()), target);
    Check(frame->Commit(), target);
    return clear;
}

void MarkGifTransparent(std::string& gif, int index) {
    const auto at = [&](size_t i) { return i < gif.size() ? int(uint8_t(gif[i])) : -1; };
    size_t i = 13;
    if (at(10) & 0x80) i += 3 * (size_t(2) << (at(10) & 7));  // global colour table
    while (i < gif.size() && at(i) == 0x21) {
        if (at(i + 1) == 0xF9 && at(i + 2) == 4) {  // the encoder's own control block
            gif[i + 3] = char(at(i + 3) | 1);
            gif[i + 6] = char(index);
            return;
        }
        i += 2;  // any other extension: label, then sub-blocks
        while (at(i) > 0) i += 1 + size_t(at(i));
        ++i;
    }
    if (at(i) != 0x2C) return;  // no image where one belongs: left as written
    // Before the image: a control block with the transparency flag and the index.
    gif.insert(i, std::string("\x21\xF9\x04\x01\x00\x00", 6) + char(index) + std::string(1, '\0'));
}

}  // namespace rt::win32

// SavePicture on Windows: the system's encoders, then an atomic write.
#include <algorithm>
#include <vector>

#include "runtime/errors.h"
#include "runtime/picture.h"
#include "runtime/strings.h"
#include "runtime/win32/peers.h"
#include "runtime/win32/picture_encode.h"

namespace rt {

namespace win32 {

namespace {

std::u16string Lower(std::u16string s) {
    for (char16_t& c : s)
        if (c >= u'A' && c <= u'Z') c = char16_t(c + 32);
    return s;
}

[[noreturn]] void CannotWrite(const std::u16string& target, const std::u16string& why) {
    Raise(ErrCannotWritePicture, target + u" (" + why + u")");
}

void Check(HRESULT result, const std::u16string& target) {
    if (result == E_OUTOFMEMORY) Raise(ErrOutOfMemory, target + u" (not enough memory to encode it)");
    if (FAILED(result)) CannotWrite(target, Reason(result));
}

const GUID& ContainerOf(SaveFormat format) {
    switch (format) {
    case SaveFormat::Jpeg: return GUID_ContainerFormatJpeg;
    case SaveFormat::Png: return GUID_ContainerFormatPng;
    case SaveFormat::Gif: return GUID_ContainerFormatGif;
    case SaveFormat::Tiff: return GUID_ContainerFormatTiff;
    case SaveFormat::Webp: return GUID_ContainerFormatWebp;
    case SaveFormat::Bmp: break;
    }
    return GUID_ContainerFormatBmp;
}

const char16_t* NameOf(SaveFormat format) {
    switch (format) {
    case SaveFormat::Jpeg: return u"JPEG";
    case SaveFormat::Png: return u"PNG";
    case SaveFormat::Gif: return u"GIF";
    case SaveFormat::Tiff: return u"TIFF";
    case SaveFormat::Webp: return u"WebP";
    case SaveFormat::Bmp: break;
    }
    return u"BMP";
}

// Rows [top, top + rows) in the pixel form the encoder takes: 3 bytes a pixel on white
// (JPEG and BMP have no alpha channel, and transparent areas go on white, not black),
// or 4 bytes with straight alpha.
void Band(const Picture::Data& picture, int top, int rows, bool withAlpha, std::vector<uint8_t>& out) {
    const size_t w = size_t(picture.width);
    out.resize(w * size_t(rows) * (withAlpha ? 4 : 3));
    uint8_t* o = out.data();
    for (int y = top; y < top + rows; ++y) {
        const uint8_t* p = picture.bits + size_t(y) * picture.Stride();
        for (size_t x = 0; x < w; ++x, p += 4) {
            const unsigned a = p[3];
            for (int k = 0; k < 3; ++k) {
                // Premultiplied: on white adds what the alpha leaves; straight divides it out.
                if (!withAlpha)
                    *o++ = uint8_t(std::min(255u, p[k] + (255 - a)));
                else
                    *o++ = uint8_t(a == 0 ? 0 : std::min(255u, (p[k] * 255 + a / 2) / a));
            }
            if (withAlpha) *o++ = uint8_t(a);
        }
    }
}

void WriteRows(const Picture::Data& picture, IWICBitmapFrameEncode& frame, bool withAlpha, const std::u16string& target) {
    WICPixelFormatGUID wanted = withAlpha ? GUID_WICPixelFormat32bppBGRA : GUID_WICPixelFormat24bppBGR;
    WICPixelFormatGUID given = wanted;
    Check(frame.SetPixelFormat(&given), target);
    if (given != wanted) CannotWrite(target, u"the encoder does not take this picture's pixels");
    const UINT stride = UINT(picture.width) * (withAlpha ? 4 : 3);
    std::vector<uint8_t> band;
    constexpr int kRows = 256;
    for (int top = 0; top < picture.height; top += kRows) {
        const int rows = std::min(kRows, picture.height - top);
        Band(picture, top, rows, withAlpha, band);
        Check(frame.WritePixels(UINT(rows), stride, UINT(band.size()), band.data()), target);
    }
}

std::string BytesOf(IStream& stream, const std::u16string& target) {
    HGLOBAL memory = nullptr;
    Check(GetHGlobalFromStream(&stream, &memory), target);
    STATSTG stat{};
    Check(stream.Stat(&stat, STATFLAG_NONAME), target);
    const auto* bytes = static_cast<const char*>(GlobalLock(memory));
    std::string out(bytes, size_t(stat.cbSize.QuadPart));
    GlobalUnlock(memory);
    return out;
}

}  // namespace

SaveFormat SaveFormatFor(const std::u16string& fileName) {
    const size_t dot = fileName.rfind(u'.');
    const std::u16string ext = dot == std::u16string::npos ? u"" : Lower(fileName.substr(dot + 1));
    if (ext == u"jpg" || ext == u"jpeg" || ext == u"jpe" || ext == u"jfif") return SaveFormat::Jpeg;
    if (ext == u"png") return SaveFormat::Png;
    if (ext == u"gif") return SaveFormat::Gif;
    if (ext == u"tif" || ext == u"tiff") return SaveFormat::Tiff;
    if (ext == u"webp") return SaveFormat::Webp;
    return SaveFormat::Bmp;  // bmp, dib, and anything else
}

std::string StraightPixels(const Picture::Data& picture) {
    std::string out;
    std::vector<uint8_t> band;
    out.reserve(picture.Stride() * size_t(picture.height));
    for (int top = 0; top < picture.height; top += 256) {
        Band(picture, top, std::min(256, picture.height - top), true, band);
        out.append(reinterpret_cast<const char*>(band.data()), band.size());
    }
    return out;
}

std::string EncodePicture(const Picture::Data& picture, SaveFormat format, const std::u16string& target) {
    IWICImagingFactory* imaging = Imaging();
    if (!imaging) CannotWrite(target, u"this system has no picture codecs");
    ComPtr<IWICBitmapEncoder> encoder;
    const HRESULT made = imaging->CreateEncoder(ContainerOf(format), nullptr, &encoder);
    if (made == WINCODEC_ERR_COMPONENTNOTFOUND)
        CannotWrite(target, u"this system has no " + std::u16string(NameOf(format)) + u" encoder");
    Check(made, target);
    ComPtr<IStream> stream;
    Check(CreateStreamOnHGlobal(nullptr, TRUE, &stream), target);
    Check(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache), target);

    int clear = -1;
    if (format == SaveFormat::Gif) {
        clear = EncodeGifFrame(picture, *encoder.Get(), target);
    } else {
        ComPtr<IWICBitmapFrameEncode> frame;
        ComPtr<IPropertyBag2> options;
        Check(encoder->CreateNewFrame(&frame, &options), target);
        if (format == SaveFormat::Jpeg && options) {
            PROPBAG2 option{};
            option.pstrName = const_cast<LPOLESTR>(L"ImageQuality");
            VARIANT quality;
            VariantInit(&quality);
            quality.vt = VT_R4;
            quality.fltVal = 0.9f;
            options->Write(1, &option, &quality);
        }
        Check(frame->Initialize(options.Get()), target);
        Check(frame->SetSize(UINT(picture.width), UINT(picture.height)), target);
        const bool keepsAlpha = format == SaveFormat::Png || format == SaveFormat::Tiff || format == SaveFormat::Webp;
        WriteRows(picture, *frame.Get(), keepsAlpha && picture.alpha, target);
        Check(frame->Commit(), target);
    }
    Check(encoder->Commit(), target);
    std::string bytes = BytesOf(*stream.Get(), target);
    if (clear >= 0) MarkGifTransparent(bytes, clear);
    return bytes;
}

}  // namespace win32

void SavePicture(const Picture& picture, const std::u16string& path) {
    const std::u16string target = UpToNul(path);
    if (target.empty()) Raise(ErrBadFileNameOrNumber, u"(no file name)");
    const Picture::Data* data = picture.data();
    if (!data || !data->bits) Raise(ErrInvalidPicture, target + u" (there is no picture to write)");
    // Refuse a target that cannot take a file before the encoding work is done.
    const std::wstring wide = win32::Wide(target);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        Raise(ErrPathFileAccess, target + u" (is a folder)");
    // A read-only file is kept, as its owner asked (a rename would replace it).
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        Raise(ErrPermissionDenied, target + u" (the file is read-only)");
    const size_t slash = target.find_last_of(u"\\/");
    const std::u16string name = slash == std::u16string::npos ? target : target.substr(slash + 1);
    if (slash != std::u16string::npos) {
        const std::u16string folder = target.substr(0, slash + 1);
        const DWORD folderAttributes = GetFileAttributesW(win32::Wide(folder).c_str());
        if (folderAttributes == INVALID_FILE_ATTRIBUTES || !(folderAttributes & FILE_ATTRIBUTE_DIRECTORY))
            Raise(ErrPathNotFound, target + u" (no such folder)");
    }
    win32::WriteFileAtomically(target, win32::EncodePicture(*data, win32::SaveFormatFor(name), target));
}

}  // namespace rt

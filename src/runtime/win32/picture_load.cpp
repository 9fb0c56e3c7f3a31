// Reading a picture file with the system's codecs (Windows Imaging Component): by its
// content (whatever its name says), upright as its EXIF orientation asks, the first
// frame of an animation, in 4-byte pixels; with a refusal that names the file and the
// reason for everything it cannot show, in the same words as on other systems.
#include <memory>
#include <new>
#include <vector>

#include "runtime/busy_pointer.h"
#include "runtime/errors.h"
#include "runtime/picture.h"
#include "runtime/picture_limits.h"
#include "runtime/strings.h"
#include "runtime/win32/peers.h"
#include "runtime/win32/picture_data.h"
#include "runtime/picture_structure.h"
#include "runtime/win32/picture_file_checks.h"
#include "runtime/win32/wic.h"

namespace rt {

namespace {

using win32::ComPtr;
using win32::FileFormat;

constexpr int64_t kMB = int64_t(1) << 20;

std::u16string Named(const std::u16string& path, const std::u16string& reason) {
    return path + u" (" + reason + u")";
}

std::u16string Megabytes(int64_t bytes) { return Str((bytes + kMB - 1) / kMB) + u" MB"; }

class FileHandle {
public:
    explicit FileHandle(HANDLE h) : h_(h) {}
    ~FileHandle() {
        if (Valid()) CloseHandle(h_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    bool Valid() const { return h_ != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return h_; }

private:
    HANDLE h_;
};

// The file as opened for reading, refused when it is missing, a folder, not a plain
// file or not readable.
HANDLE OpenPictureFile(const std::u16string& name) {
    const std::wstring file = win32::Wide(name);
    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    if (!GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &attributes)) {
        const DWORD error = GetLastError();
        if (error == ERROR_ACCESS_DENIED)
            Raise(ErrPermissionDenied, Named(name, u"not readable: " + win32::SystemMessage(error)));
        Raise(ErrFileNotFound, Named(name, u"no such file"));
    }
    if (attributes.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) Raise(ErrPathFileAccess, Named(name, u"a folder, not a file"));
    HANDLE h = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_ACCESS_DENIED)
            Raise(ErrPermissionDenied, Named(name, u"not readable: " + win32::SystemMessage(error)));
        Raise(ErrPathFileAccess, Named(name, win32::SystemMessage(error)));
    }
    // A pipe or device would block or never end: only plain files are read.
    if (GetFileType(h) != FILE_TYPE_DISK) {
        CloseHandle(h);
        Raise(ErrPathFileAccess, Named(name, u"not a plain file"));
    }
    return h;
}

// Writes the decoded rows (width by height, 4 bytes a pixel) into the picture turned as
// the EXIF orientation asks: 2 mirrored, 3 half a turn, 4 upside down, 5 transposed,
// 6 a quarter turn clockwise, 7 transverse, 8 a quarter turn anticlockwise.
void Orient(const uint32_t* in, int w, int h, int orientation, Picture::Data& out) {
    auto* dest = reinterpret_cast<uint32_t*>(out.bits);
    const int W = out.width, H = out.height;
    for (int Y = 0; Y < H; ++Y) {
        for (int X = 0; X < W; ++X) {
            int x = X, y = Y;
            switch (orientation) {
            case 2: x = w - 1 - X; break;
            case 3: x = w - 1 - X, y = h - 1 - Y; break;
            case 4: y = h - 1 - Y; break;
            case 5: x = Y, y = X; break;
            case 6: x = Y, y = h - 1 - X; break;
            case 7: x = w - 1 - Y, y = h - 1 - X; break;
            case 8: x = w - 1 - Y, y = X; break;
            default: break;
            }
            dest[size_t(Y) * size_t(W) + size_t(X)] = in[size_t(y) * size_t(w) + size_t(x)];
        }
    }
}

// Marks a picture with transparent pixels and premultiplies them, as drawing takes them.
void SettleAlpha(Picture::Data& data) {
    uint8_t* p = data.bits;
    const size_t count = size_t(data.width) * size_t(data.height);
    for (size_t i = 0; i < count; ++i, p += 4) {
        const unsigned a = p[3];
        if (a == 255) continue;
        data.alpha = true;
        for (int k = 0; k < 3; ++k) p[k] = uint8_t((p[k] * a + 127) / 255);
    }
}

void RefuseWhatCannotFit(const std::u16string& name, int64_t w, int64_t h, bool turned) {
    const int64_t bytes = DecodedBytes(w, h) * (turned ? 2 : 1);
    const int64_t bound = PictureByteBound();
    if (bytes > bound)
        Raise(ErrPictureTooLarge, Named(name, u"its header declares " + Str(w) + u" x " + Str(h) + u" pixels, " +
                                                  Megabytes(bytes) + u" decoded; this machine allows at most " +
                                                  Megabytes(bound)));
}

}  // namespace

Picture LoadPicture(const std::u16string& path) {
    const std::u16string name = UpToNul(path);
    if (name.empty()) return Picture();  // no path: the empty picture

    FileHandle file(OpenPictureFile(name));
    LARGE_INTEGER length{};
    GetFileSizeEx(file.Get(), &length);
    const uint64_t size = uint64_t(length.QuadPart);
    if (size == 0) Raise(ErrInvalidPicture, Named(name, u"the file is empty"));
    const FileFormat format = win32::Sniff(win32::ReadAt(file.Get(), 0, 16));
    // Refuse what cannot fit before decoding anything: the header's size is enough (some
    // codecs decode the whole picture as soon as they open it). A turned picture is
    // decoded once more beside its turned copy.
    const int orientation = win32::Orientation(file.Get(), format);
    const bool turned = orientation >= 2 && orientation <= 8;
    const win32::DeclaredSize declared = win32::SizeInHeader(file.Get(), format);
    RefuseWhatCannotFit(name, declared.width, declared.height, turned);
    if (format == FileFormat::Png &&
        PngChunkRunsPastEnd(size, [&](uint64_t at, size_t n) { return win32::ReadAt(file.Get(), at, n); }))
        Raise(ErrInvalidPicture, Named(name, u"the file ends before the picture does"));

    // A format this program knows by its signature that the codec could not read is
    // damaged or cut short; anything else is not a picture.
    const auto refuse = [&](HRESULT result) {
        if (result == E_OUTOFMEMORY) Raise(ErrOutOfMemory, Named(name, u"not enough memory to decode it"));
        const bool known = format != FileFormat::Unknown && format != FileFormat::Webp;
        if (!known) Raise(ErrInvalidPicture, Named(name, u"not a picture in any format this program reads"));
        if (win32::EndsEarly(file.Get(), size, format))
            Raise(ErrInvalidPicture, Named(name, u"the file ends before the picture does"));
        Raise(ErrInvalidPicture, Named(name, u"damaged or not a picture: " + win32::Reason(result)));
    };

    IWICImagingFactory* imaging = win32::Imaging();
    if (!imaging) Raise(ErrPlatformCall, Named(name, u"this system has no picture codecs"));
    ComPtr<IWICBitmapDecoder> decoder;
    const std::wstring wide = win32::Wide(name);
    HRESULT result =
        imaging->CreateDecoderFromFilename(wide.c_str(), nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand, &decoder);
    if (FAILED(result)) refuse(result);
    ComPtr<IWICBitmapFrameDecode> frame;
    if (FAILED(result = decoder->GetFrame(0, &frame))) refuse(result);  // the first frame of an animation
    UINT w = 0, h = 0;
    if (FAILED(result = frame->GetSize(&w, &h))) refuse(result);
    if (w == 0 || h == 0) Raise(ErrInvalidPicture, Named(name, u"damaged or not a picture: its header gives no size"));

    RefuseWhatCannotFit(name, w, h, turned);

    BusyPointer busy(int64_t(w) * h >= kBusyPixels);
    ComPtr<IWICFormatConverter> converter;
    if (FAILED(result = imaging->CreateFormatConverter(&converter))) refuse(result);
    result = converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                   WICBitmapPaletteTypeCustom);
    if (FAILED(result)) refuse(result);

    const bool swapped = orientation >= 5 && orientation <= 8;
    std::shared_ptr<Picture::Data> data = win32::NewPictureData(int(swapped ? h : w), int(swapped ? w : h));
    if (!data) Raise(ErrOutOfMemory, Named(name, u"not enough memory to decode it"));
    const UINT stride = w * 4;
    if (!turned) {
        result = converter->CopyPixels(nullptr, stride, stride * h, data->bits);
    } else {
        std::vector<uint32_t> decoded;
        try {
            decoded.resize(size_t(w) * h);
        } catch (const std::bad_alloc&) {
            Raise(ErrOutOfMemory, Named(name, u"not enough memory to decode it"));
        }
        result = converter->CopyPixels(nullptr, stride, stride * h, reinterpret_cast<BYTE*>(decoded.data()));
        if (SUCCEEDED(result)) Orient(decoded.data(), int(w), int(h), orientation, *data);
    }
    if (FAILED(result)) refuse(result);
    // Decoders fill a missing end with grey and go on: the picture is not whole.
    if ((format == FileFormat::Jpeg || format == FileFormat::Gif) && win32::EndsEarly(file.Get(), size, format))
        Raise(ErrInvalidPicture, Named(name, u"the file ends before the picture does"));
    SettleAlpha(*data);
    return Picture(std::move(data));
}

}  // namespace rt

// TIFF pictures through libtiff, read from the file's bytes in memory: the first directory
// only, in strips or tiles, its planes together or apart, 1 to 16 bits a sample (or
// floating point), grey, palette, RGB, CMYK, CIE Lab and JPEG's YCbCr.
#include <lcms2.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "pictures/formats/formats.h"
#include "pictures/formats/staged.h"
#include "pictures/formats/tiff_directory.h"
#include "pictures/formats/tiff_samples.h"
#include "pictures/formats/tiff_source.h"
#include "pictures/metadata/metadata.h"

namespace pictures {

namespace {

using tiff::Colours;

// A larger profile is not kept: the picture shows without it.
constexpr uint32_t kMaxProfile = 4 << 20;

bool IsRgbProfile(const std::string& icc) {
    cmsHPROFILE profile = cmsOpenProfileFromMem(icc.data(), cmsUInt32Number(icc.size()));
    const bool rgb = profile && cmsGetColorSpace(profile) == cmsSigRgbData;
    if (profile) cmsCloseProfile(profile);
    return rgb;
}

int DotsPerMeter(float resolution, uint16_t unit) {
    const double perMeter = unit == RESUNIT_INCH ? resolution / 0.0254 : unit == RESUNIT_CENTIMETER ? resolution * 100.0 : 0;
    return perMeter > 0 && perMeter < 1e9 ? int(std::lround(perMeter)) : 0;
}

class TiffReader : public FormatReader, public StagedReader {
public:
    explicit TiffReader(Bytes file) : source_{file} {}
    ~TiffReader() override {
        if (tiff_) TIFFClose(tiff_);
    }

    Cost Measure() override {
        dir_ = tiff::ReadFirstDirectory(source_.file);
        const tiff::Directory& d = dir_;
        if (d.width == 0 || d.height == 0) return {};
        if (d.width > INT32_MAX || d.height > INT32_MAX) Fail(Failure::TooLarge);
        // The pixels, libtiff's strip or tile offsets and sizes, a strip or tile for each
        // plane read (and one more for the JPEG decoder), and a row of values.
        const double chunkWidth = double(d.Tiled() ? d.tileWidth : d.width);
        const double chunkHeight = double(d.Tiled() ? d.tileHeight : std::min(d.rowsPerStrip, d.height));
        const double planes = d.Separate() ? double(std::min<uint64_t>(d.samples, 5)) : 1;
        const double rowBytes = std::max(std::ceil(chunkWidth * double(d.Separate() ? 1 : d.samples) * double(d.bits) / 8),
                                         d.compression == COMPRESSION_JPEG ? chunkWidth * 3 : 0);
        const double chunk = rowBytes * chunkHeight;
        const double bytes = double(d.width) * double(d.height) * 4 + d.Chunks() * 16 +
                             chunk * (planes + (d.compression == COMPRESSION_JPEG)) + chunkWidth * 40;
        return {int(d.width), int(d.height), CostInBytes(bytes)};
    }

    Metadata ReadMetadata(Budget& budget) override {
        Open(budget);
        // EXIF and XMP as for every format that carries them; the profile, the orientation
        // and whether the file is lossless come from the directory libtiff reads.
        int exifOrientation = 1;
        const Metadata carried = ReadFileMetadata(source_.file, "tiff", budget, &exifOrientation);
        Metadata metadata;
        metadata.exif = carried.exif;
        metadata.xmp = carried.xmp;
        uint16_t compression = COMPRESSION_NONE;
        TIFFGetFieldDefaulted(tiff_, TIFFTAG_COMPRESSION, &compression);
        metadata.lossless = compression != COMPRESSION_JPEG && compression != COMPRESSION_OJPEG &&
                            compression != COMPRESSION_WEBP;
        uint32_t size = 0;
        const void* data = nullptr;
        if (TIFFGetField(tiff_, TIFFTAG_ICCPROFILE, &size, &data) && data && size > 0 && size <= kMaxProfile) {
            budget.Take(int64_t(size) * 2);  // the copy kept, and lcms2's own while it is read
            std::string profile(static_cast<const char*>(data), size);
            // A CMYK picture's profile converts its inks here; the RGB pixels made of
            // them are sRGB. Lab needs none, and a grey profile does not fit RGB pixels.
            if (!rgba_ && layout_.colours == Colours::Cmyk)
                cmykProfile_ = std::move(profile);
            else if ((rgba_ || layout_.colours == Colours::Rgb || layout_.colours == Colours::Palette) &&
                     IsRgbProfile(profile))
                metadata.icc = std::move(profile);
        }
        return metadata;
    }

    int Orientation() const override { return orientation_; }

    Image Decode(Budget& budget) override {
        Open(budget);
        Image image;
        if (rgba_) {
            image = DecodeRgba(budget);
        } else {
            image = NewChunkedPicture(budget);
            ForEachChunk([&](uint32_t x0, uint32_t y0) { DecodeChunk(image, x0, y0); });
        }
        SetResolution(image);
        return image;
    }

    // Strips or tiles decoded by our own code, each on its own, every one of them within
    // the file: those covering the visible part first, then the others.
    bool Stageable() override {
        if (!tiff_ || rgba_ || orientation_ != 1) return false;
        const uint32_t chunks = TIFFIsTiled(tiff_) ? TIFFNumberOfTiles(tiff_) : TIFFNumberOfStrips(tiff_);
        for (uint32_t i = 0; i < chunks; ++i) {
            int error = 0;
            const uint64_t offset = TIFFGetStrileOffsetWithErr(tiff_, i, &error);
            const uint64_t count = TIFFGetStrileByteCountWithErr(tiff_, i, &error);
            if (error || !source_.file.Has(offset, count)) return false;
        }
        return true;
    }

    Image DecodeFirst(Budget& budget, int width, int height) override {
        Image image = NewChunkedPicture(budget);
        SetResolution(image);
        firstWidth_ = uint32_t(std::max(width, 1));
        firstHeight_ = uint32_t(std::max(height, 1));
        ForEachChunk([&](uint32_t x0, uint32_t y0) {
            if (InFirst(x0, y0)) DecodeChunk(image, x0, y0);
        });
        return image;
    }

    bool DecodeRest(Image& image, Budget&, const std::atomic<bool>& cancel) override {
        bool failed = false;
        ForEachChunk([&](uint32_t x0, uint32_t y0) {
            if (InFirst(x0, y0) || cancel.load(std::memory_order_relaxed)) return;
            if (!failed) {
                try {
                    DecodeChunk(image, x0, y0);
                    return;
                } catch (const Failure&) {
                    failed = true;
                }
            }
            ClearChunk(image, x0, y0);  // this one and every one after a failure
        });
        return !failed;
    }

private:
    [[noreturn]] void Refuse() const {
        if (messages_.endedEarly) Fail(Failure::Truncated);
        Fail(Failure::Damaged, Text(messages_.error.empty() ? "libtiff could not read it" : messages_.error));
    }

    [[noreturn]] static void Unsupported(const std::string& what) { Fail(Failure::Damaged, Text(what)); }

    // Opens the file in libtiff once its directory's memory is taken from the budget.
    void Open(Budget& budget) {
        if (tiff_) return;
        budget.Take(double(dir_.tagBytes) + (dir_.byteCounts ? 0 : dir_.Chunks() * 16));
        tiff_ = tiff::OpenInMemory(source_, messages_, budget.Left());
        if (!tiff_) Refuse();
        uint32_t width = 0, height = 0;
        TIFFGetField(tiff_, TIFFTAG_IMAGEWIDTH, &width);
        TIFFGetField(tiff_, TIFFTAG_IMAGELENGTH, &height);
        if (width != dir_.width || height != dir_.height) Fail(Failure::Damaged, u"its size is given twice, differently");
        uint16_t orientation = ORIENTATION_TOPLEFT;
        TIFFGetFieldDefaulted(tiff_, TIFFTAG_ORIENTATION, &orientation);
        orientation_ = orientation >= 1 && orientation <= 8 ? orientation : 1;
        Describe(budget);
    }

    // How the samples are laid out and what they mean; refuses what is not read.
    void Describe(Budget& budget) {
        uint16_t bits = 1, samples = 1, format = SAMPLEFORMAT_UINT, photometric = 0, compression = COMPRESSION_NONE;
        TIFFGetFieldDefaulted(tiff_, TIFFTAG_BITSPERSAMPLE, &bits);
        TIFFGetFieldDefaulted(tiff_, TIFFTAG_SAMPLESPERPIXEL, &samples);
        TIFFGetFieldDefaulted(tiff_, TIFFTAG_SAMPLEFORMAT, &format);
        TIFFGetFieldDefaulted(tiff_, TIFFTAG_COMPRESSION, &compression);
        if (!TIFFGetField(tiff_, TIFFTAG_PHOTOMETRIC, &photometric)) Fail(Failure::Damaged, u"its colour model is not given");
        // JPEG's YCbCr becomes RGB in libtiff's JPEG decoder; other YCbCr and old-style
        // JPEG go through libtiff's own conversion to 8-bit RGBA.
        if (photometric == PHOTOMETRIC_YCBCR && compression == COMPRESSION_JPEG) {
            TIFFSetField(tiff_, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
            photometric = PHOTOMETRIC_RGB;
        } else if (photometric == PHOTOMETRIC_YCBCR || compression == COMPRESSION_OJPEG) {
            rgba_ = true;
            return;
        }
        tiff::Layout& l = layout_;
        l.bits = bits;
        l.samples = samples;
        l.floating = format == SAMPLEFORMAT_IEEEFP;
        const bool lab = photometric == PHOTOMETRIC_CIELAB || photometric == PHOTOMETRIC_ICCLAB;
        if (l.floating && bits != 16 && bits != 32 && bits != 64)
            Unsupported(std::to_string(bits) + "-bit floating-point samples are not supported");
        if (!l.floating && (bits < 1 || bits > 16))
            Unsupported(std::to_string(bits) + "-bit samples are not supported");
        if (format != SAMPLEFORMAT_UINT && !l.floating && !(lab && format == SAMPLEFORMAT_INT))
            Unsupported("signed or complex samples are not supported");
        switch (photometric) {
        case PHOTOMETRIC_MINISBLACK: l.colours = Colours::Grey; break;
        case PHOTOMETRIC_MINISWHITE: l.colours = Colours::GreyInverted; break;
        case PHOTOMETRIC_RGB: l.colours = Colours::Rgb; break;
        case PHOTOMETRIC_PALETTE: l.colours = Colours::Palette; break;
        case PHOTOMETRIC_SEPARATED: l.colours = Colours::Cmyk; break;
        case PHOTOMETRIC_CIELAB: l.colours = Colours::Lab; break;
        case PHOTOMETRIC_ICCLAB: l.colours = Colours::IccLab; break;
        default: Unsupported("its colour model (photometric " + std::to_string(photometric) + ") is not supported");
        }
        float* white = nullptr;
        if (lab && TIFFGetFieldDefaulted(tiff_, TIFFTAG_WHITEPOINT, &white) && white && white[0] > 0 && white[1] > 0 &&
            white[0] + white[1] < 1)
            l.white[0] = white[0], l.white[1] = white[1];
        if ((lab || l.colours == Colours::Palette) && (l.floating || (lab && bits != 8 && bits != 16)))
            Unsupported(std::to_string(bits) + "-bit samples are not supported with its colour model");

        uint16_t extras = 0;
        const uint16_t* kinds = nullptr;
        TIFFGetFieldDefaulted(tiff_, TIFFTAG_EXTRASAMPLES, &extras, &kinds);
        const int colours = l.ColourSamples();
        if (samples < colours) Fail(Failure::Damaged, u"it has fewer samples than its colours need");
        if (l.colours == Colours::Cmyk) {
            uint16_t inks = INKSET_CMYK;
            TIFFGetFieldDefaulted(tiff_, TIFFTAG_INKSET, &inks);
            if (inks != INKSET_CMYK || samples - extras != 4) Unsupported("only CMYK inks are supported");
        }
        // The first extra sample right after the colours is alpha when it says so.
        if (extras > 0 && kinds && samples - extras == colours &&
            (kinds[0] == EXTRASAMPLE_ASSOCALPHA || kinds[0] == EXTRASAMPLE_UNASSALPHA)) {
            l.alpha = colours;
            l.associated = kinds[0] == EXTRASAMPLE_ASSOCALPHA;
        }
        if (l.colours == Colours::Palette) {
            const uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
            if (!TIFFGetField(tiff_, TIFFTAG_COLORMAP, &red, &green, &blue) || !red || !green || !blue)
                Fail(Failure::Damaged, u"its palette is missing");
            const size_t entries = size_t(1) << bits;
            budget.Take(double(entries) * 6);
            palette_.reserve(entries * 3);
            for (const uint16_t* colour : {red, green, blue}) palette_.insert(palette_.end(), colour, colour + entries);
        }
    }

    // Reads one strip or tile into `to`; fails unless it gives at least `needed` bytes.
    void ReadChunk(bool tiled, uint32_t index, uint32_t chunks, std::vector<uint8_t>& to, uint64_t size,
                   uint64_t needed) {
        if (index >= chunks) Fail(Failure::Damaged, u"a strip or tile is missing");
        int error = 0;
        messages_.error.clear();
        const uint64_t offset = TIFFGetStrileOffsetWithErr(tiff_, index, &error);
        const uint64_t count = TIFFGetStrileByteCountWithErr(tiff_, index, &error);
        if (error) {
            if (messages_.error.empty()) messages_.error = "its strips or tiles are not all listed";
            Refuse();
        }
        if (!source_.file.Has(offset, count)) Fail(Failure::Truncated);
        const tmsize_t got = tiled ? TIFFReadEncodedTile(tiff_, index, to.data(), tmsize_t(size))
                                   : TIFFReadEncodedStrip(tiff_, index, to.data(), tmsize_t(size));
        if (got < 0 || messages_.endedEarly) Refuse();
        if (uint64_t(got) < needed) Fail(Failure::Truncated);
    }

    // What reading the strips or tiles takes: their shape, a buffer for each plane, a row
    // of values, the conversion to pixels.
    struct Chunks {
        bool tiled = false, separate = false, straight = false;
        uint32_t width = 0, height = 0, count = 0;  // a chunk's size; how many there are
        uint64_t rowBytes = 0, bytes = 0;
        int values = 0, planes = 0;
        std::vector<std::vector<uint8_t>> buffers;
        std::vector<uint16_t> row;
        std::unique_ptr<tiff::PixelConverter> converter;
    };

    // The picture the strips or tiles are decoded into, once their layout is checked and
    // their buffers taken from the budget.
    Image NewChunkedPicture(Budget& budget) {
        Chunks& c = chunks_;
        const int width = int(dir_.width), height = int(dir_.height);
        c.tiled = TIFFIsTiled(tiff_);
        c.width = uint32_t(width);
        c.height = uint32_t(height);
        if (c.tiled) {
            TIFFGetField(tiff_, TIFFTAG_TILEWIDTH, &c.width);
            TIFFGetField(tiff_, TIFFTAG_TILELENGTH, &c.height);
        } else {
            TIFFGetFieldDefaulted(tiff_, TIFFTAG_ROWSPERSTRIP, &c.height);
            c.height = std::min(c.height, uint32_t(height));
        }
        c.rowBytes = c.tiled ? TIFFTileRowSize64(tiff_) : TIFFScanlineSize64(tiff_);
        c.bytes = c.tiled ? TIFFTileSize64(tiff_) : TIFFStripSize64(tiff_);
        if (c.width == 0 || c.height == 0 || c.rowBytes == 0 || c.bytes == 0) Refuse();
        uint16_t planar = PLANARCONFIG_CONTIG;
        TIFFGetFieldDefaulted(tiff_, TIFFTAG_PLANARCONFIG, &planar);
        c.separate = planar == PLANARCONFIG_SEPARATE;
        const tiff::Layout& l = layout_;
        const double rowSamples = double(c.width) * (c.separate ? 1 : l.samples);
        if (std::ceil(rowSamples * l.bits / 8) > double(c.rowBytes) || double(c.rowBytes) * c.height > double(c.bytes))
            Fail(Failure::Damaged, u"its strips or tiles are smaller than its rows");

        c.values = l.Values();
        c.planes = c.separate ? c.values : 1;
        c.count = c.tiled ? TIFFNumberOfTiles(tiff_) : TIFFNumberOfStrips(tiff_);
        // libtiff's offsets and sizes of the strips or tiles read, the buffers, a row of values.
        budget.Take(double(c.count) * 16 + double(c.planes) * double(c.bytes + 4) + double(c.width) * (c.values * 2 + 24));
        c.buffers.assign(size_t(c.planes), std::vector<uint8_t>(c.bytes + 4));
        c.row.assign(size_t(c.width) * size_t(c.values), 0);
        c.converter = std::make_unique<tiff::PixelConverter>(l, palette_, cmykProfile_);
        // The common 8-bit grey and RGB rows go to pixels without 16-bit values between.
        c.straight = !c.separate && tiff::Fits8Bits(l);
        return Image::New(width, height, l.alpha >= 0, budget);
    }

    // Calls each(x0, y0) with the corner of every strip or tile, in the file's order.
    template <class Each>
    void ForEachChunk(Each&& each) const {
        for (uint32_t y0 = 0; y0 < uint32_t(dir_.height); y0 += chunks_.height)
            for (uint32_t x0 = 0; x0 < uint32_t(dir_.width); x0 += chunks_.width) each(x0, y0);
    }

    bool InFirst(uint32_t x0, uint32_t y0) const { return x0 < firstWidth_ && y0 < firstHeight_; }

    // The strip or tile at (x0, y0), every plane of it, into the picture.
    void DecodeChunk(Image& image, uint32_t x0, uint32_t y0) {
        Chunks& c = chunks_;
        const tiff::Layout& l = layout_;
        const uint32_t rows = std::min(c.height, uint32_t(image.Height()) - y0);
        const int columns = int(std::min(c.width, uint32_t(image.Width()) - x0));
        for (int p = 0; p < c.planes; ++p) {
            const uint16_t sample = uint16_t(c.separate ? l.SampleOf(p) : 0);
            const uint32_t index = c.tiled ? TIFFComputeTile(tiff_, x0, y0, 0, sample) : TIFFComputeStrip(tiff_, y0, sample);
            ReadChunk(c.tiled, index, c.count, c.buffers[size_t(p)], c.bytes, (c.tiled ? c.height : rows) * c.rowBytes);
        }
        for (uint32_t r = 0; r < rows; ++r) {
            if (c.straight) {
                tiff::Convert8(c.buffers[0].data() + r * c.rowBytes, l, columns, image.Row(int(y0 + r)) + x0);
                continue;
            }
            for (int v = 0; v < c.values; ++v) {
                const uint8_t* from = c.buffers[c.separate ? size_t(v) : 0].data() + r * c.rowBytes;
                tiff::Unpack(from, l, c.separate ? 0 : size_t(l.SampleOf(v)), c.separate ? 1 : size_t(l.samples), columns,
                             c.row.data() + v, size_t(c.values));
            }
            c.converter->Convert(c.row.data(), columns, image.Row(int(y0 + r)) + x0);
        }
    }

    // The strip or tile at (x0, y0) transparent, for one its data never gave.
    void ClearChunk(Image& image, uint32_t x0, uint32_t y0) const {
        const uint32_t rows = std::min(chunks_.height, uint32_t(image.Height()) - y0);
        const uint32_t columns = std::min(chunks_.width, uint32_t(image.Width()) - x0);
        for (uint32_t r = 0; r < rows; ++r) std::fill_n(image.Row(int(y0 + r)) + x0, columns, 0u);
    }

    void SetResolution(Image& image) const {
        float x = 0, y = 0;
        uint16_t unit = RESUNIT_INCH;
        TIFFGetFieldDefaulted(tiff_, TIFFTAG_RESOLUTIONUNIT, &unit);
        if (TIFFGetField(tiff_, TIFFTAG_XRESOLUTION, &x) && TIFFGetField(tiff_, TIFFTAG_YRESOLUTION, &y)) {
            image.dotsPerMeterX = DotsPerMeter(x, unit);
            image.dotsPerMeterY = DotsPerMeter(y, unit);
        }
    }

    // libtiff's own reading to 8-bit RGBA, in the order the rows are stored (the turn
    // upright comes after), its premultiplied alpha made straight.
    Image DecodeRgba(Budget& budget) {
        char message[1024] = "";
        TIFFRGBAImage rgba;
        if (!TIFFRGBAImageOK(tiff_, message) || !TIFFRGBAImageBegin(&rgba, tiff_, 1, message))
            Fail(Failure::Damaged, Text(message));
        const std::unique_ptr<TIFFRGBAImage, decltype(&TIFFRGBAImageEnd)> end(&rgba, &TIFFRGBAImageEnd);
        rgba.req_orientation = rgba.orientation;
        const uint64_t chunkBytes = TIFFIsTiled(tiff_) ? TIFFTileSize64(tiff_) : TIFFStripSize64(tiff_);
        const uint32_t chunks = TIFFIsTiled(tiff_) ? TIFFNumberOfTiles(tiff_) : TIFFNumberOfStrips(tiff_);
        budget.Take(double(chunks) * 16 + 2 * double(chunkBytes));
        Image image = Image::New(int(dir_.width), int(dir_.height), rgba.alpha != 0, budget);
        if (!TIFFRGBAImageGet(&rgba, image.Pixels(), uint32_t(image.Width()), uint32_t(image.Height())) ||
            messages_.endedEarly)
            Refuse();
        for (int y = 0; y < image.Height(); ++y) {
            uint32_t* line = image.Row(y);
            for (int x = 0; x < image.Width(); ++x) {
                const uint32_t p = line[x];
                const unsigned a = rgba.alpha ? TIFFGetA(p) : 255;
                const auto straight = [a](unsigned c) { return a == 0 ? 0 : std::min(255u, (c * 255 + a / 2) / a); };
                line[x] = Argb(straight(TIFFGetR(p)), straight(TIFFGetG(p)), straight(TIFFGetB(p)), a);
            }
        }
        return image;
    }

    tiff::Source source_;
    tiff::Directory dir_;
    TIFF* tiff_ = nullptr;
    tiff::Messages messages_;
    int orientation_ = 1;
    bool rgba_ = false;
    tiff::Layout layout_;
    std::vector<uint16_t> palette_;
    std::string cmykProfile_;
    Chunks chunks_;
    uint32_t firstWidth_ = 0, firstHeight_ = 0;  // the part DecodeFirst decoded the chunks of
};

}  // namespace

const Format kTiff = {
    "tiff",
    [](Bytes head, Bytes, uint64_t, std::string_view) {
        return head.StartsWith(std::string_view("II*\0", 4)) || head.StartsWith(std::string_view("MM\0*", 4)) ||
               head.StartsWith(std::string_view("II+\0", 4)) || head.StartsWith(std::string_view("MM\0+", 4));
    },
    [](Bytes file) -> std::unique_ptr<FormatReader> { return std::make_unique<TiffReader>(file); },
};

}  // namespace pictures

#include "ui/bitmap.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "storage/error.h"
#include "ui/handles.h"

namespace kelt::ui {

namespace {

const char kInvalidBitmap[] = "Bitmap image is not valid";

std::uint32_t ReadU32(const std::string& bytes, std::size_t at)
{
    std::uint32_t value = 0;
    std::memcpy(&value, bytes.data() + at, 4);
    return value;
}

std::uint16_t ReadU16(const std::string& bytes, std::size_t at)
{
    std::uint16_t value = 0;
    std::memcpy(&value, bytes.data() + at, 2);
    return value;
}

[[noreturn]] void InvalidBitmap()
{
    throw Error(kInvalidBitmap);
}

// The bitmap of a packed DIB starting at `headerAt` in `bytes` (0 for a bare DIB, 14 after
// a file header). `bitsHint` is where the file header says the pixels start (0: none; a hint
// outside the data is ignored and the pixels follow the colour table).
HBITMAP DibToBitmap(const std::string& bytes, std::size_t headerAt, std::size_t bitsHint)
{
    if (bytes.size() < headerAt + 12)
        InvalidBitmap();
    const std::uint32_t headerSize = ReadU32(bytes, headerAt);
    if (headerSize != 12 && (headerSize < 40 || headerSize > 124))
        InvalidBitmap();
    if (headerAt + headerSize > bytes.size())
        InvalidBitmap();

    // Normalise the header into a BITMAPINFOHEADER followed by its colour table.
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    std::size_t tableAt = headerAt + headerSize;
    std::size_t entrySize = 4;
    if (headerSize == 12) {
        info.biWidth = ReadU16(bytes, headerAt + 4);
        info.biHeight = static_cast<std::int16_t>(ReadU16(bytes, headerAt + 6));
        info.biPlanes = ReadU16(bytes, headerAt + 8);
        info.biBitCount = ReadU16(bytes, headerAt + 10);
        info.biCompression = BI_RGB;
        entrySize = 3;
    } else {
        std::memcpy(&info, bytes.data() + headerAt, sizeof info);
        info.biSize = sizeof info;
    }
    const long width = info.biWidth;
    const long height = info.biHeight < 0 ? -static_cast<long>(info.biHeight) : info.biHeight;
    if (info.biPlanes != 1 || width <= 0 || height <= 0 || width > 16384 || height > 16384)
        InvalidBitmap();
    const int bits = info.biBitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        InvalidBitmap();
    const DWORD compression = info.biCompression;
    const bool rle = (compression == BI_RLE8 && bits == 8) || (compression == BI_RLE4 && bits == 4);
    const bool fields = compression == BI_BITFIELDS && (bits == 16 || bits == 32);
    if (compression != BI_RGB && !rle && !fields)
        InvalidBitmap();
    if (rle && info.biHeight < 0)
        InvalidBitmap();

    std::size_t colours = info.biClrUsed;
    if (bits <= 8 && (colours == 0 || colours > (1u << bits)))
        colours = std::size_t{1} << bits;
    if (bits > 8 && colours > 256)
        InvalidBitmap();
    // BITFIELDS masks follow a plain 40-byte header; larger headers hold them inside.
    const std::size_t masks = fields && headerSize == 40 ? 3 : 0;
    std::vector<std::uint8_t> header(sizeof info + (colours + masks) * 4, 0);
    std::memcpy(header.data(), &info, sizeof info);
    if (fields && headerSize > 40) {
        // The three masks sit at bytes 40..51 of the larger header.
        if (headerSize < 52 || headerAt + 52 > bytes.size())
            InvalidBitmap();
        std::memcpy(header.data() + sizeof info, bytes.data() + headerAt + 40, 12);
        header.resize(sizeof info + 12 + colours * 4);
        reinterpret_cast<BITMAPINFOHEADER*>(header.data())->biClrUsed = static_cast<DWORD>(colours);
    } else {
        if (tableAt + masks * 4 + colours * entrySize > bytes.size())
            InvalidBitmap();
        std::uint8_t* out = header.data() + sizeof info;
        std::memcpy(out, bytes.data() + tableAt, masks * 4);
        out += masks * 4;
        tableAt += masks * 4;
        for (std::size_t i = 0; i < colours; ++i) {
            std::memcpy(out + i * 4, bytes.data() + tableAt + i * entrySize, 3);
            out[i * 4 + 3] = 0;
        }
        tableAt += colours * entrySize;
    }

    std::size_t bitsAt = bitsHint;
    if (bitsAt < tableAt || bitsAt >= bytes.size())
        bitsAt = tableAt;
    const std::size_t available = bytes.size() - bitsAt;
    std::size_t needed = 0;
    if (rle) {
        needed = info.biSizeImage;
        if (needed == 0 || needed > available)
            InvalidBitmap();
    } else {
        const std::size_t stride = ((static_cast<std::size_t>(width) * static_cast<std::size_t>(bits) + 31) / 32) * 4;
        needed = stride * static_cast<std::size_t>(height);
        if (needed > available)
            InvalidBitmap();
    }

    WindowDC screen(nullptr);
    HBITMAP bitmap = ::CreateDIBitmap(screen.get(), reinterpret_cast<const BITMAPINFOHEADER*>(header.data()), CBM_INIT,
                                      bytes.data() + bitsAt, reinterpret_cast<const BITMAPINFO*>(header.data()),
                                      DIB_RGB_COLORS);
    if (!bitmap)
        InvalidBitmap();
    return bitmap;
}

} // namespace

HBITMAP LoadBitmapFromBytes(const std::string& bytes)
{
    if (bytes.empty())
        return nullptr;
    if (bytes.size() < 14 || bytes[0] != 'B' || bytes[1] != 'M')
        InvalidBitmap();
    return DibToBitmap(bytes, 14, ReadU32(bytes, 10));
}

HBITMAP LoadBitmapFromDib(const std::string& bytes)
{
    if (bytes.empty())
        return nullptr;
    return DibToBitmap(bytes, 0, 0);
}

HBITMAP ScaleBitmap(HBITMAP source, int width, int height)
{
    if (!source)
        return nullptr;
    BITMAP info{};
    if (!::GetObjectA(source, sizeof info, &info))
        return nullptr;
    WindowDC screen(nullptr);
    HBITMAP result = ::CreateCompatibleBitmap(screen.get(), width, height);
    if (!result)
        return nullptr;
    MemoryDC from(screen.get());
    MemoryDC to(screen.get());
    {
        SelectedObject fromSelected(from.get(), source);
        SelectedObject toSelected(to.get(), result);
        ::SetStretchBltMode(to.get(), COLORONCOLOR);
        ::StretchBlt(to.get(), 0, 0, width, height, from.get(), 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
    }
    return result;
}

SIZE BitmapSize(HBITMAP bitmap)
{
    BITMAP info{};
    if (!bitmap || !::GetObjectA(bitmap, sizeof info, &info))
        return SIZE{0, 0};
    return SIZE{info.bmWidth, info.bmHeight};
}

} // namespace kelt::ui

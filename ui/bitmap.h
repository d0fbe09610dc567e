#pragma once
// Bitmaps from bytes and at other sizes: the kinds' pictures in the catalogue tables, the
// glyphs plug-ins hand over, artwork read from files.
#include <windows.h>

#include <string>

namespace kelt::ui {

// Reads a Windows bitmap file held in memory (file header, info header of any known version,
// colour table, pixels; uncompressed, RLE or bit-field data). Empty bytes give null; bytes
// that are not a valid bitmap raise kelt::Error "Bitmap image is not valid". The caller owns
// the bitmap.
HBITMAP LoadBitmapFromBytes(const std::string& bytes);
// The same for a packed DIB as bitmap resources hold it (the file minus its 14-byte header:
// info header, colour table, pixels).
HBITMAP LoadBitmapFromDib(const std::string& bytes);

// A new bitmap of `width` x `height` holding `source` drawn scaled (pixels picked, never
// blended, so a transparent colour stays exact). Null for a null or unusable source.
HBITMAP ScaleBitmap(HBITMAP source, int width, int height);

// Width and height of a bitmap; 0 x 0 for null or anything that is no bitmap.
SIZE BitmapSize(HBITMAP bitmap);

} // namespace kelt::ui

// SPDX-License-Identifier: GPL-3.0-or-later
/** Picture byte layouts that RTF needs: BMP file headers, placeable metafile headers. */
#pragma once

#include <richtext/objects.h>

#include <string>
#include <string_view>

namespace richtext {

// A BMP file made of a device-independent bitmap (info header, colours, bits)
// by putting the 14-byte file header in front.
std::string DibToBmpFile(std::string_view dib);

// A placeable metafile made of metafile records: the 22-byte header in front,
// with the bounds 0, 0, width, height at 2540 units per inch and its checksum.
std::string MakePlaceableMetafile(std::string_view records, int width, int height);

// A device-dependent bitmap (rows of raw bits, top row first, rows padded to
// widthBytes) as a BMP file; empty when the layout is not one this can convert.
std::string BitmapToBmp(const TPicture& bitmap);

// Whether the picture holds the bytes that its stated size asks for, so that
// decoding it allocates no more than its data can fill: a bitmap's rows must
// all be there, a BMP file's pixel data too (run-length data expands at most
// 128 times). Compressed formats and metafiles are left to their decoders.
bool PictureFitsData(const TPicture& picture);

// Reads the pixel size of a BMP, PNG or JPEG held in memory; false when unknown.
bool PictureSize(const TPicture& picture, int& width, int& height);

}  // namespace richtext

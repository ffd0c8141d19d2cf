// SPDX-License-Identifier: GPL-3.0-or-later
/** Reading picture files for the picture browser: Qt's readers, our PCX decoder, the metafile player. */
#pragma once

#include <QImage>
#include <QString>

#include <memory>

namespace richtext {
class TRichText;
struct TPicture;
}  // namespace richtext

namespace quillet {

// The picture type of a file name, by the text after its last dot, in any
// letter case: JPG 1, GIF 2, JIF 3, BMP 4, DIB 5, RLE 6, TGA 7, PCX 8, else 0.
int PictureType(const QString& fileName);

// Reads a picture file into an image. PCX files go through our decoder,
// metafiles (.WMF) through the engine's player, everything else through Qt's
// readers, which tell BMP, DIB and RLE bitmaps, JPEG, GIF, ICO and TGA by
// their content. Gives a null image and the reason in `error` when the file
// cannot be read or decoded.
QImage LoadPictureFile(const QString& path, QString* error = nullptr);

// Inserts an image at the caret as one picture and raises OnChange. A
// picture wider than the page's text is shown scaled to that width, keeping
// its aspect; the stored picture keeps all its pixels.
void InsertPicture(richtext::TRichText& edit, const QImage& image);

}  // namespace quillet

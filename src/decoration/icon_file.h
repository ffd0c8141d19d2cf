// SPDX-License-Identifier: GPL-3.0-or-later
/** Icons read from icon files: single icon files (.ICO), 16-bit NE modules (.ICL, .DLL, .EXE)
 ** and 32/64-bit PE modules (.DLL, .EXE), recognised by their content, not their name. **/
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

namespace fs = std::filesystem;

// The size every icon is handed out at, as the desktop's standard icon size.
inline constexpr int kSystemIconSize = 32;

// Pixels of one icon image: rows top to bottom, each pixel 0xAARRGGBB with
// straight (not premultiplied) alpha, the layout of QImage::Format_ARGB32.
struct TIconImage {
  int width = 0;
  int height = 0;
  int bitCount = 0;  // colour depth of the image in the file (32 for PNG images)
  std::vector<uint32_t> pixels;

  bool IsNull() const { return width <= 0 || height <= 0; }
  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// One icon: its image at the system icon size (the file's image of that size
// when it has one, else its nearest image scaled), and its largest image as it
// is in the file, for drawing crisply on dense screens.
struct TIconPicture {
  TIconImage icon;
  TIconImage largest;
};

enum class TIconFileKind { None, Ico, Ne, Pe };

// The icons of one file. Parsing reads only the directories; images are
// decoded when asked for. Every length, offset and count read from the file is
// checked against its size: a damaged file yields the icons found before the
// damage, or none.
class TIconFile {
 public:
  TIconFile() = default;
  static TIconFile FromBytes(std::string bytes);
  // A file that cannot be read holds no icons, and so does one larger than
  // kMaxFileSize (it is read whole; no icon file comes near that).
  static TIconFile FromFile(const fs::path& path);
  static constexpr uintmax_t kMaxFileSize = uintmax_t{512} << 20;

  TIconFileKind Kind() const { return kind_; }
  // The number of icons: 1 for an icon file with at least one readable image,
  // the number of icon groups of a module.
  int Count() const { return static_cast<int>(groups_.size()); }
  // Icon `index` (0-based); nothing when the index is out of range or none of
  // the icon's images can be decoded.
  std::optional<TIconPicture> Icon(int index) const;

  // Where an image of an icon lies in the file.
  struct TImageRef {
    size_t offset = 0;
    size_t size = 0;
  };

 private:
  std::string bytes_;
  TIconFileKind kind_ = TIconFileKind::None;
  std::vector<std::vector<TImageRef>> groups_;
};

// The number of icons of a file, as the palette counts them.
int CountIcons(const fs::path& path);

}  // namespace quillet

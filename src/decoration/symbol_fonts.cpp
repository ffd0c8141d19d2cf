// SPDX-License-Identifier: GPL-3.0-or-later
#include <decoration/symbol_fonts.h>

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <map>

namespace quillet {
namespace {

uint32_t Be(std::string_view b, size_t at, size_t n) {
  uint32_t v = 0;
  for (size_t i = 0; i < n; ++i) v = v << 8 | uint8_t(b[at + i]);
  return v;
}

// Reads byte ranges of a font, from memory or from a file; every range is
// checked against the size first.
class TFontBytes {
 public:
  explicit TFontBytes(std::string_view bytes) : bytes_(bytes), size_(bytes.size()) {}
  explicit TFontBytes(const std::filesystem::path& file) : file_(file, std::ios::binary) {
    if (file_) {
      file_.seekg(0, std::ios::end);
      size_ = uint64_t(std::max<std::streamoff>(0, file_.tellg()));
    }
  }
  // The bytes at [offset, offset + count), or false when they are not all there.
  bool Read(uint64_t offset, uint64_t count, std::string& out) {
    if (offset > size_ || count > size_ - offset) return false;
    if (!file_.is_open()) {
      out.assign(bytes_.substr(size_t(offset), size_t(count)));
      return true;
    }
    out.resize(size_t(count));
    file_.seekg(std::streamoff(offset));
    return bool(file_.read(out.data(), std::streamsize(count)));
  }

 private:
  std::string_view bytes_;
  std::ifstream file_;
  uint64_t size_ = 0;
};

bool HasSymbolMap(TFontBytes& font, unsigned index) {
  std::string b;
  if (!font.Read(0, 12, b)) return false;
  uint64_t start = 0;
  // A collection lists the offsets of its faces.
  if (b.compare(0, 4, "ttcf") == 0) {
    uint32_t faces = Be(b, 8, 4);
    if (index >= faces || !font.Read(12 + 4 * uint64_t(index), 4, b)) return false;
    start = Be(b, 0, 4);
    if (!font.Read(start, 12, b)) return false;
  }
  uint32_t version = Be(b, 0, 4);
  if (version != 0x00010000 && version != 0x4F54544F /* OTTO */ && version != 0x74727565 /* true */) {
    return false;
  }
  uint32_t tables = Be(b, 4, 2);
  std::string dir;
  if (!font.Read(start + 12, uint64_t(tables) * 16, dir)) return false;
  for (uint32_t t = 0; t < tables; ++t) {
    if (dir.compare(16 * t, 4, "cmap") != 0) continue;
    uint64_t cmap = Be(dir, 16 * t + 8, 4);
    std::string head, records;
    if (!font.Read(cmap, 4, head)) return false;
    uint32_t count = Be(head, 2, 2);
    if (!font.Read(cmap + 4, uint64_t(count) * 8, records)) return false;
    for (uint32_t r = 0; r < count; ++r) {
      if (Be(records, 8 * r, 2) == 3 && Be(records, 8 * r + 2, 2) == 0) return true;
    }
    return false;
  }
  return false;
}

bool LessNoCase(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(uint8_t(x)) < std::tolower(uint8_t(y));
  });
}

// Whether a font's characters serve no language: fontconfig finds none that
// its character set covers. Colour fonts (emoji) are pictures, not symbols.
bool WritesNoLanguage(FcPattern* font) {
  FcBool color = FcFalse;
  if (FcPatternGetBool(font, FC_COLOR, 0, &color) == FcResultMatch && color) return false;
  FcLangSet* langs = nullptr;
  if (FcPatternGetLangSet(font, FC_LANG, 0, &langs) != FcResultMatch || !langs) return false;
  FcStrSet* names = FcLangSetGetLangs(langs);
  FcStrList* list = FcStrListCreate(names);
  const bool none = FcStrListNext(list) == nullptr;
  FcStrListDone(list);
  FcStrSetDestroy(names);
  return none;
}

}  // namespace

bool HasSymbolCharacterMap(std::string_view fontFile, unsigned index) {
  TFontBytes font(fontFile);
  return HasSymbolMap(font, index);
}

bool FileHasSymbolCharacterMap(const std::filesystem::path& file, unsigned index) {
  TFontBytes font(file);
  return HasSymbolMap(font, index);
}

std::vector<std::filesystem::path> ExtraSymbolFontDirs() { return {"/usr/share/wine/fonts"}; }

std::vector<TFontFace> SymbolFonts() {
  FcConfig* config = FcConfigGetCurrent();
  for (const auto& dir : ExtraSymbolFontDirs()) {
    std::error_code ec;
    if (std::filesystem::is_directory(dir, ec)) {
      FcConfigAppFontAddDir(config, reinterpret_cast<const FcChar8*>(dir.c_str()));
    }
  }
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, FC_FILE, FC_INDEX, FC_LANG, FC_COLOR, nullptr);
  FcFontSet* set = FcFontList(config, pattern, objects);
  std::map<std::string, TFontFace, decltype(&LessNoCase)> byFamily(&LessNoCase);
  for (int i = 0; set && i < set->nfont; ++i) {
    FcChar8* family = nullptr;
    FcChar8* file = nullptr;
    int index = 0;
    if (FcPatternGetString(set->fonts[i], FC_FAMILY, 0, &family) != FcResultMatch ||
        FcPatternGetString(set->fonts[i], FC_FILE, 0, &file) != FcResultMatch) {
      continue;
    }
    FcPatternGetInteger(set->fonts[i], FC_INDEX, 0, &index);
    TFontFace face{reinterpret_cast<const char*>(family), reinterpret_cast<const char*>(file),
                   unsigned(std::max(0, index) & 0xFFFF)};
    face.symbolCodes = FileHasSymbolCharacterMap(face.file, face.index);
    if (!face.symbolCodes && !WritesNoLanguage(set->fonts[i])) continue;
    // A face with symbol codes wins over a Unicode face of the same family.
    auto known = byFamily.find(face.family);
    if (known != byFamily.end() && (known->second.symbolCodes || !face.symbolCodes)) continue;
    byFamily.insert_or_assign(face.family, face);
  }
  if (set) FcFontSetDestroy(set);
  FcObjectSetDestroy(objects);
  FcPatternDestroy(pattern);
  std::vector<TFontFace> fonts;
  for (auto& [family, face] : byFamily) fonts.push_back(std::move(face));
  return fonts;
}

}  // namespace quillet

// SPDX-License-Identifier: GPL-3.0-or-later
/** Finds the symbol fonts: scalable fonts addressed by symbol codes, or whose characters write no language. */
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

// Whether a TrueType or OpenType font (face `index` of a collection) has a
// character map for platform 3 (Microsoft), encoding 0 (Symbol): the fonts
// whose characters are addressed by the codes 0x20-0xFF of the symbol set
// (at U+F020-U+F0FF in the map). False for anything that is not such a font;
// malformed files are read safely.
bool HasSymbolCharacterMap(std::string_view fontFile, unsigned index = 0);
// The same, reading only the table directory and the map headers of a file.
bool FileHasSymbolCharacterMap(const std::filesystem::path& file, unsigned index = 0);

struct TFontFace {
  std::string family;
  std::filesystem::path file;
  unsigned index = 0;  // face number inside a font collection
  // True: the characters are the symbol codes 0x20-0xFF (a Symbol character
  // map). False: a font of Unicode symbols, whose characters are its own.
  bool symbolCodes = true;
};

// Directories of scalable fonts that fontconfig does not list on its own but
// that are known to hold symbol fonts: Debian's fonts-wine installs
// Wingdings, Webdings, Symbol and Marlett into /usr/share/wine/fonts.
std::vector<std::filesystem::path> ExtraSymbolFontDirs();

// The symbol fonts among the scalable fonts that fontconfig lists (with the
// extra directories added to this process's fontconfig configuration), sorted
// by family name without regard to case, one face per family. A symbol font
// has a Symbol character map, or its characters write no language at all
// (OpenSymbol, Standard Symbols PS); colour (emoji) fonts are left out.
std::vector<TFontFace> SymbolFonts();

}  // namespace quillet

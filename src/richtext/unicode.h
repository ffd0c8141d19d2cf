// SPDX-License-Identifier: GPL-3.0-or-later
/** Unicode helpers of the engine: UTF-8, Windows-1252, letter case. */
#pragma once

#include <richtext/defs.h>

#include <optional>
#include <string>
#include <string_view>

namespace richtext {

std::string ToUtf8(std::u32string_view text);
void AppendUtf8(std::string& out, TChar c);
// Writes the UTF-8 bytes of one character (at most 4) and gives their number.
size_t EncodeUtf8(TChar c, char* out);
// Whether the bytes are valid UTF-8.
bool IsUtf8(std::string_view bytes);
// Decodes UTF-8; nothing when the bytes are not valid UTF-8.
std::optional<TString> FromUtf8(std::string_view bytes);
// Decodes UTF-8, taking each byte of an invalid sequence as Windows-1252.
TString FromUtf8Lenient(std::string_view bytes);

// The first `count` characters of a UTF-8 text.
std::string Utf8Prefix(std::string_view text, size_t count);
// Equal but for letter case (simple case folding of each character).
bool Utf8EqualNoCase(std::string_view a, std::string_view b);

// Windows-1252: the character of a byte, and the byte of a character
// (-1 when the code page has none for it).
TChar Cp1252ToUnicode(uint8_t byte);
int UnicodeToCp1252(TChar c);
TString FromCp1252(std::string_view bytes);

// Simple lower case of one character, as the system lower-cases letters.
TChar ToLower(TChar c);

}  // namespace richtext

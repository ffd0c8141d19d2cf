// SPDX-License-Identifier: GPL-3.0-or-later
#include <richtext/unicode.h>

#include <cwctype>

namespace richtext {
namespace {

// Bytes 0x80..0x9F of Windows-1252; the rest of the page equals Latin-1.
// The five bytes that the code page leaves undefined keep their own value.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

TChar Cp1252ToUnicode(uint8_t byte) {
  if (byte >= 0x80 && byte < 0xA0) return kCp1252High[byte - 0x80];
  return byte;
}

int UnicodeToCp1252(TChar c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return int(c);
  for (int i = 0; i < 32; ++i) {
    if (kCp1252High[i] == c) return 0x80 + i;
  }
  return -1;
}

TString FromCp1252(std::string_view bytes) {
  TString out;
  out.reserve(bytes.size());
  for (unsigned char b : bytes) out.push_back(Cp1252ToUnicode(b));
  return out;
}

size_t EncodeUtf8(TChar c, char* out) {
  if (c < 0x80) {
    out[0] = char(c);
    return 1;
  }
  if (c < 0x800) {
    out[0] = char(0xC0 | (c >> 6));
    out[1] = char(0x80 | (c & 0x3F));
    return 2;
  }
  if (c < 0x10000) {
    out[0] = char(0xE0 | (c >> 12));
    out[1] = char(0x80 | ((c >> 6) & 0x3F));
    out[2] = char(0x80 | (c & 0x3F));
    return 3;
  }
  out[0] = char(0xF0 | (c >> 18));
  out[1] = char(0x80 | ((c >> 12) & 0x3F));
  out[2] = char(0x80 | ((c >> 6) & 0x3F));
  out[3] = char(0x80 | (c & 0x3F));
  return 4;
}

void AppendUtf8(std::string& out, TChar c) {
  char bytes[4];
  out.append(bytes, EncodeUtf8(c, bytes));
}

std::string ToUtf8(std::u32string_view text) {
  std::string out;
  out.reserve(text.size());
  for (TChar c : text) AppendUtf8(out, c);
  return out;
}

namespace {

// Decodes one UTF-8 sequence at `i`; gives its length, 0 when invalid.
size_t DecodeUtf8(std::string_view s, size_t i, TChar& c) {
  auto b = [&](size_t k) { return uint8_t(s[k]); };
  uint8_t lead = b(i);
  if (lead < 0x80) {
    c = lead;
    return 1;
  }
  size_t n;
  TChar min;
  if ((lead & 0xE0) == 0xC0) {
    n = 2, c = lead & 0x1F, min = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    n = 3, c = lead & 0x0F, min = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    n = 4, c = lead & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (i + n > s.size()) return 0;
  for (size_t k = 1; k < n; ++k) {
    if ((b(i + k) & 0xC0) != 0x80) return 0;
    c = (c << 6) | (b(i + k) & 0x3F);
  }
  if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
  return n;
}

}  // namespace

bool IsUtf8(std::string_view bytes) {
  TChar c;
  for (size_t i = 0; i < bytes.size();) {
    if (uint8_t(bytes[i]) < 0x80) {
      ++i;
      continue;
    }
    size_t n = DecodeUtf8(bytes, i, c);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

std::optional<TString> FromUtf8(std::string_view bytes) {
  // Every byte but a continuation byte starts a character: the text takes
  // exactly the room it needs.
  size_t count = 0;
  for (char b : bytes) count += (uint8_t(b) & 0xC0) != 0x80;
  TString out;
  out.reserve(count);
  for (size_t i = 0; i < bytes.size();) {
    TChar c;
    size_t n = DecodeUtf8(bytes, i, c);
    if (n == 0) return std::nullopt;
    out.push_back(c);
    i += n;
  }
  return out;
}

TString FromUtf8Lenient(std::string_view bytes) {
  TString out;
  out.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size();) {
    TChar c;
    size_t n = DecodeUtf8(bytes, i, c);
    if (n == 0) {
      out.push_back(Cp1252ToUnicode(uint8_t(bytes[i])));
      ++i;
    } else {
      out.push_back(c);
      i += n;
    }
  }
  return out;
}

std::string Utf8Prefix(std::string_view text, size_t count) {
  TString chars = FromUtf8Lenient(text);
  if (chars.size() > count) chars.resize(count);
  return ToUtf8(chars);
}

TChar ToLower(TChar c) {
  // The alphabets a diary is most often written in, independent of the
  // process locale; the C library for the rest.
  if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 32 : c;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
  if (c < 0x100) return c;
  if (c >= 0x100 && c <= 0x137 && c != 0x130) return c | 1;
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) ? c + 1 : c;
  if (c >= 0x14A && c <= 0x177) return c | 1;
  if (c == 0x178) return 0xFF;
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 32;
  if (c >= 0x410 && c <= 0x42F) return c + 32;
  if (c >= 0x400 && c <= 0x40F) return c + 80;
  return TChar(std::towlower(wint_t(c)));
}

bool Utf8EqualNoCase(std::string_view a, std::string_view b) {
  TString x = FromUtf8Lenient(a), y = FromUtf8Lenient(b);
  if (x.size() != y.size()) return false;
  for (size_t i = 0; i < x.size(); ++i) {
    if (ToLower(x[i]) != ToLower(y[i])) return false;
  }
  return true;
}

}  // namespace richtext

// SPDX-License-Identifier: GPL-3.0-or-later
#include <richtext/header.h>

#include <richtext/unicode.h>

#include <algorithm>
#include <cstdlib>

namespace richtext {

int32_t MulDiv(int32_t a, int32_t b, int32_t c) {
  if (c == 0) return -1;
  int64_t p = int64_t(a) * b;
  int64_t half = std::llabs(c) / 2;
  bool negative = (p < 0) != (c < 0);
  int64_t q = (std::llabs(p) + half) / std::llabs(c);
  return int32_t(std::clamp<int64_t>(negative ? -q : q, INT32_MIN, INT32_MAX));
}

TTextHeader::TTextHeader()
    : colors{0x000000, 0x0000FF, 0x008000, 0xFF0000, 0x00FFFF, 0xFF00FF, 0x800080, 0x000080,
             0x00FF00, 0xFFFF00, 0x808000, 0x800000, 0xFFFFFF, 0xC0C0C0, 0x808080, 0x000000} {
  for (int i = 0; i < kTabs; ++i) tabOrder[size_t(i)] = uint8_t(i);
}

int TTextHeader::TextWidthPixels() const {
  return TwipsToPixelsX(pageWidth - marginLeft - marginRight);
}

int TTextHeader::TextHeightPixels() const {
  return TwipsToPixelsY(pageHeight - marginTop - marginBottom);
}

void TTextHeader::SetResolution(int x, int y) {
  xResolution = x;
  yResolution = y;
  for (TTabStop& t : tabs) t.pixels = TwipsToPixelsX(t.position);
}

int TTextHeader::FontNumber(const std::string& name) {
  std::string wanted = Utf8Prefix(name, kFontNameLength);
  for (int i = 0; i < kFonts; ++i) {
    TFontEntry& f = fonts[size_t(i)];
    if (f.name.empty()) {
      f.name = wanted;
      f.family = 0;
      f.charset = 0;
      return i;
    }
    if (Utf8EqualNoCase(f.name, wanted)) return i;
  }
  return kFonts;
}

int TTextHeader::ColorNumber(uint32_t color) {
  int size = std::clamp(colorTableSize, 15, kColors);
  for (int i = 0; i < size; ++i) {
    if (colors[size_t(i)] == color) return i;
  }
  if (size < kColors) {
    colors[size_t(size)] = color;
    colorTableSize = size + 1;
    return size;
  }
  auto distance = [&](uint32_t c) {
    int d = 0;
    for (int shift : {0, 8, 16}) d += std::abs(int((c >> shift) & 0xFF) - int((color >> shift) & 0xFF));
    return d;
  };
  int best = 0;
  for (int i = 1; i < size; ++i) {
    if (distance(colors[size_t(i)]) < distance(colors[size_t(best)])) best = i;
  }
  return best;
}

int32_t TTextHeader::TabGridStep() const {
  if (xResolution <= 0) return 0;
  return inchUnits ? 144 : 141;
}

int32_t TTextHeader::RoundToTabGrid(int32_t v) const {
  const int32_t g = TabGridStep();
  if (g == 0) return v;
  // To the nearest step, halves up, for negative values as for positive ones,
  // so that a value on the grid stays where it is.
  int64_t r = int64_t(v) + g / 2 + 1;
  int64_t steps = r >= 0 ? r / g : -((-r + g - 1) / g);
  return int32_t(std::clamp<int64_t>(steps * g, INT32_MIN, INT32_MAX));
}

int TTextHeader::FindTabExact(int32_t position, TTabKind kind, uint64_t set) const {
  for (int i = 0; i < kTabs; ++i) {
    const TTabStop& t = tabs[size_t(i)];
    if (!(set >> i & 1)) continue;
    if (t.position == position && t.position != 0 && (kind == tkAll || t.kind == kind)) return i;
  }
  return -1;
}

int TTextHeader::FindTabInSet(int32_t position, TTabKind kind, uint64_t set) const {
  int found = FindTabExact(position, kind, set);
  if (found < 0) found = FindTabExact(RoundToTabGrid(position), kind, set);
  return found;
}

int TTextHeader::FindTab(int32_t position, TTabKind kind) const {
  return FindTabInSet(position, kind, ~uint64_t(0));
}

void TTextHeader::AddTab(int32_t position, TTabKind kind) {
  scratchMask = 0;
  if (position <= 0) return;
  int found = FindTabExact(position, kind, ~uint64_t(0));
  if (found >= 0) {
    scratchMask = uint64_t(1) << found;
    return;
  }
  for (int attempt = 0; attempt < 2; ++attempt) {
    for (int i = 0; i < kTabs; ++i) {
      TTabStop& t = tabs[size_t(i)];
      if (t.position != 0) continue;
      t.position = position;
      t.pixels = TwipsToPixelsX(position);
      t.kind = kind == tkAll ? defaultTabKind : kind;
      scratchMask = uint64_t(1) << i;
      SortTabs();
      return;
    }
    if (attempt == 0 && onTabsFull) {
      onTabsFull();
    } else {
      return;
    }
  }
}

void TTextHeader::CollectTabs(uint64_t used) {
  if (used == lastUsedTabs_) return;
  lastUsedTabs_ = used;
  for (int i = 0; i < kTabs; ++i) {
    if (!(used >> i & 1)) tabs[size_t(i)] = TTabStop{};
  }
  SortTabs();
}

void TTextHeader::SortTabs() {
  auto key = [this](uint8_t i) -> int32_t {
    if (i >= kTabs || tabs[i].position == 0) return 0xFFFFFF;
    return tabs[i].position;
  };
  for (int i = 0; i < kTabs; ++i) tabOrder[size_t(i)] = uint8_t(i);
  std::stable_sort(tabOrder.begin(), tabOrder.end(),
                   [&](uint8_t a, uint8_t b) { return key(a) < key(b); });
}

}  // namespace richtext

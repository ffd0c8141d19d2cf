// SPDX-License-Identifier: GPL-3.0-or-later
#include "icon_builders.h"

namespace quillet::testing {
namespace {

void Put16(std::string& out, uint32_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void Put32(std::string& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

}  // namespace

void Poke16(std::string& bytes, size_t at, uint32_t value) {
  bytes[at] = static_cast<char>(value & 0xFF);
  bytes[at + 1] = static_cast<char>((value >> 8) & 0xFF);
}
void Poke32(std::string& bytes, size_t at, uint32_t value) {
  Poke16(bytes, at, value & 0xFFFF);
  Poke16(bytes, at + 2, value >> 16);
}

std::string MakeDib(int bitCount, int width, int height, const std::vector<uint32_t>& palette,
                    const std::function<uint32_t(int, int)>& color, const std::function<bool(int, int)>& masked) {
  std::string out;
  Put32(out, 40);
  Put32(out, width);
  Put32(out, 2 * height);
  Put16(out, 1);
  Put16(out, bitCount);
  for (int i = 0; i < 3; ++i) Put32(out, 0);
  Put32(out, 0);
  Put32(out, bitCount <= 8 ? static_cast<uint32_t>(palette.size()) : 0);
  Put32(out, 0);
  for (uint32_t c : palette) Put32(out, c & 0xFFFFFF);
  const size_t stride = (static_cast<size_t>(width) * bitCount + 31) / 32 * 4;
  for (int y = height - 1; y >= 0; --y) {
    std::string row(stride, '\0');
    for (int x = 0; x < width; ++x) {
      const uint32_t v = color(x, y);
      if (bitCount <= 8) {
        const int bit = x * bitCount;
        row[bit / 8] = static_cast<char>(row[bit / 8] | (v << (8 - bitCount - bit % 8)));
      } else {
        for (int b = 0; b < bitCount / 8; ++b) row[x * (bitCount / 8) + b] = static_cast<char>((v >> (8 * b)) & 0xFF);
      }
    }
    out += row;
  }
  const size_t maskStride = (static_cast<size_t>(width) + 31) / 32 * 4;
  for (int y = height - 1; y >= 0; --y) {
    std::string row(maskStride, '\0');
    for (int x = 0; x < width; ++x)
      if (masked(x, y)) row[x / 8] = static_cast<char>(row[x / 8] | (0x80 >> (x % 8)));
    out += row;
  }
  return out;
}

std::string SolidDib(int size, uint32_t argb) {
  return MakeDib(32, size, size, {}, [&](int, int) { return argb; }, [&](int, int) { return (argb >> 24) == 0; });
}

// Layout: DOS header, PE header, one section ".rsrc" at file offset 0x400 and
// address 0x1000 holding: the root directory (types 3 and 14), a directory of
// names per type, a language directory per name, the data entries, the data.
std::string MakePe(bool pe64, const std::vector<icons::TIconImages>& icons, PeLayout* layout) {
  struct Resource {
    uint32_t type, id;
    std::string data;
  };
  std::vector<Resource> iconRes, groupRes;
  uint32_t nextIconId = 1;
  for (size_t g = 0; g < icons.size(); ++g) {
    std::string group;
    Put16(group, 0);
    Put16(group, 1);
    Put16(group, static_cast<uint32_t>(icons[g].size()));
    for (const std::string& image : icons[g]) {
      group.append(12, '\0');  // size and depth are not what readers pick by here
      Poke32(group, group.size() - 4, static_cast<uint32_t>(image.size()));
      Put16(group, nextIconId);
      iconRes.push_back({3, nextIconId++, image});
    }
    groupRes.push_back({14, static_cast<uint32_t>(g + 1), group});
  }
  const size_t kSectionOffset = 0x400, kSectionRva = 0x1000;
  const std::vector<std::vector<Resource>*> types = {&iconRes, &groupRes};

  // Directory sizes, then positions.
  const size_t total = iconRes.size() + groupRes.size();
  const size_t root = 0;
  const size_t nameDirs = 16 + 8 * types.size();
  size_t languageDirs = nameDirs;
  for (const auto* t : types) languageDirs += 16 + 8 * t->size();
  const size_t dataEntries = languageDirs + total * (16 + 8);
  size_t data = dataEntries + 16 * total;

  std::string rsrc;
  auto dir = [&](uint16_t ids) {
    rsrc.append(12, '\0');
    Put16(rsrc, 0);
    Put16(rsrc, ids);
  };
  // Root.
  dir(static_cast<uint16_t>(types.size()));
  size_t at = nameDirs;
  for (const auto* t : types) {
    Put32(rsrc, t->front().type);
    Put32(rsrc, 0x80000000u | static_cast<uint32_t>(at));
    at += 16 + 8 * t->size();
  }
  // Names.
  size_t language = languageDirs;
  for (const auto* t : types) {
    dir(static_cast<uint16_t>(t->size()));
    for (const Resource& r : *t) {
      Put32(rsrc, r.id);
      Put32(rsrc, 0x80000000u | static_cast<uint32_t>(language));
      language += 24;
    }
  }
  // Languages, each with one entry pointing at a data entry.
  size_t entry = dataEntries;
  for (const auto* t : types) {
    for (size_t i = 0; i < t->size(); ++i) {
      dir(1);
      Put32(rsrc, 0x409);
      Put32(rsrc, static_cast<uint32_t>(entry));
      entry += 16;
    }
  }
  // Data entries, then data.
  if (layout) layout->groupDataEntries.clear();
  std::string blobs;
  for (const auto* t : types) {
    for (const Resource& r : *t) {
      if (layout && r.type == 14) layout->groupDataEntries.push_back(kSectionOffset + rsrc.size());
      Put32(rsrc, static_cast<uint32_t>(kSectionRva + data + blobs.size()));
      Put32(rsrc, static_cast<uint32_t>(r.data.size()));
      Put32(rsrc, 0);
      Put32(rsrc, 0);
      blobs += r.data;
      blobs.resize((blobs.size() + 3) / 4 * 4, '\0');
    }
  }
  (void)root;
  rsrc += blobs;
  rsrc.resize((rsrc.size() + 0x1FF) / 0x200 * 0x200, '\0');

  std::string out(0x40, '\0');
  out[0] = 'M';
  out[1] = 'Z';
  Poke32(out, 0x3C, 0x40);
  out += std::string("PE\0\0", 4);
  const uint16_t optionalSize = pe64 ? 240 : 224;
  Put16(out, pe64 ? 0x8664 : 0x14C);
  Put16(out, 1);
  out.append(12, '\0');
  Put16(out, optionalSize);
  Put16(out, 0x2102);  // executable, DLL
  const size_t optional = out.size();
  out.append(optionalSize, '\0');
  Poke16(out, optional, pe64 ? 0x20B : 0x10B);
  const size_t dirs = optional + (pe64 ? 112 : 96);
  Poke32(out, optional + (pe64 ? 108 : 92), 16);
  Poke32(out, dirs + 16, kSectionRva);
  Poke32(out, dirs + 20, static_cast<uint32_t>(data + blobs.size()));
  const size_t section = out.size();
  out += std::string(".rsrc\0\0\0", 8);
  Put32(out, static_cast<uint32_t>(rsrc.size()));
  Put32(out, kSectionRva);
  Put32(out, static_cast<uint32_t>(rsrc.size()));
  Put32(out, kSectionOffset);
  out.append(16, '\0');
  out.resize(kSectionOffset, '\0');
  out += rsrc;
  if (layout) {
    layout->optionalHeader = optional;
    layout->sectionHeader = section;
    layout->resources = kSectionOffset;
  }
  return out;
}

}  // namespace quillet::testing

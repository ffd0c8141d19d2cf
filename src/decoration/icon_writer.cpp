// SPDX-License-Identifier: GPL-3.0-or-later
#include <decoration/icon_writer.h>

#include <decoration/icon_image.h>
#include <decoration/icon_qimage.h>

#include <base/error.h>

#include <QBuffer>
#include <QImage>

#include <algorithm>

namespace quillet::icons {
namespace {

void Put8(std::string& out, uint32_t v) { out.push_back(static_cast<char>(v & 0xFF)); }
void Put16(std::string& out, uint32_t v) {
  Put8(out, v);
  Put8(out, v >> 8);
}
void Put32(std::string& out, uint32_t v) {
  Put16(out, v);
  Put16(out, v >> 16);
}
void Set16(std::string& out, size_t at, uint32_t v) {
  out[at] = static_cast<char>(v & 0xFF);
  out[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
void Set32(std::string& out, size_t at, uint32_t v) {
  Set16(out, at, v);
  Set16(out, at + 2, v >> 16);
}

// The first 12 bytes of an icon directory entry (width, height, colours,
// reserved, planes, bit count, length); the caller adds the offset or id.
void PutEntryHead(std::string& out, const std::string& image) {
  const auto info = PeekImage(image);
  if (!info) throw Error("icon image cannot be read back");
  Put8(out, info->width >= 256 ? 0 : info->width);
  Put8(out, info->height >= 256 ? 0 : info->height);
  Put8(out, info->bitCount < 8 ? 1u << info->bitCount : 0);
  Put8(out, 0);
  Put16(out, 1);
  Put16(out, info->bitCount);
  Put32(out, static_cast<uint32_t>(image.size()));
}

}  // namespace

std::string EncodeDib(const TIconImage& image) {
  std::string out;
  const int w = image.width, h = image.height;
  const size_t andStride = (static_cast<size_t>(w) + 31) / 32 * 4;
  Put32(out, 40);
  Put32(out, w);
  Put32(out, 2 * h);
  Put16(out, 1);
  Put16(out, 32);
  Put32(out, 0);
  Put32(out, static_cast<uint32_t>(w * h * 4 + andStride * h));
  for (int i = 0; i < 4; ++i) Put32(out, 0);
  for (int y = h - 1; y >= 0; --y)
    for (int x = 0; x < w; ++x) Put32(out, image.At(x, y));
  for (int y = h - 1; y >= 0; --y) {
    std::string row(andStride, '\0');
    for (int x = 0; x < w; ++x)
      if ((image.At(x, y) >> 24) == 0) row[x / 8] = static_cast<char>(row[x / 8] | (0x80 >> (x % 8)));
    out += row;
  }
  return out;
}

std::string EncodePng(const TIconImage& image) {
  const QImage q = ToQImage(image);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!q.save(&buffer, "PNG")) throw Error("cannot encode an icon image as PNG");
  return bytes.toStdString();
}

std::string BuildIcoFile(const TIconImages& images) {
  std::string out;
  Put16(out, 0);
  Put16(out, 1);
  Put16(out, static_cast<uint32_t>(images.size()));
  uint32_t offset = static_cast<uint32_t>(6 + 16 * images.size());
  for (const std::string& image : images) {
    PutEntryHead(out, image);
    Put32(out, offset);
    offset += static_cast<uint32_t>(image.size());
  }
  for (const std::string& image : images) out += image;
  return out;
}

// Layout: a 128-byte DOS header, the 64-byte NE header, the resource table,
// the resident and non-resident name tables and an empty entry table, then the
// resources, each starting on an alignment unit.
std::string BuildIconLibrary(const std::vector<TIconImages>& icons, std::string_view moduleName) {
  constexpr size_t kNe = 0x80;
  constexpr uint16_t kFlags = 0x1030;  // moveable, pure, discardable
  size_t imageCount = 0, total = 0;
  for (const TIconImages& icon : icons) {
    imageCount += icon.size();
    total += 6 + 14 * icon.size() + 512;
    for (const std::string& image : icon) total += image.size() + 512;
  }
  if (imageCount > 0x7FFF || icons.size() > 0x7FFF) throw Error("too many icons for an icon library");

  const std::string name(moduleName.substr(0, 255));
  const size_t resourceTable = 0x40;  // offsets from here on are relative to the NE header
  const size_t resourceTableSize = 2 + (8 + 12 * imageCount) + (8 + 12 * icons.size()) + 2 + 1;
  const size_t residentNames = resourceTable + resourceTableSize;
  const size_t moduleRefs = residentNames + 1 + name.size() + 2 + 1;
  const size_t importedNames = moduleRefs;
  const size_t entryTable = importedNames + 1;
  const size_t nonResident = entryTable + 2;
  const size_t nonResidentSize = 1 + name.size() + 2 + 1;
  const size_t dataStart = kNe + nonResident + nonResidentSize;

  uint16_t shift = 4;
  while ((size_t{0xFFFF} << shift) < dataStart + total) {
    if (++shift > 15) throw Error("icons too large for an icon library");
  }
  const size_t unit = size_t{1} << shift;

  // Resource lengths count whole alignment units; a group gives each image's
  // exact length, as readers of icon files check it.
  std::vector<std::string> groups;
  std::vector<std::string> images;
  for (const TIconImages& icon : icons) {
    std::string group;
    Put16(group, 0);
    Put16(group, 1);
    Put16(group, static_cast<uint32_t>(icon.size()));
    for (const std::string& image : icon) {
      images.push_back(image);
      PutEntryHead(group, image);
      Put16(group, static_cast<uint32_t>(images.size()));  // RT_ICON ids count from 1
    }
    groups.push_back(std::move(group));
  }

  // Place the resources.
  std::vector<std::pair<size_t, size_t>> placed;  // offset, length in units
  size_t at = (dataStart + unit - 1) / unit * unit;
  auto place = [&](const std::string& data) {
    placed.emplace_back(at / unit, (data.size() + unit - 1) / unit);
    at += (data.size() + unit - 1) / unit * unit;
  };
  for (const std::string& image : images) place(image);
  for (const std::string& group : groups) place(group);

  std::string out(kNe, '\0');
  out[0] = 'M';
  out[1] = 'Z';
  Set16(out, 0x02, kNe % 512);
  Set16(out, 0x04, 1);
  Set16(out, 0x08, 4);  // header paragraphs
  Set16(out, 0x18, 0x40);
  Set32(out, 0x3C, kNe);

  std::string ne(0x40, '\0');
  ne[0] = 'N';
  ne[1] = 'E';
  ne[2] = 5;
  ne[3] = 10;
  Set16(ne, 0x04, entryTable);
  Set16(ne, 0x06, 2);
  Set16(ne, 0x0C, 0x8000);  // a library module
  Set16(ne, 0x20, nonResidentSize);
  Set16(ne, 0x22, resourceTable);  // no segments
  Set16(ne, 0x24, resourceTable);
  Set16(ne, 0x26, residentNames);
  Set16(ne, 0x28, moduleRefs);
  Set16(ne, 0x2A, importedNames);
  Set32(ne, 0x2C, kNe + nonResident);
  Set16(ne, 0x32, shift);
  ne[0x36] = 2;  // Windows
  Set16(ne, 0x3E, 0x030A);
  out += ne;

  Put16(out, shift);
  size_t index = 0;
  auto putType = [&](uint16_t type, size_t count) {
    Put16(out, 0x8000 | type);
    Put16(out, static_cast<uint32_t>(count));
    Put32(out, 0);
    for (size_t i = 0; i < count; ++i, ++index) {
      Put16(out, static_cast<uint32_t>(placed[index].first));
      Put16(out, static_cast<uint32_t>(placed[index].second));
      Put16(out, kFlags);
      Put16(out, static_cast<uint32_t>(0x8000 | (i + 1)));
      Put32(out, 0);
    }
  };
  putType(3, images.size());
  putType(14, groups.size());
  Put16(out, 0);  // end of types
  Put8(out, 0);   // no resource names
  auto putName = [&](void) {
    Put8(out, static_cast<uint32_t>(name.size()));
    out += name;
    Put16(out, 0);
    Put8(out, 0);
  };
  putName();       // resident names: the module name
  Put8(out, 0);    // imported names
  Put16(out, 0);   // entry table: no entries
  putName();       // non-resident names: the description
  if (out.size() != dataStart) throw Error("icon library layout error");

  index = 0;
  auto putData = [&](const std::string& data) {
    out.resize(placed[index].first * unit, '\0');
    out += data;
    ++index;
  };
  for (const std::string& image : images) putData(image);
  for (const std::string& group : groups) putData(group);
  out.resize((out.size() + unit - 1) / unit * unit, '\0');
  return out;
}

}  // namespace quillet::icons

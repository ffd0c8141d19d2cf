// SPDX-License-Identifier: GPL-3.0-or-later
// Finding the icons of a file: the directory of an icon file, or the
// RT_GROUP_ICON and RT_ICON resources of an NE or PE module.
#include <decoration/icon_file.h>

#include <decoration/byte_reader.h>
#include <decoration/icon_image.h>

#include <base/safe_file.h>

#include <algorithm>
#include <map>

namespace quillet {
namespace {

using icons::InRange;
using icons::TByteReader;
using TImageRef = TIconFile::TImageRef;
using TGroups = std::vector<std::vector<TImageRef>>;

constexpr uint16_t kRtIcon = 3;
constexpr uint16_t kRtGroupIcon = 14;
// Bounds on counts read from a file, far above any real one, so that a damaged
// count cannot make a loop run for long even where each step is checked.
constexpr uint32_t kMaxEntries = 65536;

// An icon file: reserved 0, type 1 (icon) or 2 (cursor), a count and one
// 16-byte entry per image (size, colours, planes, bits, length, offset).
bool LooksLikeIco(TByteReader& r) {
  return r.Has(0, 6) && r.U16(0) == 0 && (r.U16(2) == 1 || r.U16(2) == 2) && r.U16(4) > 0;
}

TGroups ParseIco(TByteReader& r) {
  std::vector<TImageRef> images;
  const uint16_t count = r.U16(4);
  for (uint32_t i = 0; i < count; ++i) {
    const uint64_t entry = 6 + 16ull * i;
    if (!r.Has(entry, 16)) break;
    const uint32_t length = r.U32(entry + 8);
    const uint32_t offset = r.U32(entry + 12);
    if (!InRange(r.size(), offset, length) || length == 0) continue;
    images.push_back({offset, length});
  }
  TGroups groups;
  if (!images.empty()) groups.push_back(std::move(images));
  return groups;
}

// A group icon resource lists its images by RT_ICON id: a 6-byte header like an
// icon file's, then 14-byte entries whose last field is the id.
std::vector<TImageRef> ResolveGroup(std::string_view group, const std::map<uint16_t, TImageRef>& iconsById) {
  TByteReader r(group);
  std::vector<TImageRef> images;
  const uint16_t count = r.U16(4);
  if (!r.ok()) return images;
  for (uint32_t i = 0; i < count; ++i) {
    const uint64_t entry = 6 + 14ull * i;
    if (!r.Has(entry, 14)) break;
    const auto found = iconsById.find(r.U16(entry + 12));
    if (found != iconsById.end()) images.push_back(found->second);
  }
  return images;
}

// A 16-bit NE module: the resource table starts with the alignment shift, then
// per type an 8-byte header (type id, count, reserved) and 12-byte entries
// (offset and length in alignment units, flags, id, two reserved words); a
// zero type id ends it.
TGroups ParseNe(TByteReader& r, uint64_t header) {
  TGroups groups;
  const uint64_t table = header + r.U16(header + 0x24);
  const uint16_t shift = r.U16(table);
  if (!r.ok() || shift > 24) return groups;

  std::map<uint16_t, TImageRef> iconsById;
  std::vector<TImageRef> groupData;  // in resource order; size 0 marks a damaged one
  uint64_t at = table + 2;
  for (uint32_t types = 0; types < kMaxEntries; ++types) {
    const uint16_t type = r.U16(at);
    if (!r.ok() || type == 0) break;
    const uint16_t count = r.U16(at + 2);
    at += 8;
    for (uint32_t i = 0; i < count; ++i, at += 12) {
      if (!r.Has(at, 12)) return groups;  // the table itself is cut: nothing is trustworthy
      const uint64_t offset = static_cast<uint64_t>(r.U16(at)) << shift;
      const uint64_t length = static_cast<uint64_t>(r.U16(at + 2)) << shift;
      const uint16_t id = r.U16(at + 6);
      // Lengths are rounded up to the alignment; the last resource may end
      // before its last unit does.
      const bool inside = offset < r.size() && length > 0;
      const TImageRef ref{offset, inside ? std::min<uint64_t>(length, r.size() - offset) : 0};
      if (type == (0x8000 | kRtIcon) && (id & 0x8000) && inside) iconsById.emplace(id & 0x7FFF, ref);
      if (type == (0x8000 | kRtGroupIcon)) groupData.push_back(ref);
    }
  }
  for (const TImageRef& g : groupData) {
    if (g.size == 0) break;  // the icons before the damage
    groups.push_back(ResolveGroup(r.Slice(g.offset, g.size), iconsById));
  }
  return groups;
}

// A PE module's resources: a tree of directories (type, name, language), each
// a 16-byte header with the counts of named and numbered entries, then 8-byte
// entries (name or id, offset with the high bit set for a subdirectory).
class PeResources {
 public:
  PeResources(TByteReader& r, uint64_t header) : r_(r) {
    const uint64_t coff = header + 4;
    const uint16_t sections = r.U16(coff + 2);
    const uint16_t optionalSize = r.U16(coff + 16);
    const uint64_t optional = coff + 20;
    const uint16_t magic = r.U16(optional);
    uint64_t dirs = 0, dirCount = 0;
    if (magic == 0x10B) {
      dirCount = r.U32(optional + 92);
      dirs = optional + 96;
    } else if (magic == 0x20B) {
      dirCount = r.U32(optional + 108);
      dirs = optional + 112;
    }
    if (!r.ok() || dirCount < 3 || dirs + 24 > optional + optionalSize) return;
    const uint32_t resourceRva = r.U32(dirs + 16);
    const uint64_t table = optional + optionalSize;
    for (uint32_t i = 0; i < sections; ++i) {
      const uint64_t s = table + 40ull * i;
      if (!r.Has(s, 40)) break;
      sections_.push_back({r.U32(s + 12), std::max(r.U32(s + 8), r.U32(s + 16)), r.U32(s + 16), r.U32(s + 20)});
    }
    if (resourceRva == 0 || !r.ok()) return;
    const auto base = ToOffset(resourceRva, 16);
    if (base) base_ = *base, valid_ = true;
  }

  bool valid() const { return valid_; }
  uint64_t root() const { return base_; }

  struct Entry {
    uint32_t id;       // numbered entries only; named ones carry kNamed
    bool directory;
    uint64_t target;   // file offset of the subdirectory or data entry
  };
  static constexpr uint32_t kNamed = 0xFFFFFFFF;

  std::vector<Entry> Directory(uint64_t offset) {
    std::vector<Entry> entries;
    const uint32_t count = static_cast<uint32_t>(r_.U16(offset + 12)) + r_.U16(offset + 14);
    if (!r_.ok() || count > kMaxEntries) return entries;
    for (uint32_t i = 0; i < count; ++i) {
      const uint64_t e = offset + 16 + 8ull * i;
      if (!r_.Has(e, 8)) break;
      const uint32_t name = r_.U32(e);
      const uint32_t target = r_.U32(e + 4);
      entries.push_back({(name & 0x80000000u) ? kNamed : name, (target & 0x80000000u) != 0,
                         base_ + (target & 0x7FFFFFFFu)});
    }
    return entries;
  }

  // The data of a resource: below a name, the first language's data entry.
  std::optional<TImageRef> Data(const Entry& entry) {
    uint64_t leaf = entry.target;
    if (entry.directory) {
      const auto languages = Directory(entry.target);
      if (languages.empty() || languages.front().directory) return std::nullopt;
      leaf = languages.front().target;
    }
    const uint32_t rva = r_.U32(leaf);
    const uint32_t size = r_.U32(leaf + 4);
    if (!r_.ok() || size == 0) return std::nullopt;
    const auto offset = ToOffset(rva, size);
    if (!offset) return std::nullopt;
    return TImageRef{*offset, size};
  }

 private:
  struct Section {
    uint32_t rva, virtualSize, rawSize, rawOffset;
  };

  std::optional<uint64_t> ToOffset(uint32_t rva, uint64_t length) const {
    for (const Section& s : sections_) {
      if (rva < s.rva || rva - s.rva >= s.virtualSize) continue;
      const uint64_t into = rva - s.rva;
      if (into + length > s.rawSize) return std::nullopt;
      const uint64_t offset = s.rawOffset + into;
      if (!InRange(r_.size(), offset, length)) return std::nullopt;
      return offset;
    }
    return std::nullopt;
  }

  TByteReader& r_;
  std::vector<Section> sections_;
  uint64_t base_ = 0;
  bool valid_ = false;
};

TGroups ParsePe(TByteReader& r, uint64_t header) {
  TGroups groups;
  PeResources res(r, header);
  if (!res.valid()) return groups;
  std::map<uint16_t, TImageRef> iconsById;
  std::vector<std::optional<TImageRef>> groupData;  // in resource order
  for (const auto& type : res.Directory(res.root())) {
    if (!type.directory || (type.id != kRtIcon && type.id != kRtGroupIcon)) continue;
    for (const auto& name : res.Directory(type.target)) {
      if (type.id == kRtGroupIcon) {
        groupData.push_back(res.Data(name));
      } else if (name.id != PeResources::kNamed && name.id <= 0xFFFF) {
        if (const auto data = res.Data(name)) iconsById.emplace(static_cast<uint16_t>(name.id), *data);
      }
    }
  }
  for (const auto& g : groupData) {
    if (!g) break;  // the icons before the damage
    groups.push_back(ResolveGroup(r.Slice(g->offset, g->size), iconsById));
  }
  return groups;
}

// How well an image serves as the icon at the system size: the exact size
// first, then the smallest larger one (scaled down), then the largest smaller
// one; among equal sizes the deepest colours.
struct Candidate {
  TImageRef ref;
  icons::TImageInfo info;
};

bool BetterAtSystemSize(const Candidate& a, const Candidate& b) {
  auto rank = [](const icons::TImageInfo& i) {
    const int side = std::max(i.width, i.height);
    if (side == kSystemIconSize) return std::pair{0, 0};
    if (side > kSystemIconSize) return std::pair{1, side};
    return std::pair{2, -side};
  };
  const auto ra = rank(a.info), rb = rank(b.info);
  if (ra != rb) return ra < rb;
  return a.info.bitCount > b.info.bitCount;
}

bool Larger(const Candidate& a, const Candidate& b) {
  const int64_t areaA = int64_t{a.info.width} * a.info.height, areaB = int64_t{b.info.width} * b.info.height;
  if (areaA != areaB) return areaA > areaB;
  return a.info.bitCount > b.info.bitCount;
}

// The first of the candidates, in the given order, that decodes.
std::optional<TIconImage> FirstDecoded(std::vector<Candidate> candidates, std::string_view bytes,
                                       bool (*better)(const Candidate&, const Candidate&)) {
  std::stable_sort(candidates.begin(), candidates.end(), better);
  for (const Candidate& c : candidates) {
    if (auto image = icons::DecodeImage(bytes.substr(c.ref.offset, c.ref.size))) return image;
  }
  return std::nullopt;
}

}  // namespace

TIconFile TIconFile::FromBytes(std::string bytes) {
  TIconFile file;
  file.bytes_ = std::move(bytes);
  TByteReader r(file.bytes_);
  if (LooksLikeIco(r)) {
    file.kind_ = TIconFileKind::Ico;
    file.groups_ = ParseIco(r);
  } else if (r.Has(0, 0x40) && r.U16(0) == 0x5A4D) {  // "MZ"
    const uint32_t header = r.U32(0x3C);
    if (r.Has(header, 4) && r.U16(header) == 0x454E) {  // "NE"
      file.kind_ = TIconFileKind::Ne;
      file.groups_ = ParseNe(r, header);
    } else if (r.Has(header, 4) && r.U32(header) == 0x00004550) {  // "PE\0\0"
      file.kind_ = TIconFileKind::Pe;
      file.groups_ = ParsePe(r, header);
    }
  }
  return file;
}

TIconFile TIconFile::FromFile(const fs::path& path) {
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return {};
  const uintmax_t size = fs::file_size(path, ec);
  if (ec || size > kMaxFileSize) return {};
  try {
    return FromBytes(ReadWholeFile(path));
  } catch (const std::exception&) {
    return {};
  }
}

std::optional<TIconPicture> TIconFile::Icon(int index) const {
  if (index < 0 || index >= Count()) return std::nullopt;
  const std::string_view bytes(bytes_);
  std::vector<Candidate> candidates;
  for (const TImageRef& ref : groups_[index]) {
    if (const auto info = icons::PeekImage(bytes.substr(ref.offset, ref.size))) candidates.push_back({ref, *info});
  }
  auto icon = FirstDecoded(candidates, bytes, BetterAtSystemSize);
  if (!icon) return std::nullopt;
  auto largest = FirstDecoded(candidates, bytes, Larger);
  TIconPicture picture;
  picture.icon = icons::ScaleImage(*icon, kSystemIconSize);
  picture.largest = largest ? std::move(*largest) : *icon;
  return picture;
}

int CountIcons(const fs::path& path) { return TIconFile::FromFile(path).Count(); }

}  // namespace quillet

// SPDX-License-Identifier: GPL-3.0-or-later
// The RTF reader's pictures and objects: picture data, picture files (never
// opened), tagged objects.
#include <richtext/picture_codec.h>
#include <richtext/rtf_reader_impl.h>
#include <richtext/unicode.h>

#include <algorithm>

namespace richtext {

void TRtfReader::Impl::InsertTaggedObject() {
  if (!RoomForObject()) return;
  TTextObject* o = doc_.FindObject(objTag_, 0);
  if (!o) o = doc_.AddObject(nullptr, objTag_ == 0 ? -1 : objTag_);
  o->width = objW_;
  o->height = objH_;
  o->tagged = true;
  if (!o->picture && doc_.OnProvideObject) doc_.OnProvideObject(o->tag, *o);
  InsertObject(o, kObjectByTag, o->tag);
}

void TRtfReader::Impl::InsertObject(TTextObject* o, TChar code, uint16_t id) {
  TParagraph& p = Cur();
  p.text.push_back(code);
  unapplied_ = true;
  if (doc_.IsRich()) {
    TAttr a = s_.attr;
    a.flags |= afObject;
    a.flags &= ~(afInsertPoint | afAutomatic | afRtfCode);
    if (options_.markInserted) a.flags |= afAutomatic;
    a.id = id;
    p.attrs.push_back(doc_.Intern(a));
  }
  o->inUse = true;
}

void TRtfReader::Impl::PictureEnd() {
  using Kind = TPicture::Kind;
  auto pic = std::make_shared<TPicture>();
  pic->kind = picKind_;
  pic->width = picW_;
  pic->height = picH_;
  pic->bitsPerPixel = picBits_;
  pic->planes = picPlanes_;
  pic->widthBytes = picWidthBytes_;
  switch (picKind_) {
    case Kind::Metafile:
      if (!picData_.empty()) {
        bool placeable = picData_.size() >= 4 && picData_.compare(0, 4, "\xD7\xCD\xC6\x9A") == 0;
        pic->data = placeable ? std::move(picData_) : MakePlaceableMetafile(picData_, picW_, picH_);
      }
      break;
    case Kind::Dib:
      if (picData_.size() >= 40) pic->data = DibToBmpFile(picData_);
      break;
    case Kind::Bitmap:
      // Only the rows the bitmap declares are kept, as only they are written.
      if (picData_.size() > pic->BitmapBytes()) picData_.resize(pic->BitmapBytes());
      pic->data = std::move(picData_);
      break;
    default:
      pic->data = std::move(picData_);
  }
  picData_.clear();
  if (pic->data.empty() || picKind_ == Kind::None) pic.reset();
  if (pic && (picKind_ == Kind::Png || picKind_ == Kind::Jpeg || picKind_ == Kind::Dib)) {
    int w, h;
    // Within the range a size is read in, as it is written out again.
    if (PictureSize(*pic, w, h) && (pic->width <= 0 || pic->height <= 0)) {
      pic->width = std::clamp(w, -kMaxLength, kMaxLength);
      pic->height = std::clamp(h, -kMaxLength, kMaxLength);
    }
  }
  s_.dest = dText;  // the object character goes into the text
  if (!RoomForObject()) return;
  // A picture without a graphic is a placeholder: a tagged object, as it is
  // written and read back.
  TTextObject* o = doc_.AddObject(pic, pic ? 0 : -1);
  o->tagged = !pic;
  // The size shown: the one stated, or else the picture's own.
  int32_t w = picWGoal_, hgt = picHGoal_;
  auto ownSize = [&] {
    if (picKind_ == Kind::Metafile || picKind_ == Kind::Emf) {
      w = MulDiv(picW_, 1440, 2540);  // hundredths of a millimetre
      hgt = MulDiv(picH_, 1440, 2540);
    } else {
      w = MulDiv(pic ? pic->width : picW_, 1440, 96);
      hgt = MulDiv(pic ? pic->height : picH_, 1440, 96);
    }
  };
  if (w <= 0 || hgt <= 0) ownSize();
  if (picScaleX_ > 0) w = MulDiv(w, picScaleX_, 100);
  if (picScaleY_ > 0) hgt = MulDiv(hgt, picScaleY_, 100);
  // A size that scaling left empty would read back as the picture's own.
  if (w <= 0 || hgt <= 0) ownSize();
  o->width = std::clamp(w, -kMaxLength, kMaxLength);
  o->height = std::clamp(hgt, -kMaxLength, kMaxLength);
  if (pic) {
    InsertObject(o, kObjectById, o->id);
  } else {
    InsertObject(o, kObjectByTag, o->tag);
  }
}

void TRtfReader::Impl::PictureFileEnd() {
  s_.dest = dText;
  // A picture file is one object wherever it is named again; a file without
  // a name is a placeholder of its own each time, as it is written by its tag.
  std::string key;
  for (TChar ch : FromUtf8Lenient(picFile_)) AppendUtf8(key, ToLower(ch));
  TTextObject* o = nullptr;
  if (!key.empty()) {
    auto known = picFiles_.find(key);
    o = known != picFiles_.end() ? known->second : hadObjects_ ? doc_.FindObjectByFile(picFile_) : nullptr;
  }
  if (!o && !RoomForObject()) return;
  if (!o) o = doc_.AddObject(nullptr, -1);
  if (!key.empty()) picFiles_.emplace(std::move(key), o);
  o->fileName = picFile_;
  o->width = picWGoal_;
  o->height = picHGoal_;
  if (picScaleX_ > 0) o->width = std::clamp(MulDiv(o->width, picScaleX_, 100), -kMaxLength, kMaxLength);
  if (picScaleY_ > 0) o->height = std::clamp(MulDiv(o->height, picScaleY_, 100), -kMaxLength, kMaxLength);
  // The picture is never loaded from the named file: a document must not make
  // the program open files of the machine. The program may provide it.
  if (!o->picture && doc_.OnProvideObject) doc_.OnProvideObject(o->tag, *o);
  InsertObject(o, kObjectByTag, o->tag);
}

void TRtfReader::Impl::PictureWord(const Keyword& kw, int32_t param, int32_t value) {
  switch (kw.kind) {
    case K::Pict:
      s_.dest = dPicture;
      picKind_ = TPicture::Kind::None;
      picData_.clear();
      picHalf_ = -1;
      picW_ = picH_ = picWGoal_ = picHGoal_ = 0;
      picBits_ = picWidthBytes_ = 0;
      picPlanes_ = 1;
      picScaleX_ = picScaleY_ = 100;
      return;
    case K::PicFile:
      s_.dest = dPictureFile;
      picFile_.clear();
      inQuotes_ = false;
      picWGoal_ = picHGoal_ = 0;
      picScaleX_ = picScaleY_ = 100;
      return;
    case K::ObjTag:
      objTag_ = uint16_t(param);
      return;
    case K::ObjWidth:
      objW_ = value;
      return;
    case K::ObjHeight:
      objH_ = value;
      return;
    case K::PicType:
      picKind_ = TPicture::Kind(value);
      return;
    case K::PicW:
      picW_ = value;
      return;
    case K::PicH:
      picH_ = value;
      return;
    case K::PicWGoal:
      picWGoal_ = value;
      return;
    case K::PicHGoal:
      picHGoal_ = value;
      return;
    case K::PicBits:
      picBits_ = value;
      return;
    case K::PicPlanes:
      picPlanes_ = value;
      return;
    case K::PicWidthBytes:
      picWidthBytes_ = value;
      return;
    case K::PicScaleX:
      picScaleX_ = std::clamp(value, 0, 10000);
      return;
    case K::PicScaleY:
      picScaleY_ = std::clamp(value, 0, 10000);
      return;
    default:
      return;
  }
}

}  // namespace richtext

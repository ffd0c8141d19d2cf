// SPDX-License-Identifier: GPL-3.0-or-later
/** The document model: paragraphs of characters with interned attributes, objects, footnotes. */
#pragma once

#include <richtext/defs.h>
#include <richtext/header.h>
#include <richtext/objects.h>

#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

namespace richtext {

// Paragraph flags.
enum : uint8_t {
  pfPageBreak = 0x01,    // a new page starts with this paragraph
  pfNotFirstCell = 0x02, // a table cell that is not the first of its row
  pfMoreCells = 0x04,    // a table cell followed by more cells of its row
  pfTableCell = 0x08,
  pfProtected = 0x10,
  pfJustifyLast = 0x40,  // justify the last line too
  pfKeep = 0x80,         // keep the paragraph together
};

// Border flags and styles.
enum : uint8_t {
  bfBorder = 0x01,
  bfBlockEnds = 0x02,  // the next paragraph does not take over the borders
  bfTop = 0x04,
  bfBottom = 0x08,
  bfLeft = 0x10,
  bfRight = 0x20,
  bfBox = 0x40,
  bfDouble = 0x80,
  bsDotted = 0x01,
  bsHairline = 0x02,
  bsBar = 0x04,
  bsTableLine = 0x40,
};

// The cells a table row holds at most; a row read with more goes on in a
// row of its own.
constexpr size_t kMaxRowCells = 50;

// List membership of a paragraph.
enum : uint8_t { lkNone = 0, lkBullet = 1, lkNumber = 2 };
constexpr uint8_t kMaxListLevel = 8;  // levels 0..8, as word processors offer
constexpr int32_t kListIndentStep = 360;  // about the twips a level indents, the label's room

// Layout flags, kept for the layout cache.
enum : uint8_t { lfReformat = 0x01, lfRepaint = 0x02 };

// The properties of a paragraph; lengths in twips. The fields are ordered
// widest first so that they pack without padding: a document holds one of
// these per paragraph, and an empty paragraph is little more than this.
struct TParagraphProps {
  int32_t firstIndent = 0;  // absolute position of the first line (left + first-line offset)
  int32_t leftIndent = 0;
  int32_t rightIndent = 0;
  int32_t spaceBefore = 0;
  int32_t spaceAfter = 0;
  int32_t lineSpacing = 0;  // 0 automatic; negative: exactly
  uint64_t tabSet = 0;      // bit k: header tab stop k applies
  uint8_t alignment = alLeft;
  uint8_t flags = 0;
  uint8_t layoutFlags = lfReformat | lfRepaint;
  uint8_t borderFlags = 0;
  uint8_t borderStyle = 0;
  uint8_t borderWidth = 0;       // points
  uint8_t borderSpaceColor = 0;  // high nibble spacing in steps of 56 twips, low nibble colour
  uint8_t shadeColors = 0;       // low nibble pattern colour, high nibble background colour
  uint8_t shading = 0;           // percent
  uint8_t cellStart = 0;         // table cell position and width, fractions of the row (0..255)
  uint8_t cellWidth = 0;
  // The high nibbles of the shading colours (pattern low, background high)
  // and of the border colour, for colour tables of more than 16 entries.
  uint8_t shadeColorsHigh = 0;
  uint8_t borderColorHigh = 0;
  uint8_t listKind = lkNone;  // lkBullet or lkNumber: the paragraph is a list item
  uint8_t listLevel = 0;      // its nesting, 0 the outermost

  bool operator==(const TParagraphProps&) const = default;
  bool IsListItem() const { return listKind != lkNone; }
  int PatternColor() const { return (shadeColors & 0x0F) | (shadeColorsHigh & 0x0F) << 4; }
  int ShadeBackColor() const { return shadeColors >> 4 | (shadeColorsHigh & 0xF0); }
  int BorderColor() const { return (borderSpaceColor & 0x0F) | borderColorHigh << 4; }
  bool HasShadeColors() const { return shadeColors != 0 || shadeColorsHigh != 0; }
  void SetPatternColor(int c) {
    shadeColors = uint8_t((shadeColors & 0xF0) | (c & 0x0F));
    shadeColorsHigh = uint8_t((shadeColorsHigh & 0xF0) | ((c >> 4) & 0x0F));
  }
  void SetShadeBackColor(int c) {
    shadeColors = uint8_t((shadeColors & 0x0F) | ((c & 0x0F) << 4));
    shadeColorsHigh = uint8_t((shadeColorsHigh & 0x0F) | (c & 0xF0));
  }
  void SetBorderColor(int c) {
    borderSpaceColor = uint8_t((borderSpaceColor & 0xF0) | (c & 0x0F));
    borderColorHigh = uint8_t((c >> 4) & 0x0F);
  }
};

// How many holders share a paragraph beyond the first. A copy of a
// paragraph is a paragraph of its own: the count is not copied.
struct TSharers {
  uint8_t extra = 0;
  TSharers() = default;
  TSharers(const TSharers&) {}
  TSharers& operator=(const TSharers&) { return *this; }
};

// A paragraph: its properties and its characters, with one attribute index
// per character (no attributes in plain mode).
struct TParagraph : TParagraphProps {
  TSharers sharers;  // in the properties' last spare byte
  TString text;
  std::vector<uint16_t> attrs;

  size_t Length() const { return text.size(); }
  bool IsTableCell() const { return flags & pfTableCell; }
  bool IsLastCell() const { return IsTableCell() && !(flags & pfMoreCells); }
  bool IsFirstCell() const { return IsTableCell() && !(flags & pfNotFirstCell); }
  TParagraphProps& Props() { return *this; }
  const TParagraphProps& Props() const { return *this; }
};
// Makes paragraph properties those of a list item of `kind` at `level`, or
// (lkNone) of a plain paragraph again; the indents follow the level, leaving
// the label room in the first-line indent. The step of a level is on the
// header's tab grid, where indents read from a file land.
void SetListProps(TParagraphProps& p, uint8_t kind, uint8_t level, const TTextHeader& h);

static_assert(sizeof(TParagraphProps) == 48, "the paragraph properties pack into 48 bytes");
static_assert(sizeof(TParagraph) == 48 + sizeof(TString) + sizeof(std::vector<uint16_t>),
              "the sharers' count takes no room of its own");

// Holds a paragraph of a document. Blank paragraphs alike share one
// paragraph, so that a file of a million empty lines costs a pointer a line:
// reading through a const holder never copies, and the first access through
// a non-const holder gives that holder a paragraph of its own (copy on
// write). A paragraph and its holders belong to one thread.
class TParagraphPtr {
 public:
  TParagraphPtr() = default;
  static TParagraphPtr Make() { return TParagraphPtr(new TParagraph); }
  TParagraphPtr(TParagraphPtr&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
  TParagraphPtr& operator=(TParagraphPtr&& o) noexcept;
  TParagraphPtr(const TParagraphPtr&) = delete;
  TParagraphPtr& operator=(const TParagraphPtr&) = delete;
  ~TParagraphPtr() { Release(); }

  // Another holder of this paragraph; a copy once it has as many holders as
  // its count can tell.
  TParagraphPtr Share() const;

  const TParagraph& operator*() const { return *p_; }
  const TParagraph* operator->() const { return p_; }
  const TParagraph* get() const { return p_; }
  TParagraph& operator*() { return *Own(); }
  TParagraph* operator->() { return Own(); }
  explicit operator bool() const { return p_ != nullptr; }
  // The shared paragraph itself: a change made here is a change of every
  // holder sharing it.
  TParagraph& ForEveryHolder() { return *p_; }

 private:
  explicit TParagraphPtr(TParagraph* p) : p_(p) {}
  TParagraph* Own();
  void Release();
  TParagraph* p_ = nullptr;
};

// When the last paragraph of a list is blank and alike in every property to
// the blank one before it, it becomes a holder of that one.
void ShareBlankParagraph(std::vector<TParagraphPtr>& list);

// Options that protect characters from editing.
enum TProtectProp : uint32_t {
  ppProtected = 0x001,
  ppHidden = 0x002,
  ppIsInsertpoint = 0x004,
  ppAutomatic = 0x008,
  ppIsInvisible = 0x010,
  ppParProtected = 0x020,
  ppProtectSelectedTextToo = 0x040,
  ppDontCopyProtectedAttribute = 0x080,
  ppDontUseAttrOfProtected = 0x100,
};

// Told of every change of the paragraph list, so that layout caches can follow.
class TDocumentListener {
 public:
  virtual ~TDocumentListener() = default;
  virtual void ParagraphChanged(size_t /*index*/) {}
  // The characters at offset..offset+removed of a paragraph were replaced by
  // `inserted` characters and nothing else of it changed; a cache may mend
  // its copy instead of starting over.
  virtual void TextReplaced(size_t index, size_t /*offset*/, size_t /*removed*/, size_t /*inserted*/) {
    ParagraphChanged(index);
  }
  virtual void ParagraphsInserted(size_t /*index*/, size_t /*count*/) {}
  virtual void ParagraphsRemoved(size_t /*index*/, size_t /*count*/) {}
  virtual void DocumentReset() {}
};

// Progress of reading and writing: a stack of ranges; inner ranges map into
// the part of the outer range that is being worked on.
class TProgress {
 public:
  std::function<void(int percent)> OnProgress;
  void Start(int64_t total);
  void Update(int64_t position);
  void Finish();

 private:
  struct Range {
    int64_t total;
    int low, high;  // percent of the whole that this range covers
  };
  std::vector<Range> ranges_;
  int last_ = -1;
};

class TRTFText {
 public:
  TRTFText();
  virtual ~TRTFText();
  TRTFText(const TRTFText&) = delete;
  TRTFText& operator=(const TRTFText&) = delete;

  TTextHeader& Header() { return header_; }
  const TTextHeader& Header() const { return header_; }

  // --- Paragraphs. There is always at least one. ---
  using ParagraphList = std::vector<TParagraphPtr>;
  const ParagraphList& Paragraphs() const { return paragraphs_; }
  size_t Size() const { return paragraphs_.size(); }
  const TParagraph& Par(size_t i) const { return *paragraphs_[i]; }
  // The paragraph to change: a shared one is first copied for this place.
  TParagraph& MutablePar(size_t i) { return *paragraphs_[i]; }

  // 0 when the document is one empty paragraph, else the number of paragraphs.
  size_t ParagraphCount() const;
  TString ParagraphText(size_t n) const { return Par(n).text; }
  size_t ParagraphLength(size_t n) const { return Par(n).Length(); }
  bool IsEmpty() const { return paragraphs_.size() == 1 && paragraphs_[0]->text.empty(); }
  // Characters of the whole document, each paragraph end counting one.
  size_t TotalLength() const;

  // Creates a paragraph after `after` (index), or a first paragraph when
  // `after` is npos; it takes over the properties of `after` as paragraphs do
  // when Enter is pressed. Gives its index.
  size_t NewParagraph(size_t after);
  // Takes a list of paragraphs and inserts it before index `at`.
  void InsertParagraphs(size_t at, ParagraphList list);
  void RemoveParagraphs(size_t at, size_t count);
  // Replaces all paragraphs (the list must not be empty).
  void SetParagraphs(ParagraphList list);

  // --- Characters and attributes. ---
  // Attribute records are stored once and referred to by index.
  uint16_t Intern(const TAttr& attr);
  const TAttr& AttrOf(uint16_t index) const { return attrTable_[index]; }
  // The attribute of character i; the insertion attribute in plain mode.
  TAttr CharAttr(const TParagraph& p, size_t i) const;
  void SetCharAttr(TParagraph& p, size_t i, const TAttr& a);

  // Replaces oldLength characters at index by `text`; the new characters get
  // `attr`, or the attribute of the character at index when none is given.
  // Gives the change of length.
  long ReplaceText(size_t par, const TAttr* attr, const TString& text, size_t oldLength,
                   size_t index);
  // Inserts (or in overwrite mode replaces) one character with the insertion
  // attribute. Refused (false) on a protected position.
  bool InsertChar(size_t par, TChar c, size_t pos);
  // Removes the character at pos; at the paragraph end joins the next paragraph
  // (not from a table cell). Joining into an empty first position takes over
  // the next paragraph's properties.
  void DeleteChar(size_t par, size_t pos);
  // Moves the rest of the paragraph from pos into a new paragraph after it.
  void SplitParagraph(size_t par, size_t pos);
  // Inserts text at a character index with `attr`, or the default attribute.
  void InsertTextAt(size_t par, size_t index, const TString& text, const TAttr* attr);
  void DeleteRange(size_t par, size_t index, size_t count);
  void SetParagraphText(size_t n, const TString& text, const TAttr* attr);
  size_t AppendParagraph(const TString& text, const TAttr* attr);

  // Empties the document to one empty paragraph; the header stays. Font entry
  // 0 becomes "Arial" when it is empty, and the insertion attribute uses it.
  virtual void Clear();

  // Rich mode gives every character an attribute (the insertion attribute);
  // plain mode drops them all.
  void SetMemoryFormat(bool rich);
  bool IsRich() const { return header_.richText; }

  // Whether an edit at this position is refused by the protection options;
  // a refusal reports the protected run through OnTextRun.
  bool IsProtected(size_t par, size_t pos);

  // --- Objects and footnotes. ---
  // tag -1: the next free tag from 2000 up; tag 0: an internal id is assigned.
  // When no tag or id is free, raises kErrTooManyObjects.
  TTextObject* AddObject(std::shared_ptr<TPicture> picture, int tag);
  TTextObject* FindObject(uint16_t tag, uint16_t id);
  // The object that an object character refers to.
  TTextObject* ObjectOf(TChar c, const TAttr& a);
  TTextObject* FindObjectByFile(const std::string& name);
  void MarkObjectsUnused();
  void FreeUnusedObjects();
  const std::vector<std::unique_ptr<TTextObject>>& Objects() const { return objects_; }

  // Ids run from 1 up; all 65,535 taken raises kErrTooManyFootnotes.
  TFootnote& AddFootnote(TChar mark, int number, const TString& text);
  TFootnote* FindFootnote(uint16_t id);
  void FreeFootnotes();
  const std::vector<TFootnote>& Footnotes() const { return footnotes_; }

  // The label drawn before a list item: a bullet, or the item's number
  // followed by a full stop. Numbers count the items of the same level since
  // the list began or a shallower item came; empty for other paragraphs.
  TString ListLabel(size_t par) const;
  // Frees tab stops that no paragraph uses any more.
  void CollectTabs();

  // --- State. ---
  TAttr insertionAttr;  // given to typed characters
  TAttr defaultAttr;    // given to text inserted without an attribute
  bool insertMode = true;
  uint32_t protection = 0;  // TProtectProp bits
  bool inserting = false;   // an insertion is under way: insertion points are not protected

  TCharacterAttr insertPointAttr{afInsertPoint};
  TCharacterAttr automaticTextAttr{afAutomatic};
  TCharacterAttr hyperlinkTextAttr{afDoubleUnderline};
  TCharacterAttr protectedTextAttr{afProtected};

  std::function<void(uint16_t tag, TTextObject& object)> OnProvideObject;
  std::function<void(const TString& text, uint16_t tag)> OnTextRun;
  TProgress progress;

  void AddListener(TDocumentListener* l) { listeners_.push_back(l); }
  void RemoveListener(TDocumentListener* l);
  // Marks a paragraph for reformat and repaint and tells the listeners.
  void Touch(size_t par);
  // The same after a replacement of characters inside one paragraph.
  void TouchText(size_t par, size_t offset, size_t removed, size_t inserted);

 protected:
  void NotifyInserted(size_t at, size_t count);
  void NotifyRemoved(size_t at, size_t count);
  void NotifyReset();

 private:
  TTextHeader header_;
  ParagraphList paragraphs_;
  std::vector<TAttr> attrTable_;
  std::unordered_map<uint64_t, std::vector<uint16_t>> attrIndex_;
  void IndexObjects();

  std::vector<std::unique_ptr<TTextObject>> objects_;
  // The first object of each tag and of each id, and where the search for a
  // free one starts, so that adding many objects stays linear.
  std::unordered_map<uint16_t, TTextObject*> objectsByTag_, objectsById_;
  uint16_t nextTag_ = 2000, nextId_ = 1;
  std::vector<TFootnote> footnotes_;
  std::unordered_map<uint16_t, size_t> footnotesById_;
  uint16_t nextFootnote_ = 1;
  std::vector<TDocumentListener*> listeners_;
};

}  // namespace richtext

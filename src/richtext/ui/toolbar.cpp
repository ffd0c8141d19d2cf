// SPDX-License-Identifier: GPL-3.0-or-later
#include <richtext/ui/toolbar.h>

#include <richtext/ui/caret_watch.h>
#include <richtext/ui/qt_platform.h>
#include <richtext/ui/rich_text.h>
#include <richtext/ui/toolbar_icons.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QIntValidator>
#include <QLineEdit>
#include <QPainter>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QToolButton>

namespace richtext {

namespace {

constexpr int kButtonSize = 24;
constexpr int kRowGap = 2;
constexpr int kMargin = 1;
constexpr size_t kMostAdded = 100;
constexpr int kTrueTypeRole = Qt::UserRole + 1;

// The styles that Normal clears.
constexpr uint32_t kStyleFlags = afBold | afItalic | afUnderline | afStrikeOut | afDoubleUnderline |
                                 afSuperscript | afSubscript;

// The icon names with the hints the toolbar starts with, in their order.
struct HintEntry {
  const char* name;
  const char* hint;
};
constexpr HintEntry kHints[] = {
    {"Normal", "Normal"},       {"Bold", "Bold"},
    {"Italic", "Italic"},       {"Under", "Underline"},
    {"Hyperlink", "Hyperlink"}, {"StrikeOut", "StrikeOut"},
    {"Sub", "Sub"},             {"Super", "Super"},
    {"Hidden", "Hidden"},       {"RTFCode", "RTFCode"},
    {"Left", "Left Justified"}, {"Right", "Right Justified"},
    {"Justified", "Justified"}, {"Center", "Centered"},
    {"Bullets", "Bulleted List"}, {"Numbers", "Numbered List"},
    {"Copy", "Copy"},           {"Cut", "Cut"},
    {"Paste", "Paste"},         {"SelAll", "Select All"},
    {"HideSel", "Hide Selection"}, {"Find", "Find"},
    {"Replace", "Find and Replace"}, {"Spell", "Spell Check"},
    {"Exit", "Exit"},           {"New", "New"},
    {"Open", "Open"},           {"Save", "Save"},
    {"Close", "Close"},         {"Print", "Print"},
    {"PrintSetup", "PrintSetup"}, {"Next", "Next"},
    {"Prev", "Prev"},           {"Add", "Add"},
    {"Del", "Del"},             {"Edit", "Edit"},
    {"Cancel", "Cancel"},       {"ToStart", "ToStart"},
    {"ToEnd", "ToEnd"},         {"Post", "Post"},
};

// The buttons of each set: flag, icon name, group, number, stays down.
struct IconDef {
  unsigned flag;
  const char* name;
  int group, num;
  bool sticky;
};
constexpr IconDef kStatusIcons[] = {
    {SelNormal, "Normal", igStatus, 1, true},       {SelBold, "Bold", igStatus, 2, true},
    {SelItalic, "Italic", igStatus, 3, true},       {SelUnder, "Under", igStatus, 4, true},
    {SelHyperLink, "Hyperlink", igStatus, 5, true}, {SelStrikeOut, "StrikeOut", igStatus, 6, true},
    {SelSuper, "Super", igStatus, 7, true},         {SelSub, "Sub", igStatus, 8, true},
    {SelHidden, "Hidden", igStatus, 9, true},       {SelRTFCode, "RTFCode", igStatus, 19, true},
};
constexpr IconDef kAlignIcons[] = {
    {SelLeft, "Left", igAlignment, 1, true},
    {SelCenter, "Center", igAlignment, 4, true},
    {SelRight, "Right", igAlignment, 2, true},
    {SelBlock, "Justified", igAlignment, 3, true},
};
constexpr IconDef kListIcons[] = {
    {SelBullets, "Bullets", igList, 1, true},
    {SelNumbers, "Numbers", igList, 2, true},
};
constexpr IconDef kEditIcons[] = {
    {SelCopy, "Copy", igEdit, 1, false},     {SelCut, "Cut", igEdit, 2, false},
    {SelPaste, "Paste", igEdit, 3, false},   {SelSelAll, "SelAll", igEdit, 4, false},
    {SelHideSel, "HideSel", igEdit, 5, false}, {SelFind, "Find", igEdit, 6, false},
    {SelReplace, "Replace", igEdit, 7, false}, {SelSpellCheck, "Spell", igEdit, 8, false},
};
constexpr IconDef kActionIcons[] = {
    {SelPrint, "Print", igPrint, 1, false},  {SelPrintSetup, "PrintSetup", igPrint, 2, false},
    {SelExit, "Exit", igPrint, 3, false},    {SelNew, "New", igPrint, 4, false},
    {SelOpen, "Open", igPrint, 5, false},    {SelSave, "Save", igPrint, 6, false},
    {SelClose, "Close", igPrint, 7, false},
};
constexpr IconDef kDatabaseIcons[] = {
    {SelToStart, "ToStart", igDatabase, 1, false}, {SelPrev, "Prev", igDatabase, 3, false},
    {SelNext, "Next", igDatabase, 2, false},       {SelToEnd, "ToEnd", igDatabase, 4, false},
    {SelEdit, "Edit", igDatabase, 5, false},       {SelAdd, "Add", igDatabase, 6, false},
    {SelDel, "Del", igDatabase, 7, false},         {SelCancel, "Cancel", igDatabase, 8, false},
    {SelPost, "Post", igDatabase, 9, false},
};

uint32_t StatusFlag(int num) {
  switch (num) {
    case 2: return afBold;
    case 3: return afItalic;
    case 4: return afUnderline;
    case 5: return afDoubleUnderline;
    case 6: return afStrikeOut;
    case 7: return afSuperscript;
    case 8: return afSubscript;
    case 9: return afHidden;
    case 19: return afRtfCode;
    default: return 0;
  }
}

uint8_t AlignmentOf(int num) {
  switch (num) {
    case 2: return alRight;
    case 3: return alJustify;
    case 4: return alCenter;
    default: return alLeft;
  }
}

// Names of the colours of a new document's table, for the lists' tooltips.
QString ColorName(uint32_t bgr) {
  static const std::pair<uint32_t, const char*> names[] = {
      {0x000000, "Black"}, {0x0000FF, "Red"},    {0x008000, "Green"}, {0xFF0000, "Blue"},
      {0x00FFFF, "Yellow"}, {0xFF00FF, "Magenta"}, {0x800080, "Purple"}, {0x000080, "Maroon"},
      {0x00FF00, "Lime"},  {0xFFFF00, "Aqua"},   {0x808000, "Teal"},  {0x800000, "Navy"},
      {0xFFFFFF, "White"}, {0xC0C0C0, "Silver"}, {0x808080, "Gray"},
  };
  for (const auto& [value, name] : names)
    if (value == bgr) return QString::fromLatin1(name);
  return ToQColor(bgr).name();
}

// A list whose entries are put in the first time it is opened or gets the
// focus to be typed into: the font list asks the font database about every
// installed family, which the window need not wait for before it shows.
// Until then the list shows its text alone.
class TLazyList : public QComboBox {
 public:
  using QComboBox::QComboBox;

  // How the entries are made; run at once when they are already wanted.
  // `stale`, when given, tells whether entries made before no longer hold,
  // so that each opening makes them again.
  void SetFill(std::function<void(QComboBox&)> fill, std::function<bool(const QComboBox&)> stale = nullptr) {
    fill_ = std::move(fill);
    stale_ = std::move(stale);
    if (filled_) {
      filled_ = false;
      Fill();
    }
  }

  void Fill() {
    if (!fill_ || (filled_ && !(stale_ && stale_(*this)))) return;
    filled_ = true;
    const QString shown = currentText();
    const QSignalBlocker block(this);
    clear();
    fill_(*this);
    setCurrentIndex(findText(shown, Qt::MatchFixedString));
    setEditText(shown);
  }

  void showPopup() override {
    Fill();
    QComboBox::showPopup();
  }

 protected:
  void focusInEvent(QFocusEvent* event) override {
    Fill();
    QComboBox::focusInEvent(event);
  }

 private:
  std::function<void(QComboBox&)> fill_;
  std::function<bool(const QComboBox&)> stale_;
  bool filled_ = false;
};

// Font list entries: a TrueType marker before the names of scalable fonts.
class TFontItemDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    QStyleOptionViewItem shifted = option;
    shifted.rect.setLeft(option.rect.left() + 16);
    // The row's background first, across the marker too: the panel alone,
    // since the option a list passes may already carry the row's text.
    QStyleOptionViewItem background = option;
    initStyleOption(&background, index);
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &background, painter, widget);
    QStyledItemDelegate::paint(painter, shifted, index);
    if (!index.data(kTrueTypeRole).toBool()) return;
    const QRect box(option.rect.left() + 2, option.rect.center().y() - 6, 12, 12);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    // Two overlapping letters T, grey behind the list's text colour (black, or light on a dark desktop).
    auto tee = [&](QPoint at, const QColor& color) {
      painter->fillRect(QRect(at.x(), at.y(), 8, 2), color);
      painter->fillRect(QRect(at.x() + 3, at.y(), 2, 8), color);
    };
    tee(box.topLeft(), QColor(128, 128, 128));
    tee(box.topLeft() + QPoint(4, 4), option.palette.color(QPalette::Text));
    painter->restore();
  }
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    return QSize(size.width() + 16, std::max(size.height(), 14));
  }
};

}  // namespace

TRichToolBar::TRichToolBar(QWidget* parent) : QWidget(parent), watch_(new TCaretWatch(this)) {
  hints_ = DefaultHints();
  connect(watch_, &TCaretWatch::Moved, this, &TRichToolBar::UpdateFromEditor);

  struct Shortcut {
    const char* text;
    QKeySequence keys;
    const char* icon;
    int group, num;
  };
  const Shortcut shortcuts[] = {
      {"Bold", QKeySequence(Qt::CTRL | Qt::Key_B), "Bold", igStatus, 2},
      {"Italic", QKeySequence(Qt::CTRL | Qt::Key_I), "Italic", igStatus, 3},
      {"Underline", QKeySequence(Qt::CTRL | Qt::Key_U), "Under", igStatus, 4},
      {"Align Left", QKeySequence(Qt::CTRL | Qt::Key_L), "Left", igAlignment, 1},
      {"Center", QKeySequence(Qt::CTRL | Qt::Key_E), "Center", igAlignment, 4},
      {"Justify", QKeySequence(Qt::CTRL | Qt::Key_J), "Justified", igAlignment, 3},
  };
  for (const Shortcut& s : shortcuts) {
    auto* action = new QAction(tr(s.text), this);
    action->setShortcut(s.keys);
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    action->setIcon(ToolbarIcon(QString::fromLatin1(s.icon)));
    connect(action, &QAction::triggered, this, [this, s] {
      ShortcutToggle(QString::fromLatin1(s.icon), s.group, s.num);
    });
    actions_.push_back(action);
  }
  Rebuild();
}

TRichToolBar::~TRichToolBar() = default;

QStringList TRichToolBar::DefaultHints() {
  QStringList hints;
  for (const HintEntry& h : kHints)
    hints << QStringLiteral("TBI_%1=%2").arg(QLatin1String(h.name), tr(h.hint));
  return hints;
}

void TRichToolBar::SetHints(const QStringList& hints) {
  hints_ = hints;
  if (hints_.isEmpty()) {
    for (const HintEntry& h : kHints) hints_ << QStringLiteral("TBI_%1=%1").arg(QLatin1String(h.name));
  }
  for (const Icon& icon : icons_) {
    QString hint = icon.name;
    const QString key = QStringLiteral("TBI_") + icon.name + QLatin1Char('=');
    for (const QString& entry : hints_) {
      if (entry.startsWith(key, Qt::CaseInsensitive)) {
        hint = entry.mid(key.size());
        break;
      }
    }
    icon.button->setToolTip(hint);
    icon.button->setAccessibleName(hint);  // the button shows only a picture
  }
}

void TRichToolBar::SetEditor(TRichText* editor) {
  if (editor_) {
    for (QAction* a : actions_) editor_->removeAction(a);
  }
  editor_ = editor;
  watch_->Watch(editor);
  if (editor) {
    for (QAction* a : actions_) editor->addAction(a);
  }
  FillColorLists();
  UpdateFromEditor();
}

void TRichToolBar::SetListBoxes(unsigned set) {
  lists_ = set;
  Rebuild();
}
void TRichToolBar::SetStatusIcons(unsigned set) {
  status_ = set;
  Rebuild();
}
void TRichToolBar::SetActionIcons(unsigned set) {
  action_ = set;
  Rebuild();
}
void TRichToolBar::SetDatabaseIcons(unsigned set) {
  database_ = set;
  Rebuild();
}
void TRichToolBar::SetEditIcons(unsigned set) {
  edit_ = set;
  Rebuild();
}

void TRichToolBar::SetWidthBetweenGroups(int pixels) {
  groupGap_ = std::max(0, pixels);
  Arrange(width(), true);
  updateGeometry();
}

void TRichToolBar::SetFontSizeRange(int from, int to) {
  if (from == 0 && to == 0) from = 8, to = 72;
  sizeFrom_ = std::clamp(from, 1, 255);
  sizeTo_ = std::clamp(to, sizeFrom_, 255);
  FillSizeList();
}

void TRichToolBar::FillSizeList() {
  if (!fontSize_) return;
  static_cast<TLazyList*>(fontSize_)->SetFill([from = sizeFrom_, to = sizeTo_](QComboBox& list) {
    for (int size = from; size <= to; ++size) list.addItem(QString::number(size));
  });
}

void AddColorEntries(QComboBox& list, std::span<const uint32_t> colors) {
  for (uint32_t bgr : colors) {
    const QString name = ColorName(bgr);
    list.addItem(ColorSwatch(ToQColor(bgr)), QString());
    list.setItemData(list.count() - 1, name, Qt::ToolTipRole);
    list.setItemData(list.count() - 1, name, Qt::AccessibleTextRole);
  }
}

void TRichToolBar::FillColorLists() {
  TTextHeader fresh;
  // The lists offer the standard sixteen, the first entries of any colour table.
  const auto& colors = editor_ ? editor_->Document().Header().colors : fresh.colors;
  const auto standardEnd = colors.begin() + swatchColors_.size();
  if (std::equal(colors.begin(), standardEnd, swatchColors_.begin()) && fontColor_ &&
      fontColor_->count() == 16 && backColor_ && backColor_->count() == 16)
    return;
  std::copy(colors.begin(), standardEnd, swatchColors_.begin());
  for (QComboBox* list : {fontColor_, backColor_}) {
    if (!list) continue;
    const QSignalBlocker block(list);
    const int current = list->currentIndex();
    list->clear();
    AddColorEntries(*list, {colors.begin(), 16});
    // The first entry of each list is the table's default: for the text the
    // automatic colour (black, which the table also holds further down), for
    // the background none, the window's colour.
    const bool back = list == backColor_;
    list->setItemIcon(0, ColorSwatch(palette().color(back ? QPalette::Base : QPalette::Text)));
    for (int role : {int(Qt::ToolTipRole), int(Qt::AccessibleTextRole)}) {
      list->setItemData(0, back ? tr("Window") : tr("Automatic"), role);
    }
    list->setCurrentIndex(std::max(current, 0));
  }
}

void TRichToolBar::Rebuild() {
  for (auto& group : groups_)
    for (QWidget* w : group) delete w;
  groups_.clear();
  icons_.clear();
  fontName_ = fontSize_ = fontColor_ = backColor_ = nullptr;
  swatchColors_.fill(0xFFFFFFFFu);

  std::vector<QWidget*> lists;
  auto addList = [&](unsigned flag, int width, const QString& hint, int typ) -> QComboBox* {
    if (!(lists_ & flag)) return nullptr;
    QComboBox* list = typ == selFontName || typ == selFontSize ? new TLazyList(this) : new QComboBox(this);
    list->setFixedSize(width, kButtonSize);
    list->setToolTip(hint);
    list->setAccessibleName(hint);
    list->setFocusPolicy(Qt::StrongFocus);
    list->show();
    connect(list, &QComboBox::activated, this,
            [this, typ, list](int index) { ListChosen(typ, list, index); });
    lists.push_back(list);
    return list;
  };
  fontName_ = addList(SelFontName, 150, tr("Font"), selFontName);
  fontSize_ = addList(SelFontSize, 50, tr("Font Size"), selFontSize);
  fontColor_ = addList(SelFontColor, 52, tr("Text Color"), selFontColor);
  backColor_ = addList(SelBackgroundColor, 52, tr("Background Color"), selBackgroundColor);
  if (fontName_) {
    fontName_->setEditable(true);
    fontName_->setInsertPolicy(QComboBox::NoInsert);
    fontName_->setItemDelegate(new TFontItemDelegate(fontName_));
    fontName_->setMaxVisibleItems(20);
    // The installed families, made again when fonts were added or removed
    // since (a symbol font registered, a font installed while running).
    static_cast<TLazyList*>(fontName_)->SetFill(
        [](QComboBox& list) {
          for (const QString& family : QFontDatabase::families()) {
            list.addItem(family);
            list.setItemData(list.count() - 1, QFontDatabase::isSmoothlyScalable(family), kTrueTypeRole);
          }
        },
        [](const QComboBox& list) {
          const QStringList families = QFontDatabase::families();
          if (families.size() != list.count()) return true;
          for (int i = 0; i < list.count(); ++i)
            if (list.itemText(i) != families[i]) return true;
          return false;
        });
    TypedEntry(fontName_, selFontName);
  }
  if (fontSize_) {
    fontSize_->setEditable(true);
    fontSize_->setInsertPolicy(QComboBox::NoInsert);
    fontSize_->setValidator(new QIntValidator(1, 255, fontSize_));
    fontSize_->setMaxVisibleItems(16);
    FillSizeList();
    TypedEntry(fontSize_, selFontSize);
  }
  for (QComboBox* list : {fontColor_, backColor_})
    if (list) list->setIconSize(QSize(36, 14));
  if (!lists.empty()) groups_.push_back(lists);

  auto addIcons = [&](const auto& table, unsigned set) {
    std::vector<QWidget*> group;
    for (const IconDef& def : table) {
      if (!(set & def.flag)) continue;
      auto* button = new QToolButton(this);
      const QString name = QString::fromLatin1(def.name);
      button->setObjectName(QStringLiteral("TBI_") + name.toUpper());
      button->setIcon(ToolbarIcon(name));
      button->setIconSize(QSize(16, 16));
      button->setFixedSize(kButtonSize, kButtonSize);
      button->setAutoRaise(true);
      button->setCheckable(def.sticky);
      // Reached with Tab and F6, never taking the focus from the text when clicked.
      button->setFocusPolicy(Qt::TabFocus);
      button->show();
      const size_t index = icons_.size();
      connect(button, &QToolButton::clicked, this, [this, index] { IconClicked(index); });
      icons_.push_back({name, def.group, def.num, button});
      group.push_back(button);
    }
    if (!group.empty()) groups_.push_back(group);
  };
  addIcons(kStatusIcons, status_);
  addIcons(kAlignIcons, status_);
  addIcons(kListIcons, status_);
  addIcons(kEditIcons, edit_);
  addIcons(kActionIcons, action_);
  addIcons(kDatabaseIcons, database_);

  SetHints(hints_);
  FillColorLists();
  Arrange(width(), true);
  updateGeometry();
  UpdateFromEditor();
}

// Text typed into a list and confirmed with Enter is chosen like an entry.
// Text that names an entry already comes through `activated`.
void TRichToolBar::TypedEntry(QComboBox* list, int typ) {
  connect(list->lineEdit(), &QLineEdit::returnPressed, this, [this, list, typ] {
    if (list->findText(list->currentText().trimmed(), Qt::MatchFixedString) < 0)
      ListChosen(typ, list, -1);
  });
}

bool TRichToolBar::AddControl(QWidget* control) {
  if (!control || added_.size() >= kMostAdded) return false;
  control->setParent(this);
  control->show();
  added_.push_back(control);
  Arrange(width(), true);
  updateGeometry();
  return true;
}

QToolButton* TRichToolBar::Button(const QString& iconName) const {
  for (const Icon& icon : icons_)
    if (icon.name.compare(iconName, Qt::CaseInsensitive) == 0) return icon.button;
  return nullptr;
}

// Groups go left to right with the gap between them and move to a new row
// when they do not fit; the program's controls wrap one by one.
int TRichToolBar::Arrange(int width, bool place) const {
  int x = kMargin, y = kMargin, rowHeight = 0;
  auto put = [&](QWidget* w, int gapBefore) {
    QSize size = w->size().isEmpty() ? w->sizeHint() : w->size();
    size.setHeight(std::min(size.height(), kButtonSize));
    if (x > kMargin && x + gapBefore + size.width() > width - kMargin) {
      x = kMargin;
      y += rowHeight + kRowGap;
      rowHeight = 0;
    } else if (x > kMargin) {
      x += gapBefore;
    }
    if (place) w->setGeometry(x, y + (kButtonSize - size.height()) / 2, size.width(), size.height());
    x += size.width();
    rowHeight = std::max(rowHeight, kButtonSize);
  };
  for (const auto& group : groups_) {
    int groupWidth = 0;
    for (QWidget* w : group) groupWidth += w->width();
    if (x > kMargin && x + groupGap_ + groupWidth > width - kMargin) {
      x = kMargin;
      y += rowHeight + kRowGap;
      rowHeight = 0;
    } else if (x > kMargin) {
      x += groupGap_;
    }
    for (QWidget* w : group) put(w, 0);
  }
  bool first = true;
  for (QWidget* w : added_) {
    put(w, first ? groupGap_ : 0);
    first = false;
  }
  return y + rowHeight + kMargin;
}

int TRichToolBar::heightForWidth(int width) const { return Arrange(width, false); }

QSize TRichToolBar::sizeHint() const {
  const int w = std::max(width(), 300);
  return QSize(w, heightForWidth(w));
}

void TRichToolBar::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Arrange(width(), true);
}

// ---------------------------------------------------------------- actions

void TRichToolBar::IconClicked(size_t index) {
  const Icon icon = icons_[index];
  int typ = icon.button->isCheckable() && !icon.button->isChecked() ? selIconUp : selIconDown;
  if (OnIconSelection) OnIconSelection(*this, typ, icon.button->toolTip(), icon.group, icon.num, int(index));
  if (typ != selNone) PerformIcon(typ, icon.group, icon.num);
  UpdateFromEditor();
}

void TRichToolBar::ShortcutToggle(const QString& iconName, int group, int num) {
  if (QToolButton* button = Button(iconName)) {
    // The same as a click: the button changes state and the events run.
    if (group == igAlignment && button->isChecked()) return;
    button->click();
    return;
  }
  int typ = selIconDown;
  if (group == igStatus && (AttrAtCaret().flags & StatusFlag(num))) typ = selIconUp;
  PerformIcon(typ, group, num);
  UpdateFromEditor();
}

bool TRichToolBar::ChangeAttributes(const std::function<void(TAttr&)>& change) {
  if (!editor_ || editor_->ReadOnly()) return false;
  TEditor& editor = editor_->Editor();
  const TRTFTextIo& doc = editor_->Document();
  // A change that changes nothing leaves no step to undo.
  bool changes = false;
  TAttr typing = doc.insertionAttr;
  change(typing);
  changes = !(typing == doc.insertionAttr);
  if (!changes && editor.HasSelection() && doc.IsRich()) {
    const TFragment selected = editor.Copy(editor.SelStart(), editor.SelEnd());
    for (const TParagraph& p : selected.paragraphs) {
      for (uint16_t index : p.attrs) {
        TAttr a = doc.AttrOf(index);
        change(a);
        if (!(a == doc.AttrOf(index))) changes = true;
      }
    }
  }
  if (!changes) return false;
  editor.BeginGroup();
  editor.ChangeAttributes(change);
  editor.EndGroup();
  editor_->Invalidate();
  editor_->Changed();
  return true;
}

void TRichToolBar::PerformIcon(int typ, int group, int num) {
  TRichText* rt = editor_;
  if (!rt) return;
  rt->SetFocus();
  const bool pressed = typ == selIconDown;
  switch (group) {
    case igStatus: {
      if (num == 1) {
        ChangeAttributes([](TAttr& a) { a.flags &= ~kStyleFlags; });
        break;
      }
      const uint32_t flag = StatusFlag(num);
      if (!flag) break;
      ChangeAttributes([&](TAttr& a) {
        if (!pressed) {
          a.flags &= ~flag;
        } else if (num == 9) {
          a.flags ^= flag;
        } else {
          a.flags |= flag;
          // Raised and lowered exclude each other.
          if (num == 7) a.flags &= ~uint32_t(afSubscript);
          if (num == 8) a.flags &= ~uint32_t(afSuperscript);
        }
      });
      break;
    }
    case igAlignment:
      if (!pressed || rt->ReadOnly()) break;
      rt->Editor().ChangeParagraphs([&](TParagraphProps& p) { p.alignment = AlignmentOf(num); });
      rt->Changed();
      break;
    case igList:
      if (rt->ReadOnly()) break;
      rt->Editor().ToggleList(num == 1 ? lkBullet : lkNumber);
      rt->Changed();
      break;
    case igEdit:
      switch (num) {
        case 1: rt->CopyToClipboard(); break;
        case 2: rt->CutToClipboard(); break;
        case 3: rt->PasteFromClipboard(); break;
        case 4: rt->SelectAll(); break;
        case 5:
          rt->Editor().MoveTo(rt->Editor().caret, false);
          rt->Invalidate();
          break;
        case 6: rt->ShowFindDialog(); break;
        case 7:
          if (!rt->ReadOnly()) rt->ShowReplaceDialog();
          break;
        case 8:
          if (!rt->ReadOnly()) emit StartSpellCheck();
          break;
      }
      break;
    default:
      break;  // print and database buttons are the program's to handle
  }
}

void TRichToolBar::ListChosen(int typ, QComboBox* list, int index) {
  const QString text = index >= 0 ? list->itemText(index) : list->currentText().trimmed();
  if (OnSelection) OnSelection(*this, typ, text, index);
  bool done = false;
  if (typ != selNone && editor_) {
    editor_->SetFocus();
    switch (typ) {
      case selFontName: {
        if (text.isEmpty() || editor_->ReadOnly()) break;
        const int number = editor_->FontNumber(text);
        if (number >= TTextHeader::kFonts) break;  // the font table is full
        done = ChangeAttributes([&](TAttr& a) { a.font = uint8_t(number); });
        break;
      }
      case selFontSize: {
        bool ok = false;
        const int size = text.toInt(&ok);
        if (!ok || size < 1 || size > 255) break;
        done = ChangeAttributes([&](TAttr& a) { a.size = uint8_t(size); });
        break;
      }
      case selFontColor:
        done = ChangeAttributes([&](TAttr& a) { a.SetTextColor(index); });
        break;
      case selBackgroundColor:
        done = ChangeAttributes([&](TAttr& a) { a.SetBackColor(index); });
        break;
    }
  }
  (void)done;
  // A refused change shows the caret's attributes again.
  UpdateFromEditor();
}

// ---------------------------------------------------------------- showing

TAttr TRichToolBar::AttrAtCaret() const {
  const TRTFTextIo& doc = editor_->Document();
  const TEditor& editor = editor_->Editor();
  if (editor.HasSelection() && doc.IsRich()) {
    TPosition start = editor.SelStart();
    const TParagraph& p = doc.Par(start.par);
    if (start.offset >= p.Length() && start.par + 1 < doc.Size()) {
      start = {start.par + 1, 0};  // a selection from a paragraph end starts at the next
    }
    const TParagraph& q = doc.Par(start.par);
    if (q.Length() > 0) return doc.CharAttr(q, std::min(start.offset, q.Length() - 1));
  }
  // Without a selection, what typing would give.
  return doc.insertionAttr;
}

void TRichToolBar::UpdateFromEditor() {
  if (!editor_ || updating_) return;
  updating_ = true;
  FillColorLists();
  const TAttr a = AttrAtCaret();
  const TRTFTextIo& doc = editor_->Document();
  const TParagraph& caretPar = doc.Par(editor_->Editor().caret.par);
  const uint8_t alignment = caretPar.alignment;
  for (const Icon& icon : icons_) {
    if (!icon.button->isCheckable()) continue;
    bool down = false;
    if (icon.group == igStatus) {
      down = icon.num == 1 ? !(a.flags & kStyleFlags) : (a.flags & StatusFlag(icon.num)) != 0;
    } else if (icon.group == igAlignment) {
      down = AlignmentOf(icon.num) == alignment;
    } else if (icon.group == igList) {
      down = caretPar.listKind == (icon.num == 1 ? lkBullet : lkNumber);
    }
    if (icon.button->isChecked() != down) icon.button->setChecked(down);
  }
  if (fontName_ && !fontName_->hasFocus()) {
    QString name = QString::fromStdString(doc.Header().fonts[std::min<size_t>(a.font, 98)].name);
    // A font that is not installed shows the family the text is drawn in.
    if (!name.isEmpty() && !QFontDatabase::hasFamily(name)) name = QFontInfo(QFont(name)).family();
    const QSignalBlocker block(fontName_);
    if (fontName_->currentText() != name) {
      fontName_->setCurrentIndex(fontName_->findText(name, Qt::MatchFixedString));
      fontName_->setEditText(name);
    }
  }
  if (fontSize_ && !fontSize_->hasFocus()) {
    const QSignalBlocker block(fontSize_);
    const QString size = QString::number(a.size ? a.size : 10);
    if (fontSize_->currentText() != size) {
      fontSize_->setCurrentIndex(fontSize_->findText(size));
      fontSize_->setEditText(size);
    }
  }
  if (fontColor_) {
    const QSignalBlocker block(fontColor_);
    fontColor_->setCurrentIndex(a.TextColor());
  }
  if (backColor_) {
    const QSignalBlocker block(backColor_);
    backColor_->setCurrentIndex(a.BackColor());
  }
  updating_ = false;
}

}  // namespace richtext

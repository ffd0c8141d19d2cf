// SPDX-License-Identifier: GPL-3.0-or-later
/** TRichToolBar: buttons and lists that show and change the formatting at an editor's caret. */
#pragma once

#include <richtext/defs.h>

#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

class QAction;
class QComboBox;
class QToolButton;

namespace richtext {

class TRichText;
class TCaretWatch;

// What a toolbar event reports in its `typ`; an event handler that sets it
// to selNone keeps the toolbar from acting.
enum TSelNr : int {
  selNone = 0,
  selFontName = 1,
  selFontSize = 2,
  selFontColor = 3,
  selBackgroundColor = 4,
  selIconDown = 6,  // a button was pressed (or clicked, for buttons that do not stay down)
  selIconUp = 7,    // a button that stays down was released
};

// The groups of buttons; a button is named by its group and its number in it.
// Status: 1 Normal, 2 Bold, 3 Italic, 4 Underline, 5 Hyperlink, 6 StrikeOut,
//   7 Super, 8 Sub, 9 Hidden, 19 RTFCode.
// Alignment: 1 left, 2 right, 3 justified, 4 centred.
// List: 1 bulleted, 2 numbered.
// Edit: 1 Copy, 2 Cut, 3 Paste, 4 Select All, 5 Hide Selection, 6 Find,
//   7 Replace, 8 Spell Check.
// Print: 1 Print, 2 PrintSetup, 3 Exit, 4 New, 5 Open, 6 Save, 7 Close.
// Database: 1 ToStart, 2 Next, 3 Prev, 4 ToEnd, 5 Edit, 6 Add, 7 Del, 8 Cancel, 9 Post.
// The toolbar acts on its own for the status, alignment, list and edit groups; the
// print and database buttons only report through OnIconSelection.
enum TIconGroup : int {
  igStatus = 256,
  igAlignment = 512,
  igEdit = 768,
  igPrint = 1024,
  igDatabase = 1280,
  igList = 1536,
};

// Which lists and buttons the toolbar shows (sets of flags).
enum TTbListBoxes : unsigned {
  SelFontName = 1u << 0,
  SelFontSize = 1u << 1,
  SelFontColor = 1u << 2,
  SelBackgroundColor = 1u << 3,
};
enum TTbIcons : unsigned {
  SelNormal = 1u << 0,
  SelBold = 1u << 1,
  SelItalic = 1u << 2,
  SelUnder = 1u << 3,
  SelHyperLink = 1u << 4,
  SelStrikeOut = 1u << 5,
  SelSuper = 1u << 6,
  SelSub = 1u << 7,
  SelLeft = 1u << 8,
  SelHidden = 1u << 9,
  SelRTFCode = 1u << 10,
  SelRight = 1u << 11,
  SelBlock = 1u << 12,
  SelCenter = 1u << 13,
  SelBullets = 1u << 14,
  SelNumbers = 1u << 15,
};
enum TTbIcons2 : unsigned {
  SelExit = 1u << 0,
  SelNew = 1u << 1,
  SelOpen = 1u << 2,
  SelSave = 1u << 3,
  SelClose = 1u << 4,
  SelPrint = 1u << 5,
  SelPrintSetup = 1u << 6,
};
enum TTbIcons3 : unsigned {
  SelToStart = 1u << 0,
  SelNext = 1u << 1,
  SelPrev = 1u << 2,
  SelToEnd = 1u << 3,
  SelEdit = 1u << 4,
  SelAdd = 1u << 5,
  SelDel = 1u << 6,
  SelCancel = 1u << 7,
  SelPost = 1u << 8,
};
enum TTbIcons4 : unsigned {
  SelCopy = 1u << 0,
  SelCut = 1u << 1,
  SelPaste = 1u << 2,
  SelSelAll = 1u << 3,
  SelHideSel = 1u << 4,
  SelFind = 1u << 5,
  SelReplace = 1u << 6,
  SelSpellCheck = 1u << 7,
};

// Adds a colour list's entries: a swatch per colour (a colour table's value,
// red in the low byte), named in its tooltip and for screen readers.
void AddColorEntries(QComboBox& list, std::span<const uint32_t> colors);

// Font, size and colour lists and icon buttons over a linked TRichText. The
// pressed buttons and the list texts follow the caret; a button or a list
// changes the selection, or the insertion attribute when nothing is
// selected, as one undo step. A read-only editor refuses every change.
// Ctrl+B, Ctrl+I, Ctrl+U, Ctrl+L, Ctrl+E and Ctrl+J reach the same actions
// while the editor has the focus.
class TRichToolBar : public QWidget {
  Q_OBJECT
 public:
  explicit TRichToolBar(QWidget* parent = nullptr);
  ~TRichToolBar() override;

  void SetEditor(TRichText* editor);
  TRichText* Editor() const { return editor_; }

  // The lists and buttons shown; changing a set rebuilds the toolbar. The
  // defaults are those of the diary's main window.
  unsigned ListBoxes() const { return lists_; }
  void SetListBoxes(unsigned set);
  unsigned StatusIcons() const { return status_; }
  void SetStatusIcons(unsigned set);
  unsigned ActionIcons() const { return action_; }
  void SetActionIcons(unsigned set);
  unsigned DatabaseIcons() const { return database_; }
  void SetDatabaseIcons(unsigned set);
  unsigned EditIcons() const { return edit_; }
  void SetEditIcons(unsigned set);

  int WidthBetweenGroups() const { return groupGap_; }
  void SetWidthBetweenGroups(int pixels);
  // The sizes the size list offers; 8 to 72 when both are 0.
  int FontSizeFrom() const { return sizeFrom_; }
  int FontSizeTo() const { return sizeTo_; }
  void SetFontSizeRange(int from, int to);

  // "TBI_" + icon name + "=" + hint; an icon without an entry shows its name.
  // An empty list is refilled with the icon names as hints.
  QStringList Hints() const { return hints_; }
  void SetHints(const QStringList& hints);
  static QStringList DefaultHints();

  // Adds a control of the program after the toolbar's own groups (at most
  // 100); false when the toolbar is full.
  bool AddControl(QWidget* control);

  // Called first when a button is used, with the hint as `str` and the
  // button's index on the toolbar.
  using TIconSelectEvent = std::function<void(TRichToolBar& sender, int& typ, const QString& str,
                                              int group, int num, int index)>;
  TIconSelectEvent OnIconSelection;
  // Called when a list entry is chosen, with the entry as `str` and its number.
  using TSelectEvent =
      std::function<void(TRichToolBar& sender, int& typ, const QString& str, int num)>;
  TSelectEvent OnSelection;

  // Shows the attributes at the caret. Runs by itself after every caret
  // move and edit; callers that change the editor behind its back call it.
  void UpdateFromEditor();

  // The parts, for the window's own hints and menus.
  QToolButton* Button(const QString& iconName) const;
  QComboBox* FontNameList() const { return fontName_; }
  QComboBox* FontSizeList() const { return fontSize_; }
  QComboBox* FontColorList() const { return fontColor_; }
  QComboBox* BackgroundColorList() const { return backColor_; }
  // Bold, Italic, Underline, Left, Center, Justify with their shortcuts, for menus.
  const std::vector<QAction*>& FormatActions() const { return actions_; }

  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override;
  QSize sizeHint() const override;

 signals:
  // The Spell Check button, unless the editor is read-only.
  void StartSpellCheck();

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  struct Icon {
    QString name;
    int group, num;
    QToolButton* button;
  };
  void Rebuild();
  int Arrange(int width, bool place) const;
  void IconClicked(size_t index);
  void PerformIcon(int typ, int group, int num);
  void ShortcutToggle(const QString& iconName, int group, int num);
  void ListChosen(int typ, QComboBox* list, int index);
  void TypedEntry(QComboBox* list, int typ);
  bool ChangeAttributes(const std::function<void(TAttr&)>& change);
  TAttr AttrAtCaret() const;
  void FillColorLists();
  void FillSizeList();

  QPointer<TRichText> editor_;
  TCaretWatch* watch_;
  unsigned lists_ = SelFontName | SelFontSize | SelFontColor | SelBackgroundColor;
  unsigned status_ = SelNormal | SelBold | SelItalic | SelUnder | SelStrikeOut | SelLeft |
                     SelRight | SelBlock | SelCenter | SelBullets | SelNumbers;
  unsigned action_ = 0;
  unsigned database_ = 0;
  unsigned edit_ = SelCopy | SelCut | SelPaste | SelSelAll | SelFind | SelReplace | SelSpellCheck;
  int groupGap_ = 4;
  int sizeFrom_ = 7, sizeTo_ = 72;
  QStringList hints_;

  QComboBox* fontName_ = nullptr;
  QComboBox* fontSize_ = nullptr;
  QComboBox* fontColor_ = nullptr;
  QComboBox* backColor_ = nullptr;
  std::vector<Icon> icons_;
  std::vector<std::vector<QWidget*>> groups_;  // own groups, as arranged
  std::vector<QWidget*> added_;                // the program's controls
  std::vector<QAction*> actions_;
  std::array<uint32_t, 16> swatchColors_{};
  bool updating_ = false;
};

}  // namespace richtext

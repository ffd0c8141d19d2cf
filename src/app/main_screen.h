// SPDX-License-Identifier: GPL-3.0-or-later
/** The diary's main window: one day's entry on a ring-binder page, the day buttons and the menus. */
#pragma once

#include <diary/dates.h>
#include <diary/entry_store.h>
#include <diary/preferences.h>

#include <QMainWindow>
#include <QStringList>

#include <filesystem>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

class QAction;
class QMenu;
class QFontDialog;
class QFrame;
class QIcon;
class QLabel;
class QTimer;
class QPushButton;

class QToolButton;
class QUrl;

namespace richtext {
class TRichText;
class TRichToolBar;
class TRichRuler;
}

namespace quillet {

class TFloatingPalette;
class TRingPanel;
class TSpellAsYouType;
class TWordCountLabel;

class TMainScreen : public QMainWindow {
  Q_OBJECT
 public:
  // Creates the window for the diary in `diaryDir`; this runs FormCreate:
  // preferences, placement, the legacy conversion offer, Entries/, today's
  // entry and the opening message. Check Terminated() before showing it.
  // Entries are read with `key`, the one the opening prompt gave; without
  // one, with the old cipher's password from QX.INI (or none).
  explicit TMainScreen(const std::filesystem::path& diaryDir, std::optional<TEntryKey> key = {},
                       QWidget* parent = nullptr);
  ~TMainScreen() override;

  // The legacy conversion, run when Entries/ is missing and the old table
  // (QUILLET.DBF with QUILLET.FPT) is there; false when it was declined or
  // failed. Unset, no conversion is offered.
  static std::function<bool(TMainScreen& window)> PerformConversion;
  // Opens a web address; tests replace it.
  std::function<void(const QUrl&)> openUrl;

  const std::filesystem::path& DiaryDir() const { return diaryDir_; }
  // True when creation ended the program (a declined or failed conversion).
  bool Terminated() const { return terminated_; }
  bool StartingUp() const { return startingUp_; }

  // ---- entry store (the shown day) ----
  TEntryStore& Store() { return store_; }
  TDate CurrentDate() const { return currentDate_; }
  void SetCurrentDate(TDate date) { currentDate_ = date; }
  bool EntryExists() const { return entryExists_; }
  const std::string& CurrentPassword() const { return prefs_.currentPassword; }
  // True while the shown entry could not be read: it is shown read-only and never saved over.
  bool EntryUnreadable() const { return unreadable_; }
  std::filesystem::path GetCurrentDateFileName() const { return store_.EntryPath(currentDate_); }
  void FindDateRecord();
  void LoadRichText();
  // Writes the editor's entry (or removes the file of an emptied one). False,
  // with the reason shown, when it could not; the text stays in the editor.
  bool SaveRichText();
  void LoadRichTextAllPurp();
  TDate FirstDiaryRecord() const { return store_.FirstDiaryRecord(); }
  TDate LastDiaryRecord() const { return store_.LastDiaryRecord(); }
  // The provider of the date selector: the days of a month that have an entry.
  void FillEntryDays(QStringList& list, int year, int month) const;
  void DeletebuttonClick();

  // ---- preferences ----
  TPreferences& Preferences() { return prefs_; }
  void LoadPreferences();
  void SavePreferences();
  void RestorePlacement();
  void SavePlacement();
  void SetDefaultFontNow();
  void mnuDefaultFontClick();
  int ScreenDensity() const;

  // ---- edit state ----
  bool Unsaved() const;  // "&Save" is shown
  // Saves the shown entry when it has unsaved changes; false when that failed.
  bool SaveButtonClick();
  void CancelButtonClick();
  void SetButtons();
  void SetDateCaption();
  void RichText1Change();

  // ---- nothing lost: the recovery copy, shutdown, deleted entries (main_recovery.cpp) ----
  // Writes the recovery copy of the shown page now, when it has unsaved changes.
  void WriteRecoveryCopyNow();
  // At start: a recovery copy left by a crash is offered back (or set aside
  // when it cannot be read). Call before the window is shown.
  void OfferRecoveryCopy();
  // The session or a signal ends the program: the page is kept in the
  // recovery copy, then saved as Exit saves it, asking nothing.
  void SaveForShutdown();
  // File, "Restore Deleted Entry...".
  void RestoreDeletedEntryClick();
  QTimer* RecoveryTimer() const { return recoveryTimer_; }
  // A copy is written this long after the first change it does not hold yet,
  // whether typing pauses or goes on, so that what was typed 2 seconds ago is
  // always on disk (kRecoveryPromiseMs), in the copy or in the entry.
  static constexpr int kRecoveryDelayMs = 1500;
  static constexpr int kRecoveryPromiseMs = 2000;

  // ---- navigation: each saves first and stays on the day when saving failed ----
  void PriorButtonClick();
  void NextButtonClick();
  void BitBtn1Click();
  void FirstButtonClick();
  void LastButtonClick();
  void CalendarButtonClick();
  bool GoToDay(TDate date);

  // ---- commands ----
  void mnuSecurityClick();  // File, "Select or Change Password" (password_dialogs.cpp)
  void Cut1Click();
  void Copy1Click();
  void Paste1Click();
  void DeleteSelection1Click();
  void SelectAll1Click();
  void EnterDate1Click();
  void InsertTodaystime1Click();
  void mnuWrapTexttofitScreenClick();
  void DocWordWrapButtonClick();
  void DocPageBreakButtonClick();
  void mnuFindClick();
  void Replace1Click();
  void HideButtonClick();
  void exit1Click();
  void Contents1Click();
  void About1Click();
  void VisitOurInternetWebsite1Click();
  void FormResize();
  void FormActivate();
  // F6 (step 1) and Shift+F6 (step -1): the focus goes to the next or previous
  // of the toolbar, the page and the day buttons.
  void CycleFocusArea(int step);

  // ---- formatting toolbar, ruler and spell check (main_format.cpp) ----
  void SpellCheck1Click();
  // "Check Spelling as You Type": turns the marking of misspelt words on or off and keeps the choice.
  void mnuCheckSpellingAsYouTypeClick();
  // "User Dictionary...": the words added to the spelling dictionary, to find, remove and add.
  void mnuUserDictionaryClick();
  // "Spelling Language": the language both spell checks use, kept in the preferences.
  void FillSpellingLanguages();
  void mnuSpellingLanguageClick(const std::string& lang);
  QMenu* SpellingLanguageMenu() const { return mnuSpellingLanguage_; }
  QAction* SpellAsYouTypeAction() const { return mnuSpellAsYouType_; }
  TSpellAsYouType* SpellAsYouType() const { return spellAsYouType_; }
  // The toolbar's Spell Check button runs the window's spell check.
  void RichToolBar2IconSelection(int& typ, int group, int num);
  // Adds a 24 x 24 tool button after the toolbar's own groups, followed by a 3-pixel spacer.
  QToolButton* AddToolButton(const char* name, const QIcon& icon, const QString& text,
                             const QString& hint, std::function<void()> click);

  // ---- view: zoom and line width (main_view.cpp) ----
  // View, "Zoom In" / "Zoom Out" (Ctrl++ or Ctrl+=, Ctrl+-, Ctrl+wheel) by
  // kZoomStep, "Actual Size" (Ctrl+0). The page is scaled on screen only: the
  // entry, its stored sizes and its printing stay as they are.
  void ZoomInClick();
  void ZoomOutClick();
  void ActualSizeClick();
  // Sets the scale, within TPreferences::kZoomMin..kZoomMax, and keeps it in QX.INI.
  void SetZoom(int percent);
  int Zoom() const { return prefs_.zoomPercent; }
  static constexpr int kZoomStep = 10;
  static constexpr int kReadableColumnChars = 80;
  // View, "Readable Line Width": on a wide window the text keeps to a centred
  // column of about kReadableColumnChars average characters.
  void mnuReadableLineWidthClick();
  QAction* ReadableLineWidthAction() const { return mnuReadableLineWidth_; }
  // View, Colours: "Light", "Dark" or "Follow the desktop" (dark when the
  // desktop's palette is); kept in QX.INI. Only the screen changes.
  void SetPageColours(int choice);
  bool PageIsDark() const;
  // View, "Status Bar": the words and characters of the page (and of its
  // selection) below it; shown or not as QX.INI keeps it.
  void mnuStatusBarClick();
  QAction* StatusBarAction() const { return mnuStatusBar_; }
  TWordCountLabel* WordCount() const { return wordCount_; }

  // ---- decoration: icon palette, symbols, pictures, paragraphs (main_decoration.cpp) ----
  void ShowHideIconToolClick();
  void SymbolSelectorButtonClick();
  void PasteGraphicButtonClick();
  void ParagraphSetupButtonClick();
  // The icon palette, made when first needed: making it reads the icon sets.
  TFloatingPalette* IconPalette();
  QToolButton* ShowHideIconTool() const { return showHideIconTool_; }

  // ---- components ----
  richtext::TRichText* RichText1() const { return richText1_; }
  richtext::TRichText* RichTextAllPurpose() const { return richTextAllPurpose_; }
  QLabel* DateLabel() const { return dateLabel_; }
  QPushButton* SaveButton() const { return saveButton_; }
  QPushButton* CancelButton() const { return cancelButton_; }
  QAction* WrapAction() const { return mnuWrap_; }
  QToolButton* DocWordWrapButton() const { return wordWrapButton_; }
  richtext::TRichToolBar* RichToolBar2() const { return richToolBar2_; }
  richtext::TRichRuler* RichRuler1() const { return richRuler1_; }
  TRingPanel* RingPanel1() const { return ringPanel_; }
  QFontDialog* DefaultFontdialog();

  static constexpr const char* kHomePage = "https://github.com/quillet/quillet";
  static constexpr int kDesignedWidth = 622;
  static constexpr int kDesignedHeight = 402;

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // Ticks the preferences' language in "Spelling Language" and checks as you type in it.
  void ShowSpellingLanguage();
  void BuildPage();
  void BuildActionPanel();
  void BuildToolBar();
  void BuildMenus();
  void BuildFormatting();  // links toolbar and ruler to the editor; the Format menu
  void AddParagraphSetupButton();
  void AddDecorationButtons();
  void BuildDecoration();  // the icon palette, the drop of icons, the menu items
  void ActivateIconPalette();
  void SetIconToolCaption();
  void FormCreate();
  bool FormCloseQuery();
  void ShowEditButtons(bool on);
  void ShowOpeningMessage();
  bool AppMessageHook(QObject* watched, QEvent* event);
  void ApplyLoaded(const TEntryRead& read, richtext::TRichText& editor, bool reportProblem);
  void BuildRecovery();
  // Keys and names for the keyboard and screen readers (main_keyboard.cpp).
  void BuildKeyboardAccess();
  void NameThePage();
  void BuildViewMenu();
  void BuildStatusBar();
  void ApplyView();
  void ApplyPageColours();
  // The editor's left edge and width within the page's text area.
  std::pair<int, int> TextColumn(int left, int width) const;
  void PageChangedForRecovery();
  void DropRecoveryCopy();
  TRect MainBounds() const;

  std::filesystem::path diaryDir_;
  TEntryStore store_;
  TPreferences prefs_;
  TDate currentDate_;
  bool entryExists_ = false;
  bool unreadable_ = false;
  bool startingUp_ = true;
  bool terminated_ = false;
  bool hookInstalled_ = false;
  bool shuttingDown_ = false;  // nothing is asked or shown
  bool restoredCopy_ = false;  // the page holds a restored recovery copy, not yet saved
  QTimer* recoveryTimer_ = nullptr;
  const QEvent* lastKey_ = nullptr;  // the key event the window saw last
  quint64 lastKeyTime_ = 0;
  int lastKeyType_ = 0;

  TRingPanel* ringPanel_ = nullptr;
  QLabel* dateLabel_ = nullptr;
  QFrame* topLine_ = nullptr;
  QFrame* bottomLine_ = nullptr;
  richtext::TRichText* richText1_ = nullptr;
  richtext::TRichText* richTextAllPurpose_ = nullptr;
  QWidget* actionPanel_ = nullptr;
  QPushButton* saveButton_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
  QWidget* toolBar_ = nullptr;
  QToolButton* wordWrapButton_ = nullptr;
  richtext::TRichToolBar* richToolBar2_ = nullptr;
  richtext::TRichRuler* richRuler1_ = nullptr;
  QAction* mnuWrap_ = nullptr;
  QAction* mnuSpellAsYouType_ = nullptr;
  QAction* mnuReadableLineWidth_ = nullptr;
  QAction* mnuStatusBar_ = nullptr;
  TWordCountLabel* wordCount_ = nullptr;
  std::vector<QAction*> mnuColours_;  // in the order of TPreferences::TPageColours
  QMenu* mnuSpellingLanguage_ = nullptr;
  TSpellAsYouType* spellAsYouType_ = nullptr;
  QFontDialog* fontDialog_ = nullptr;
  TFloatingPalette* palette_ = nullptr;
  QToolButton* showHideIconTool_ = nullptr;
};

// Places a dialog before it is shown: over the main window, or on the screen
// when the main window is maximized (or is the form itself).
void CenterForm(QWidget* form);

// The running main window, or nullptr.
TMainScreen* MainScreen();

}  // namespace quillet

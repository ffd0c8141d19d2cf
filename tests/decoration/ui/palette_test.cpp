// SPDX-License-Identifier: GPL-3.0-or-later
// The icon palette driven as a user would: sets chosen from its menu, bonus
// sets, "Other..." with files that hold no icons, the settings, and an icon
// dragged onto an entry.
#include <decoration/ui/floating_palette.h>
#include <decoration/ui/icon_drop.h>
#include <decoration/ui/icon_list_box.h>
#include <decoration/icon_writer.h>

#include <diary/preferences.h>
#include <diary/settings_file.h>
#include <richtext/ui/rich_text.h>

#include "../../support/recording_messenger.h"
#include "../../support/temp_dir.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QSignalSpy>

#include <deque>

namespace quillet {
namespace {

using testing::RecordingMessenger;
using testing::TempDir;

const fs::path kIconSets = QUILLET_ICON_SETS;

QString Q(const fs::path& p) { return QString::fromStdString(p.string()); }

std::vector<QString> Checked(const TFloatingPalette& palette) {
  std::vector<QString> names;
  for (QAction* a : palette.File1->actions())
    if (a->isChecked()) names.push_back(a->text());
  for (QAction* a : palette.BonusIconSetsMenu->actions())
    if (a->isChecked()) names.push_back(a->text());
  return names;
}

QAction* Item(QMenu* menu, const QString& caption) {
  for (QAction* a : menu->actions())
    if (a->text() == caption) return a;
  return nullptr;
}

// A palette over a fresh diary directory, with "Other..." answered from a queue
// (an empty string cancels).
struct PaletteFixture {
  TempDir diary;
  RecordingMessenger messages;
  std::deque<QString> answers;
  std::vector<QString> startedIn;
  std::unique_ptr<TFloatingPalette> palette;

  void Create() {
    palette = std::make_unique<TFloatingPalette>(diary.path(), kIconSets);
    palette->OpenIconCollectionDialog = [this](const QString& dir) {
      startedIn.push_back(dir);
      if (answers.empty()) return QString();
      QString next = answers.front();
      answers.pop_front();
      return next;
    };
  }
};

TEST(IconPalette, ShowsTheActivitiesSetAndExtractsIconsWhenDrawn) {
  PaletteFixture f;
  f.Create();
  TFloatingPalette& p = *f.palette;
  EXPECT_EQ(p.windowTitle(), "Icons");
  EXPECT_EQ(p.IconListBox->FileName(), Q(kIconSets / "activity.icl"));
  EXPECT_EQ(Checked(p), std::vector<QString>{"Activities"});
  const int count = p.IconListBox->NumberOfIcons();
  EXPECT_EQ(count, TIconFile::FromFile(kIconSets / "activity.icl").Count());
  EXPECT_EQ(p.IconListBox->count(), count);
  EXPECT_EQ(p.IconListBox->item(5)->text(), "5");
  EXPECT_TRUE(p.IconListBox->isEnabled());
  EXPECT_EQ(p.IconListBox->currentRow(), 0);
  EXPECT_EQ(p.IconListBox->ExtractedCount(), 0) << "nothing is extracted before it is drawn";

  p.show();
  const QImage shot = p.IconListBox->viewport()->grab().toImage();
  const int drawn = p.IconListBox->ExtractedCount();
  EXPECT_GT(drawn, 0);
  EXPECT_LT(drawn, count) << "only the visible cells";
  // The first cell (selected) holds a picture: not all one colour.
  const QColor corner = shot.pixelColor(1, 1);
  bool varied = false;
  for (int y = 0; y < TIconListBox::ItemHeight() && !varied; ++y)
    for (int x = 0; x < TIconListBox::ColumnWidth() && !varied; ++x) varied = shot.pixelColor(x, y) != corner;
  EXPECT_TRUE(varied);
  (void)p.IconListBox->viewport()->grab();
  EXPECT_EQ(p.IconListBox->ExtractedCount(), drawn) << "each icon is extracted once";
}

TEST(IconPalette, MenuItemsSwitchSetsAndCheckTheirItem) {
  PaletteFixture f;
  f.Create();
  TFloatingPalette& p = *f.palette;
  struct Case {
    QAction* item;
    const char* file;
  };
  for (const Case& c : {Case{p.mnuHolidaysICL, "holiday.icl"}, Case{p.mnuMisc2ICL, "misc2.icl"},
                        Case{p.mnuEventsICL, "events.icl"}, Case{p.mnuMisc1ICL, "misc1.icl"},
                        Case{p.mnuActivitiesICL, "activity.icl"}}) {
    QSignalSpy changed(p.IconListBox, &TIconListBox::OnFileChange);
    c.item->trigger();
    EXPECT_EQ(p.IconListBox->FileName(), Q(kIconSets / c.file));
    EXPECT_EQ(Checked(p), std::vector<QString>{c.item->text()});
    EXPECT_EQ(changed.count(), 1);
    EXPECT_GE(p.IconListBox->NumberOfIcons(), 24);
  }
  EXPECT_TRUE(f.messages.shown.empty());
}

TEST(IconPalette, BonusSetsAreListedSortedWithoutRegardToCase) {
  PaletteFixture f;
  const std::string set = testing::ReadFile(kIconSets / "misc2.icl");
  for (const char* name : {"Zoo.icl", "animals.icl", "a.b.icl", "zoo.icl", "readme.txt"})
    f.diary.Write(std::string("BonusIcons/") + name, set);
  f.Create();
  TFloatingPalette& p = *f.palette;
  std::vector<QString> captions;
  for (QAction* a : p.BonusIconSetsMenu->actions()) captions.push_back(a->text());
  EXPECT_EQ(captions, (std::vector<QString>{"a", "animals", "Zoo"}));
  EXPECT_EQ(p.mnuBonusIconSets->menu(), p.BonusIconSetsMenu);

  Item(p.BonusIconSetsMenu, "animals")->trigger();
  EXPECT_EQ(p.IconListBox->FileName(), Q(f.diary / "BonusIcons/animals.icl"));
  EXPECT_EQ(Checked(p), std::vector<QString>{"animals"});
  // A name with more dots is still the file it was found as.
  Item(p.BonusIconSetsMenu, "a")->trigger();
  EXPECT_EQ(p.IconListBox->FileName(), Q(f.diary / "BonusIcons/a.b.icl"));
  EXPECT_EQ(Checked(p), std::vector<QString>{"a"});
  EXPECT_TRUE(f.messages.shown.empty());
}

TEST(IconPalette, BonusItemWithoutBonusSetsSaysSo) {
  PaletteFixture f;
  f.diary.Write("BonusIcons/readme.txt", "no sets here");
  f.Create();
  f.palette->mnuBonusIconSets->trigger();
  ASSERT_EQ(f.messages.shown.size(), 1u);
  EXPECT_EQ(f.messages.shown[0].rfind("No Bonus Sets Found!", 0), 0u);
  EXPECT_EQ(Checked(*f.palette), std::vector<QString>{"Activities"});
}

TEST(IconPalette, OtherKeepsAskingWhileTheFileHoldsNoIcons) {
  PaletteFixture f;
  const fs::path empty = f.diary.Write("notes.txt", "no icons in here");
  const fs::path holiday = f.diary.Write("holiday.icl", testing::ReadFile(kIconSets / "holiday.icl"));
  const fs::path ico = f.diary.Write("sun.ico", [] {
    const auto file = TIconFile::FromFile(kIconSets / "misc1.icl");
    TIconImage image = file.Icon(0)->icon;
    return icons::BuildIcoFile({icons::EncodeDib(image)});
  }());
  f.Create();
  TFloatingPalette& p = *f.palette;

  // No icons, then cancel: the message, then the fallback set.
  f.answers = {Q(empty), QString()};
  p.mnuOtherIconFile->trigger();
  EXPECT_EQ(f.messages.shown, std::vector<std::string>{"No icons found in " + empty.string()});
  EXPECT_EQ(f.startedIn.front(), Q(f.diary.path()));
  EXPECT_EQ(p.IconListBox->FileName(), Q(kIconSets / "misc1.icl"));
  EXPECT_EQ(Checked(p), std::vector<QString>{"Miscellaneous #1"});

  // No icons, then a file with icons whose name is a fixed set's: that item is checked.
  f.messages.shown.clear();
  f.answers = {Q(empty), Q(holiday)};
  p.mnuOtherIconFile->trigger();
  EXPECT_EQ(f.messages.shown.size(), 1u);
  EXPECT_EQ(p.IconListBox->FileName(), Q(holiday));
  EXPECT_EQ(Checked(p), std::vector<QString>{"Holidays"});

  // A single icon file of another name: "Other..." is checked.
  f.messages.shown.clear();
  f.answers = {Q(ico)};
  p.mnuOtherIconFile->trigger();
  EXPECT_TRUE(f.messages.shown.empty());
  EXPECT_EQ(p.IconListBox->NumberOfIcons(), 1);
  EXPECT_EQ(Checked(p), std::vector<QString>{"Other..."});

  // Cancelling at once keeps the set shown.
  f.answers = {};
  p.mnuOtherIconFile->trigger();
  EXPECT_EQ(p.IconListBox->FileName(), Q(ico));
}

// On a screen of twice the density each cell shows the icon's largest image
// pixel for pixel, not the 32x32 one enlarged.
TEST(IconListBox, DenseScreensDrawTheLargestImage) {
  TIconListBox list;
  list.SetFileName(Q(kIconSets / "misc1.icl"));
  list.resize(200, 120);
  list.show();
  QImage shot(list.viewport()->size() * 2, QImage::Format_ARGB32);
  shot.setDevicePixelRatio(2);
  shot.fill(Qt::white);
  list.viewport()->render(&shot);
  const TIconPicture* icon = list.GetIcon(1);  // below the selected first cell
  ASSERT_TRUE(icon);
  ASSERT_EQ(icon->largest.width, 64);
  const QRect cell = list.visualItemRect(list.item(1));
  const QPoint origin = (cell.topLeft() + QPoint((cell.width() - 32) / 2, (cell.height() - 32) / 2)) * 2;
  int differing = 0;
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      const QColor want = QColor::fromRgba(icon->largest.At(x, y));
      const QColor got = shot.pixelColor(origin + QPoint(x, y));
      const auto onWhite = [](int c, int a) { return (c * a + 255 * (255 - a)) / 255; };
      if (std::abs(onWhite(want.red(), want.alpha()) - got.red()) > 3 ||
          std::abs(onWhite(want.green(), want.alpha()) - got.green()) > 3)
        ++differing;
    }
  EXPECT_LT(differing, 64) << "of 4096 device pixels";
}

TEST(IconListBox, FileNameRules) {
  TempDir dir;
  TIconListBox list;
  QSignalSpy changed(&list, &TIconListBox::OnFileChange);
  EXPECT_EQ(list.Version(), "TIconListBox v1.10");
  list.SetVersion("something else");
  EXPECT_EQ(list.Version(), "TIconListBox v1.10");
  EXPECT_EQ(list.NumberOfIcons(), -1);
  EXPECT_FALSE(list.isEnabled());

  list.SetFileName(Q(dir / "missing.icl"));
  EXPECT_EQ(list.NumberOfIcons(), -1);
  EXPECT_EQ(list.count(), 0);
  EXPECT_FALSE(list.isEnabled());
  list.SetAutoDisable(false);
  EXPECT_TRUE(list.isEnabled());
  list.SetAutoDisable(true);

  list.SetFileName(Q(kIconSets / "events.icl"));
  EXPECT_EQ(changed.count(), 2);
  list.SetFileName(Q(kIconSets / "events.icl"));
  EXPECT_EQ(changed.count(), 2) << "the same name again does nothing";

  list.SetEnableCaching(false);
  EXPECT_EQ(list.ExtractedCount(), list.NumberOfIcons()) << "without caching every icon is extracted at load";

  const int columns = list.XIcons();
  list.SetXIcons(0);
  list.SetYIcons(-3);
  EXPECT_EQ(list.XIcons(), columns);
  EXPECT_EQ(list.YIcons(), 1);
  list.SetXIcons(5);
  EXPECT_EQ(list.width(), TIconListBox::ColumnWidth() * 5 + 2);
}

// The section "Icons" of the settings file, through the diary's preferences.
TEST(IconPalette, PreferencesAreAppliedAndStored) {
  PaletteFixture f;
  f.Create();
  TFloatingPalette& p = *f.palette;
  TIniFile ini(f.diary / "QX.INI");
  const TRect main{100, 50, 900, 650};
  TPreferences prefs;
  prefs.Load(ini, f.diary.path(), main);
  EXPECT_EQ(prefs.iconsTop, 150);
  EXPECT_EQ(prefs.iconsLeft, 700);
  // The default names the diary directory's icons/misc1.icl: the program's set.
  ApplyIconPreferences(p, prefs);
  EXPECT_EQ(p.IconListBox->FileName(), Q(kIconSets / "misc1.icl"));
  EXPECT_EQ(Checked(p), std::vector<QString>{"Miscellaneous #1"});
  EXPECT_FALSE(p.isVisible());

  // A setting naming a missing file elsewhere: the set stays, the check follows the name.
  p.mnuActivitiesICL->trigger();
  prefs.iconsFile = (f.diary / "gone/misc2.icl").string();
  ApplyIconPreferences(p, prefs);
  EXPECT_EQ(p.IconListBox->FileName(), Q(kIconSets / "activity.icl"));
  EXPECT_EQ(Checked(p), std::vector<QString>{"Miscellaneous #2"});

  prefs.iconsFile = (kIconSets / "events.icl").string();
  prefs.iconsVisible = true;
  prefs.iconsTop = 30;
  prefs.iconsLeft = 40;
  ApplyIconPreferences(p, prefs);
  EXPECT_TRUE(p.isVisible());
  EXPECT_EQ(Checked(p), std::vector<QString>{"Events"});

  TPreferences stored;
  StoreIconPreferences(p, stored);
  stored.Save(ini);
  TPreferences back;
  back.Load(ini, f.diary.path(), main);
  EXPECT_EQ(back.iconsFile, (kIconSets / "events.icl").string());
  EXPECT_TRUE(back.iconsVisible);
  EXPECT_EQ(back.iconsTop, p.y());
  EXPECT_EQ(back.iconsLeft, p.x());
  EXPECT_NE(testing::ReadFile(f.diary / "QX.INI").find("[Icons]"), std::string::npos);

  QSignalSpy hidden(&p, &TFloatingPalette::OnHide);
  p.hide();
  EXPECT_EQ(hidden.count(), 1);
}

TEST(IconPalette, BaseNames) {
  struct Case {
    const char* name;
    const char* base;
  };
  for (const Case& c : {Case{"/a/b/holiday.icl", "holiday"}, Case{"C:\\ICONS\\MISC1.ICL", "MISC1"},
                        Case{"c:zoo.icl", "zoo"}, Case{"a.b.icl", "a"}, Case{"plain", "plain"},
                        Case{"", ""}}) {
    EXPECT_EQ(TFloatingPalette::BaseName(c.name), c.base) << c.name;
  }
  EXPECT_EQ(TFloatingPalette::BaseName(QString(70, 'x') + ".icl").size(), 64);
}

// An icon dropped on an entry becomes a bitmap picture at the drop point, the
// entry is changed, and its RTF holds the picture.
TEST(IconDrop, DroppedIconBecomesAPictureInTheEntry) {
  TIconListBox list;
  list.SetFileName(Q(kIconSets / "holiday.icl"));
  std::unique_ptr<QMimeData> data(list.DragData(3));
  ASSERT_TRUE(data);
  EXPECT_TRUE(data->hasImage()) << "other programs take it as a picture too";

  richtext::TRichText entry;
  entry.writeBitmapAsDib = true;
  entry.resize(400, 300);
  entry.show();
  entry.InsertText("Merry days");
  // The main window's handlers: accept icon drags, insert on drop.
  bool accepted = false;
  QObject::connect(&entry, &richtext::TRichText::OnDragOver, [&](QDragMoveEvent* e, richtext::TPosition) {
    accepted = IsIconDrag(e->mimeData());
    if (accepted) e->acceptProposedAction();
  });
  QObject::connect(&entry, &richtext::TRichText::OnDrop, [&](QDropEvent* e, richtext::TPosition) {
    if (DropIcon(entry, e->mimeData())) e->acceptProposedAction();
  });
  QSignalSpy changed(&entry, &richtext::TRichText::OnChange);

  const QPoint start = entry.viewport()->rect().topLeft() + QPoint(6, 8);
  QDragEnterEvent enter(start, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(entry.viewport(), &enter);
  EXPECT_TRUE(accepted);
  QDropEvent drop(start, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(entry.viewport(), &drop);
  EXPECT_GE(changed.count(), 1);

  const auto& text = entry.Document().Par(0).text;
  ASSERT_EQ(text.size(), 11u);
  EXPECT_EQ(text[0], richtext::kObjectById) << "the picture sits at the drop point, before the text";
  const std::string rtf = entry.SaveToBytes();
  EXPECT_NE(rtf.find("\\dibitmap"), std::string::npos);
  EXPECT_NE(rtf.find("\\picw32"), std::string::npos);
  richtext::TRichText reread;
  ASSERT_EQ(reread.LoadFromStream(rtf), richtext::ioOk);
  ASSERT_FALSE(reread.Document().Par(0).text.empty());
  EXPECT_EQ(reread.Document().Par(0).text[0], richtext::kObjectById) << "the saved entry holds the picture";
  bool bitmap = false;
  for (const auto& o : reread.Document().Objects())
    if (o && o->picture && o->picture->kind == richtext::TPicture::Kind::Dib && o->picture->width == 32) bitmap = true;
  EXPECT_TRUE(bitmap) << "as a 32x32 bitmap";

  // Plain pictures from elsewhere are not icons.
  QMimeData other;
  other.setImageData(QImage(8, 8, QImage::Format_RGB32));
  EXPECT_FALSE(IsIconDrag(&other));
  EXPECT_FALSE(DropIcon(entry, &other));
}

}  // namespace
}  // namespace quillet

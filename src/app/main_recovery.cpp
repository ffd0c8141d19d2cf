// SPDX-License-Identifier: GPL-3.0-or-later
// Nothing the user types is lost: the recovery copy of the shown page, the
// save when the session or a signal ends the program, and deleted entries
// brought back.
#include <app/main_screen.h>

#include <app/restore_deleted_dialog.h>
#include <diary/recovery_copy.h>
#include <base/messages.h>
#include <richtext/ui/rich_text.h>
#include <richtext/unicode.h>

#include <QDateTime>
#include <QTimer>

namespace quillet {

void TMainScreen::BuildRecovery() {
  // The first change after a copy starts the timer and later ones leave it
  // running: a copy follows every change within kRecoveryDelayMs, while
  // typing goes on as well as when it pauses. Each is a save of the page into
  // memory and one safe write; a precise timer, since a coarse one may fire late.
  recoveryTimer_ = new QTimer(this);
  recoveryTimer_->setSingleShot(true);
  recoveryTimer_->setTimerType(Qt::PreciseTimer);
  recoveryTimer_->setInterval(kRecoveryDelayMs);
  connect(recoveryTimer_, &QTimer::timeout, this, &TMainScreen::WriteRecoveryCopyNow);
}

void TMainScreen::PageChangedForRecovery() {
  if (recoveryTimer_ && !recoveryTimer_->isActive()) recoveryTimer_->start();
}

void TMainScreen::WriteRecoveryCopyNow() {
  if (recoveryTimer_) recoveryTimer_->stop();
  if (!Unsaved() || unreadable_) return;
  try {
    WriteRecoveryCopy(store_, currentDate_, richText1_->SaveToBytes());
  } catch (const std::exception&) {
    // The page itself is untouched; the next pause tries again.
  }
}

void TMainScreen::DropRecoveryCopy() {
  restoredCopy_ = false;
  if (recoveryTimer_) recoveryTimer_->stop();
  try {
    RemoveRecoveryCopy(diaryDir_);
  } catch (const std::exception&) {
    // A copy that stays is offered at the next start, where it is found saved.
  }
}

void TMainScreen::OfferRecoveryCopy() {
  TRecoveryCopy copy = ReadRecoveryCopy(store_);
  if (copy.status == TRecoveryCopy::kNone) return;
  if (copy.status == TRecoveryCopy::kUnreadable) {
    const std::filesystem::path aside = SetRecoveryCopyAside(diaryDir_);
    Messenger().ShowMessage(copy.problem + "\n\nIt may hold text that was never saved, so it is kept as " +
                            aside.string() + ".");
    return;
  }
  if (RecoveryCopyIsSaved(store_, copy)) {
    DropRecoveryCopy();
    return;
  }
  const std::string taken = ShortDateTime(QDateTime::fromSecsSinceEpoch(qint64(copy.taken)));
  if (!Messenger().ConfirmBox("Quillet was not closed properly. A recovery copy of the entry of " +
                              LongDate(copy.day) + ", taken " + taken +
                              ", holds changes that were never saved.\n\nRestore them? (No "
                              "discards the copy.)")) {
    DropRecoveryCopy();
    return;
  }
  currentDate_ = copy.day;
  FindDateRecord();
  LoadRichText();
  if (unreadable_) {
    // The day's file cannot be read, so nothing may be saved over it; the
    // copy stays for another time.
    Messenger().ShowMessage("The recovery copy is kept in " + RecoveryCopyName(diaryDir_).string() +
                            ", since the entry it belongs to cannot be read.");
    return;
  }
  richText1_->LoadFromStream(copy.bytes);
  richText1_->SetCaretToStart();
  richText1_->Invalidate();
  // Marked changed: nothing is written until the user saves or leaves the day.
  restoredCopy_ = true;
  ShowEditButtons(true);
}

void TMainScreen::SaveForShutdown() {
  shuttingDown_ = true;
  if (Unsaved()) {
    WriteRecoveryCopyNow();  // holds the text should the save fail
    SaveButtonClick();
  }
  SavePreferences();
  SavePlacement();
}

void TMainScreen::RestoreDeletedEntryClick() {
  if (!SaveButtonClick()) return;
  std::vector<TDeletedEntry> deleted = store_.DeletedEntries();
  if (deleted.empty()) {
    Messenger().InfoBox("There are no deleted entries.");
    return;
  }
  auto firstLine = [this](const TDeletedEntry& e) {
    richTextAllPurpose_->Clear();
    const TEntryRead read = store_.ReadFile(e.day, e.file);
    if (read.status != TEntryRead::kOk || richTextAllPurpose_->LoadFromStream(read.bytes) != richtext::ioOk) {
      return std::string("(cannot be read)");
    }
    richtext::TString text = richTextAllPurpose_->Document().Size() > 0
                                 ? richTextAllPurpose_->Document().ParagraphText(0)
                                 : richtext::TString();
    if (text.size() > 60) text = text.substr(0, 57) + U"...";
    return richtext::ToUtf8(text);
  };
  TRestoreDeletedDialog dialog(std::move(deleted), firstLine, this);
  CenterForm(&dialog);
  dialog.exec();
  richTextAllPurpose_->Clear();
  std::optional<TDeletedEntry> chosen = dialog.Chosen();
  if (!chosen) return;
  if (store_.Exists(chosen->day) &&
      !Messenger().ConfirmBox("The entry of " + LongDate(chosen->day) +
                              " is there again. Replace it with the deleted one? (The one there "
                              "now is kept among the deleted entries.)")) {
    return;
  }
  try {
    store_.Restore(*chosen);
  } catch (const std::exception& e) {
    Messenger().ShowMessage(e.what());
    return;
  }
  currentDate_ = chosen->day;
  FindDateRecord();
  LoadRichText();
}

}  // namespace quillet

// SPDX-License-Identifier: GPL-3.0-or-later
#include <app/legacy_offer.h>

#include <app/convert_notify.h>
#include <app/main_screen.h>

#include <diary/dates.h>
#include <diary/legacy_conversion.h>
#include <base/messages.h>

#include <QCoreApplication>
#include <QLabel>

#include <memory>

namespace quillet {

const char* const kLegacyConversionOffer =
    "Old file format detected. Would you like to\rconvert to the new file format now? (Press No\r"
    "if you wish to make backups of your datafiles\rfirst)";

namespace {

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += "\n" + line;
  return text;
}

}  // namespace

bool OfferLegacyConversion(TMainScreen& window) {
  if (!Messenger().ConfirmBox(kLegacyConversionOffer)) return false;

  TConversionReport report;
  {
    auto notify = std::make_unique<TConvertNotify>();
    notify->show();
    QCoreApplication::processEvents();
    report = PerformConversion(window.DiaryDir(), window.Store().Key(),
                               [&](TDate day, TConversionPhase phase) {
                                 notify->SetStatus(
                                     QString::fromLatin1(phase == TConversionPhase::Processing
                                                             ? "Processing entry for "
                                                             : "Encrypting entry for ") +
                                     QString::fromStdString(ShortDate(day)));
                                 QCoreApplication::processEvents();
                               });
  }  // the status window goes before any message
  if (!report.completed) {
    Messenger().ShowMessage("The old diary was not converted: " + report.failure +
                            "\nNothing was written; the conversion is offered again at the next "
                            "start. To start without converting, move QUILLET.DBF out of " +
                            window.DiaryDir().string() + ".");
    return false;
  }
  const std::vector<std::string> lines = report.Lines();
  if (!lines.empty()) {
    Messenger().InfoBox("The old diary was converted into " +
                        std::to_string(report.entriesWritten) + " entries." + Joined(lines));
  }
  return true;
}

}  // namespace quillet

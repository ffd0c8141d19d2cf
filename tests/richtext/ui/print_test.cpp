// SPDX-License-Identifier: GPL-3.0-or-later
// Printing to PDF files, read back with pdftotext.
#include <richtext/ui/rich_text.h>

#include "../../support/temp_dir.h"
#include "../table_rtf.h"

#include <QPrinter>

#include <gtest/gtest.h>

#include <cstdio>
#include <regex>

namespace richtext {
namespace {

using quillet::testing::TempDir;

std::string PdfText(const std::filesystem::path& pdf, int page) {
  std::string command = "pdftotext -layout -f " + std::to_string(page) + " -l " + std::to_string(page) +
                        " '" + pdf.string() + "' -";
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  char buf[4096];
  size_t n;
  while (pipe && (n = fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
  if (pipe) pclose(pipe);
  return out;
}

int PdfPages(const std::filesystem::path& pdf) {
  int pages = 0;
  while (!PdfText(pdf, pages + 1).empty() && pages < 100) ++pages;
  return pages;
}

TEST(Print, PagesHeadersAndFootersInAPdf) {
  TempDir dir;
  TRichText edit;
  std::string rtf = "{\\rtf1{\\fonttbl{\\f0 Arial;}}\\f0\\fs24 First page text\\par\\page Second page text";
  for (int i = 0; i < 80; ++i) rtf += "\\par Line " + std::to_string(i);
  edit.LoadFromStream(rtf + "}");
  edit.PrintHeader = [](QPainter& p, const QRect& band, int page, long) {
    p.drawText(band, Qt::AlignBottom | Qt::AlignLeft, QStringLiteral("Header %1").arg(page));
  };
  edit.PrintFooter = [](QPainter& p, const QRect& band, int page, long) {
    p.drawText(band, Qt::AlignTop | Qt::AlignRight, QStringLiteral("Footer %1").arg(page));
  };
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(QString::fromStdString((dir / "entry.pdf").string()));
  ASSERT_TRUE(edit.PrintAll(printer));

  std::string one = PdfText(dir / "entry.pdf", 1), two = PdfText(dir / "entry.pdf", 2);
  EXPECT_NE(one.find("First page text"), std::string::npos) << one;
  EXPECT_EQ(one.find("Second page text"), std::string::npos);  // the forced break
  EXPECT_NE(two.find("Second page text"), std::string::npos) << two;
  EXPECT_NE(one.find("Header 1"), std::string::npos);
  EXPECT_NE(one.find("Footer 1"), std::string::npos);
  EXPECT_NE(two.find("Header 2"), std::string::npos);
  // 80 lines of 12 points do not fit on one page: the rest runs on.
  int pages = PdfPages(dir / "entry.pdf");
  EXPECT_GE(pages, 3);
  EXPECT_NE(PdfText(dir / "entry.pdf", pages).find("Line 79"), std::string::npos);
}

TEST(Print, TablesPrintAsGrids) {
  TempDir dir;
  TRichText edit;
  // A row's cells stand on one line of the page, the tall cell's lines below:
  // in the table as typed, and in one LibreOffice Writer made of ours.
  struct Case {
    std::string rtf;
    std::vector<const char*> patterns;
  } cases[] = {
      {testing::kLibreOfficeTable, {"Name +Place +Time", "Anna +Lisbon +June\\s+Porto\\s+Faro\\s+After the table"}},
      {testing::RtfFixture("lo-table.rtf"),
       {"Day +Route +Weather", "Monday +Along the river +Rain\\s+back by the mill\\s+Tuesday +Hill path +Sun"}},
  };
  for (const Case& c : cases) {
    TRichText other;
    other.LoadFromStream(c.rtf);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString((dir / "table.pdf").string()));
    ASSERT_TRUE(other.PrintAll(printer));
    std::string text = PdfText(dir / "table.pdf", 1);
    for (const char* pattern : c.patterns) EXPECT_TRUE(std::regex_search(text, std::regex(pattern))) << text;
  }
  edit.LoadFromStream(testing::kLibreOfficeTable);

  // Printing on a canvas keeps a row whole too.
  QImage image(600, 2000, QImage::Format_RGB32);
  QPainter painter(&image);
  edit.PrintOnCanvas(painter, 2, 0, QRect(0, 0, 600, 2000));
  long lines = 0;
  for (size_t k = 0; k < edit.Document().Size(); ++k) lines += long(edit.Layout().Paragraph(k).lines.size());
  EXPECT_EQ(edit.PrintOnCanvas(painter, 1, 0, QRect(0, 0, 600, 2000)), 0);
  long next = edit.PrintOnCanvas(painter, 0, 0, QRect(0, 0, 600, 40));  // the first line and a row at most
  EXPECT_GT(next, 0);
  EXPECT_LT(next, lines);
  edit.PrintOnCanvas(painter, 4, 0, QRect());
}

TEST(Print, PrintOnCanvasFillsARectangleAndSaysWhereToGoOn) {
  TRichText edit;
  std::string rtf = "{\\rtf1 ";
  for (int i = 0; i < 30; ++i) rtf += "Line " + std::to_string(i) + "\\par ";
  edit.LoadFromStream(rtf + "}");
  QImage image(400, 200, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  QRect rect(0, 0, 400, 200);
  edit.PrintOnCanvas(painter, 2, 0, rect);
  long next = edit.PrintOnCanvas(painter, 0, 0, rect);
  EXPECT_GT(next, 0);
  EXPECT_LT(next, 31);
  EXPECT_EQ(edit.PrintOnCanvas(painter, 1, next, QRect(0, 0, 400, 100000)), 0);
  edit.PrintOnCanvas(painter, 4, 0, rect);
}

}  // namespace
}  // namespace richtext

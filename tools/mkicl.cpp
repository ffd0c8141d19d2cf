// SPDX-License-Identifier: GPL-3.0-or-later
// mkicl: builds the icon libraries the program ships, and reads icon files as
// the icon palette does.
//
//   mkicl count FILE                  how many icons FILE holds
//   mkicl extract FILE INDEX OUT.png  icon INDEX at 32x32, with its transparency
//   mkicl build SOURCE OUT.icl        an NE icon library from the glyphs SOURCE lists
#include <decoration/icon_file.h>
#include <decoration/icon_image.h>
#include <decoration/icon_qimage.h>
#include <decoration/icon_writer.h>

#include <base/error.h>
#include <base/safe_file.h>

#include <QFont>
#include <QFontInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "command_line.h"

namespace {

using quillet::TIconImage;

const char kUsage[] =
    "usage: mkicl count FILE\n"
    "       mkicl extract FILE INDEX OUT.png\n"
    "       mkicl build SOURCE OUT.icl\n";

const char kHelp[] =
    "\n"
    "Reads icon files (.ICO, 16-bit NE and 32/64-bit PE modules, recognised by\n"
    "content) as Quillet's icon palette does, and builds icon libraries.\n"
    "\n"
    "  count FILE                  print the number of icons FILE holds\n"
    "  extract FILE INDEX OUT.png  write icon INDEX (from 0) at 32x32 as a PNG\n"
    "  build SOURCE OUT.icl        build a 16-bit NE icon library from SOURCE:\n"
    "                              a line \"font FAMILY\", then one line per icon,\n"
    "                              \"U+XXXX[+U+YYYY...] description\"; '#' starts\n"
    "                              a comment\n"
    "  -h, --help                  show this help\n"
    "\n"
    "Exit status: 0 on success, 1 when the work fails, 2 on wrong usage.\n";

int Usage() { return quillet::cli::Usage(kUsage); }

int Fail(const std::string& message) { return quillet::cli::Fail("mkicl", message); }

bool Readable(const char* path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

int Count(const char* path) {
  if (!Readable(path)) return Fail(std::string("cannot read ") + path);
  std::printf("%d\n", quillet::CountIcons(path));
  return 0;
}

int Extract(const char* path, const char* indexText, const char* out) {
  char* end = nullptr;
  const long index = std::strtol(indexText, &end, 10);
  if (!*indexText || *end || index < 0 || index > 0x7FFFFFFF) return Usage();
  if (!Readable(path)) return Fail(std::string("cannot read ") + path);
  const auto file = quillet::TIconFile::FromFile(path);
  if (index >= file.Count())
    return Fail(std::string(path) + " holds " + std::to_string(file.Count()) + " icons, no icon " + indexText);
  const auto icon = file.Icon(static_cast<int>(index));
  if (!icon) return Fail(std::string("icon ") + indexText + " of " + path + " is damaged");
  quillet::WriteFileSafely(out, quillet::icons::EncodePng(icon->icon), quillet::TFileAccess::kShared);
  return 0;
}

// One icon of a source file: the code points of its glyph and a description.
struct Glyph {
  std::u32string text;
  std::string description;
  int line = 0;
};

struct Source {
  std::string family;
  std::vector<Glyph> glyphs;
};

Source ReadSource(const char* path) {
  std::ifstream in(path);
  if (!in) throw quillet::Error(std::string("cannot read ") + path);
  Source source;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    const auto hash = line.find('#');
    if (hash != std::string::npos) line.erase(hash);
    std::istringstream words(line);
    std::string first;
    if (!(words >> first)) continue;
    auto fault = [&](const char* what) {
      return quillet::Error(std::string(path) + ":" + std::to_string(number) + ": " + what);
    };
    if (first == "font") {
      std::getline(words >> std::ws, source.family);
      continue;
    }
    Glyph glyph;
    glyph.line = number;
    std::istringstream codes(first);
    std::string code;
    while (std::getline(codes, code, '+')) {
      if (code == "U") continue;
      char* end = nullptr;
      const unsigned long value = std::strtoul(code.c_str(), &end, 16);
      if (code.empty() || *end || value == 0 || value > 0x10FFFF) throw fault("expected U+XXXX");
      glyph.text.push_back(static_cast<char32_t>(value));
    }
    if (glyph.text.empty()) throw fault("expected U+XXXX");
    std::getline(words >> std::ws, glyph.description);
    source.glyphs.push_back(std::move(glyph));
  }
  if (source.family.empty()) throw quillet::Error(std::string(path) + ": no \"font FAMILY\" line");
  return source;
}

// The glyph drawn large, cut to its inked area, then fitted centred into a
// square of each size with a one-pixel margin per 32 pixels.
std::vector<std::string> RenderIcon(const QFont& font, const Glyph& glyph) {
  QImage canvas(256, 256, QImage::Format_ARGB32_Premultiplied);
  canvas.fill(Qt::transparent);
  {
    QPainter painter(&canvas);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(canvas.rect(), Qt::AlignCenter,
                     QString::fromUcs4(glyph.text.data(), static_cast<qsizetype>(glyph.text.size())));
  }
  int left = canvas.width(), top = canvas.height(), right = -1, bottom = -1;
  for (int y = 0; y < canvas.height(); ++y) {
    const auto* row = reinterpret_cast<const uint32_t*>(canvas.constScanLine(y));
    for (int x = 0; x < canvas.width(); ++x) {
      if (row[x] >> 24) {
        left = std::min(left, x), right = std::max(right, x);
        top = std::min(top, y), bottom = std::max(bottom, y);
      }
    }
  }
  if (right < 0) throw quillet::Error("line " + std::to_string(glyph.line) + ": the glyph draws nothing");
  const QImage inked = canvas.copy(left, top, right - left + 1, bottom - top + 1);
  std::vector<std::string> images;
  for (int size : {16, 32, 64}) {
    const int room = size - 2 * (size / 32 > 0 ? size / 32 : 1);
    const QImage fitted = inked.scaled(room, room, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QImage square(size, size, QImage::Format_ARGB32_Premultiplied);
    square.fill(Qt::transparent);
    QPainter painter(&square);
    painter.drawImage((size - fitted.width()) / 2, (size - fitted.height()) / 2, fitted);
    painter.end();
    const TIconImage image = quillet::FromQImage(square);
    // Small sizes as bitmaps any reader knows, the large one PNG-compressed.
    images.push_back(size < 64 ? quillet::icons::EncodeDib(image) : quillet::icons::EncodePng(image));
  }
  return images;
}

int Build(int argc, char** argv, const char* sourcePath, const char* out) {
  const Source source = ReadSource(sourcePath);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  QFont font(QString::fromStdString(source.family));
  font.setPixelSize(109);
  if (QFontInfo(font).family() != font.family())
    return Fail("font \"" + source.family + "\" is not installed (found \"" +
                QFontInfo(font).family().toStdString() + "\")");
  std::vector<quillet::icons::TIconImages> icons;
  for (const Glyph& glyph : source.glyphs) icons.push_back(RenderIcon(font, glyph));
  const std::string name = std::filesystem::path(out).stem().string();
  quillet::WriteFileSafely(out, quillet::icons::BuildIconLibrary(icons, name), quillet::TFileAccess::kShared);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::fputs(kUsage, stdout);
    std::fputs(kHelp, stdout);
    return 0;
  }
  if (argc < 2) return Usage();
  const std::string command = argv[1];
  try {
    if (command == "count" && argc == 3) return Count(argv[2]);
    if (command == "extract" && argc == 5) return Extract(argv[2], argv[3], argv[4]);
    if (command == "build" && argc == 4) return Build(argc, argv, argv[2], argv[3]);
  } catch (const std::exception& e) {
    return Fail(e.what());
  }
  return Usage();
}

// SPDX-License-Identifier: GPL-3.0-or-later
// rtfconv: the rich-text engine on the command line. Loads a file as RTF or
// plain text and writes it as RTF or as plain UTF-8 text.
//
//   rtfconv [--from auto|rtf|text] [--to rtf|text] IN [OUT]
//   rtfconv --help | --version
#include <richtext/io.h>
#include <richtext/unicode.h>

#include <base/safe_file.h>

#include <cstdio>
#include <string>

#ifndef QUILLET_VERSION
#define QUILLET_VERSION "0"
#endif

namespace {

const char* const kUsage = "Usage: rtfconv [--from auto|rtf|text] [--to rtf|text] IN [OUT]\n";

// Wrong usage: the reason, the usage line, exit status 2.
int Usage(const std::string& reason) {
  std::fprintf(stderr, "rtfconv: %s\n%s", reason.c_str(), kUsage);
  return 2;
}

void PrintHelp() {
  std::printf("%s\nReads IN, an RTF or a plain text file, and writes it to OUT (or to standard\n"
              "output) as RTF or as plain UTF-8 text with one line per paragraph.\n\n"
              "  --from auto|rtf|text  what IN is; auto (the default) looks at its content\n"
              "  --to rtf|text         what to write; rtf is the default\n"
              "  --help                show this help\n"
              "  --version             show the version\n"
              "\nExit status: 0 done, 1 failed, 2 wrong usage.\n",
              kUsage);
}

// Plain text gathered in pieces and handed to a sink, so that a large
// document is never held twice.
class TextOut : public richtext::TOutStream {
 public:
  explicit TextOut(std::FILE* file) : file_(file) {}
  size_t Write(const char* data, size_t count) override { return std::fwrite(data, 1, count, file_); }

 private:
  std::FILE* file_;
};

// One line per paragraph; line breaks inside a paragraph start a new line too.
bool WritePlainText(const richtext::TRTFText& doc, richtext::TOutStream& out) {
  static char piece[1 << 16];
  size_t n = 0;
  auto flush = [&] {
    bool ok = out.Write(piece, n) == n;
    n = 0;
    return ok;
  };
  // Before each character and each line end: room for the longest one.
  auto room = [&] { return n + 4 <= sizeof piece || flush(); };
  for (const auto& p : doc.Paragraphs()) {
    for (char32_t c : p->text) {
      if (!room()) return false;
      if (c < 0x80) {
        if (c > 3) piece[n++] = char(c);  // object characters are no text
      } else {
        n += richtext::EncodeUtf8(c, piece + n);
      }
    }
    if (!room()) return false;
    piece[n++] = '\n';
  }
  return flush();
}

}  // namespace

int main(int argc, char** argv) {
  std::string from = "auto", to = "rtf";
  const char* in = nullptr;
  const char* outPath = nullptr;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      PrintHelp();
      return 0;
    }
    if (a == "--version") {
      std::printf("rtfconv %s\n", QUILLET_VERSION);
      return 0;
    }
  }
  bool operandsOnly = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (!operandsOnly && (a == "--from" || a == "--to")) {
      if (i + 1 >= argc) return Usage(a + " needs a value");
      (a == "--from" ? from : to) = argv[++i];
    } else if (!operandsOnly && (a.rfind("--from=", 0) == 0 || a.rfind("--to=", 0) == 0)) {
      const size_t eq = a.find('=');
      (a.compare(0, eq, "--from") == 0 ? from : to) = a.substr(eq + 1);
    } else if (!operandsOnly && a == "--") {
      operandsOnly = true;
    } else if (!operandsOnly && a.size() > 1 && a[0] == '-') {
      return Usage("unknown option '" + a + "'");
    } else if (!in) {
      in = argv[i];
    } else if (!outPath) {
      outPath = argv[i];
    } else {
      return Usage("too many operands");
    }
  }
  if (from != "auto" && from != "rtf" && from != "text") return Usage("--from takes auto, rtf or text");
  if (to != "rtf" && to != "text") return Usage("--to takes rtf or text");
  if (!in) return Usage("missing operand IN");

  std::string bytes;
  try {
    bytes = quillet::ReadWholeFile(in);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "rtfconv: %s\n", e.what());
    return 1;
  }
  // The document lives until the process ends; the system takes its memory
  // back at once, without freeing it piece by piece. It is held by a static
  // pointer so that it stays reachable to the end rather than lost.
  static richtext::TRTFTextIo* const document = new richtext::TRTFTextIo;
  richtext::TRTFTextIo& doc = *document;
  if (to == "text") doc.SetMemoryFormat(false);  // plain text needs no attributes
  doc.loadFormat = from == "rtf"    ? richtext::FormatRTF
                   : from == "text" ? richtext::FormatANSI
                                    : richtext::AutomaticFormat;
  if (doc.LoadFromStream(bytes) != richtext::ioOk) {
    std::fprintf(stderr, "rtfconv: cannot read %s\n", in);
    return 1;
  }
  bytes.clear();
  bytes.shrink_to_fit();
  if (doc.lastLosses.tooDeep != 0) {
    std::fprintf(stderr, "rtfconv: %s: text inside groups nested too deeply was left out (%zu bytes)\n", in,
                 doc.lastLosses.tooDeep);
    return 1;
  }

  // Standard output takes the text as it is made; a file is written whole
  // beside the old one and then put in its place.
  richtext::TStringStream buffer;
  TextOut stdoutSink(stdout);
  richtext::TOutStream& out = outPath ? static_cast<richtext::TOutStream&>(buffer) : stdoutSink;
  bool ok;
  if (to == "text") {
    ok = WritePlainText(doc, out);
  } else {
    doc.saveFormat = richtext::FormatRTF;
    ok = doc.SaveToStream(out, true) == richtext::ioOk;
  }
  ok = ok && std::fflush(stdout) == 0;
  if (!ok) {
    std::fprintf(stderr, "rtfconv: cannot write the output\n");
    return 1;
  }
  if (outPath) {
    try {
      quillet::WriteFileSafely(outPath, buffer.bytes, quillet::TFileAccess::kShared);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "rtfconv: %s\n", e.what());
      return 1;
    }
  }
  return 0;
}

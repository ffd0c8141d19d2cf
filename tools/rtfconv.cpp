// rtfconv: the rich-text engine on the command line. Loads a file as RTF or
// plain text and writes it as RTF or as plain UTF-8 text.
//
//   rtfconv [--from auto|rtf|text] [--to rtf|text] IN [OUT]
#include <richtext/io.h>
#include <richtext/unicode.h>

#include <base/safe_file.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

int Usage() {
  std::fprintf(stderr, "usage: rtfconv [--from auto|rtf|text] [--to rtf|text] IN [OUT]\n");
  return 2;
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
  for (const auto& p : doc.Paragraphs()) {
    for (char32_t c : p->text) {
      if (n > sizeof piece - 8 && !flush()) return false;
      if (c < 0x80) {
        if (c > 3) piece[n++] = char(c);  // object characters are no text
      } else {
        n += richtext::EncodeUtf8(c, piece + n);
      }
    }
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
    if (std::strcmp(argv[i], "--from") == 0 && i + 1 < argc) {
      from = argv[++i];
    } else if (std::strcmp(argv[i], "--to") == 0 && i + 1 < argc) {
      to = argv[++i];
    } else if (!in) {
      in = argv[i];
    } else if (!outPath) {
      outPath = argv[i];
    } else {
      return Usage();
    }
  }
  if (!in || (from != "auto" && from != "rtf" && from != "text") || (to != "rtf" && to != "text")) {
    return Usage();
  }

  std::string bytes;
  try {
    bytes = quillet::ReadWholeFile(in);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "rtfconv: %s\n", e.what());
    return 1;
  }
  // The document lives until the process ends; the system takes its memory
  // back at once, without freeing it piece by piece.
  richtext::TRTFTextIo& doc = *new richtext::TRTFTextIo;
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
      quillet::WriteFileSafely(outPath, buffer.bytes);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "rtfconv: %s\n", e.what());
      return 1;
    }
  }
  return 0;
}

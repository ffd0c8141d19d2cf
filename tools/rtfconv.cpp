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

// One line per paragraph; line breaks inside a paragraph start a new line too.
std::string PlainText(const richtext::TRTFText& doc) {
  std::string out;
  for (const auto& p : doc.Paragraphs()) {
    for (char32_t c : p->text) {
      if (c > 3) richtext::AppendUtf8(out, c);
    }
    out.push_back('\n');
  }
  return out;
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
  richtext::TRTFTextIo doc;
  doc.loadFormat = from == "rtf"    ? richtext::FormatRTF
                   : from == "text" ? richtext::FormatANSI
                                    : richtext::AutomaticFormat;
  if (doc.LoadFromStream(bytes) != richtext::ioOk) {
    std::fprintf(stderr, "rtfconv: cannot read %s\n", in);
    return 1;
  }
  bytes.clear();
  bytes.shrink_to_fit();

  std::string result;
  if (to == "text") {
    result = PlainText(doc);
  } else {
    richtext::TStringStream out;
    doc.saveFormat = richtext::FormatRTF;
    if (doc.SaveToStream(out, true) != richtext::ioOk) {
      std::fprintf(stderr, "rtfconv: cannot write RTF\n");
      return 1;
    }
    result = std::move(out.bytes);
  }
  try {
    if (outPath) {
      quillet::WriteFileSafely(outPath, result);
    } else if (std::fwrite(result.data(), 1, result.size(), stdout) != result.size() ||
               std::fflush(stdout) != 0) {
      std::fprintf(stderr, "rtfconv: cannot write the output\n");
      return 1;
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "rtfconv: %s\n", e.what());
    return 1;
  }
  return 0;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include <richtext/codepage.h>

#include <richtext/unicode.h>

#include <iconv.h>

#include <map>
#include <mutex>
#include <set>
#include <string>
#include <unordered_map>

namespace richtext {

int CharsetCodePage(int charset) {
  switch (charset) {
    case 0: return 1252;
    case 77: return 10000;
    case 78: return 10001;  // Mac Japanese
    case 79: return 10003;  // Mac Korean
    case 80: return 10008;  // Mac Simplified Chinese
    case 81: return 10002;  // Mac Traditional Chinese
    case 89: return 10007;  // Mac Cyrillic
    case 88: return 10029;  // Mac Central European
    case 128: return 932;
    case 129: return 949;
    case 130: return 1361;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    case 254: return 437;
    case 255: return 850;
    default: return 0;  // 1 default, 2 symbol and the rest: the document's page
  }
}

// The characters of one code page, worked out once through iconv: a table
// for single bytes, which bytes lead a pair, and the pairs as they are met.
struct TCodePageDecoder::Table {
  int codePage = 1252;
  iconv_t cd = iconv_t(-1);
  TChar single[256];
  bool lead[256];
  mutable std::unordered_map<uint16_t, TChar> pairs;

  ~Table() {
    if (cd != iconv_t(-1)) iconv_close(cd);
  }

  TChar Convert(const char* in, size_t n, bool& ok) const {
    if (cd == iconv_t(-1)) {
      ok = false;
      return 0;
    }
    char32_t out[4];
    char* src = const_cast<char*>(in);
    size_t left = n;
    char* dst = reinterpret_cast<char*>(out);
    size_t room = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    size_t r = iconv(cd, &src, &left, &dst, &room);
    ok = r != size_t(-1) && left == 0 && room < sizeof out;
    return ok ? out[0] : 0;
  }
};

namespace {

std::string IconvName(int cp) {
  switch (cp) {
    case 10000: return "MACINTOSH";
    case 10001: return "CP932";  // the Mac Japanese page is Shift-JIS with a few extras
    case 10002: return "BIG5";
    case 10003: return "EUC-KR";
    case 10007: return "MAC-CYRILLIC";
    case 10008: return "GB2312";
    case 10029: return "MAC-CENTRALEUROPE";
    case 932: return "CP932";
    case 936: return "CP936";
    case 949: return "CP949";
    case 950: return "CP950";
    case 1361: return "JOHAB";
    default: return "CP" + std::to_string(cp);
  }
}

}  // namespace

TCodePageDecoder::TCodePageDecoder(int codePage) : codePage_(codePage) {
  static std::mutex mutex;
  static std::map<int, std::unique_ptr<Table>> tables;
  static std::set<int> unknown;
  std::lock_guard lock(mutex);
  // Pages iconv does not know are read as Windows-1252.
  iconv_t cd = iconv_t(-1);
  if (unknown.count(codePage)) codePage = 1252;
  if (codePage != 1252 && !tables.count(codePage)) {
    cd = iconv_open("UTF-32LE", IconvName(codePage).c_str());
    if (cd == iconv_t(-1)) {
      if (unknown.size() < 1000) unknown.insert(codePage);
      codePage = 1252;
    }
  }
  codePage_ = codePage;
  std::unique_ptr<Table>& t = tables[codePage];
  if (!t) {
    t = std::make_unique<Table>();
    t->codePage = codePage;
    t->cd = cd;
    for (int b = 0; b < 256; ++b) {
      char c = char(b);
      bool ok = false;
      TChar u = t->codePage == 1252 ? Cp1252ToUnicode(uint8_t(b)) : t->Convert(&c, 1, ok);
      if (t->codePage == 1252) ok = true;
      t->single[b] = ok ? u : Cp1252ToUnicode(uint8_t(b));
      // A byte that does not stand alone but starts a valid pair is a lead byte.
      t->lead[b] = false;
      if (!ok && b >= 0x81) {
        for (int trail : {0x40, 0x41, 0xA1, 0x80}) {
          char pair[2] = {c, char(trail)};
          bool pairOk = false;
          t->Convert(pair, 2, pairOk);
          if (pairOk) {
            t->lead[b] = true;
            break;
          }
        }
      }
    }
  }
  table_ = t.get();
}

TCodePageDecoder::~TCodePageDecoder() = default;

bool TCodePageDecoder::Decode(uint8_t byte, TChar& out) {
  if (lead_ != 0) {
    uint16_t key = uint16_t(lead_ << 8 | byte);
    uint8_t lead = lead_;
    lead_ = 0;
    auto it = table_->pairs.find(key);
    if (it != table_->pairs.end()) {
      out = it->second;
      return true;
    }
    char pair[2] = {char(lead), char(byte)};
    bool ok = false;
    TChar u = table_->Convert(pair, 2, ok);
    out = ok ? u : U'\uFFFD';
    table_->pairs.emplace(key, out);
    return true;
  }
  if (table_->lead[byte]) {
    lead_ = byte;
    return false;
  }
  out = table_->single[byte];
  return true;
}

}  // namespace richtext

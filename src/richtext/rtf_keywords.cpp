// SPDX-License-Identifier: GPL-3.0-or-later
// The control words of RTF that the reader knows.
#include <richtext/rtf_reader_impl.h>

namespace richtext::rtf {

const KeywordTable& Keywords() {
  static const KeywordTable table = [] {
    KeywordTable t;
    auto add = [&](std::string_view w, K k, int v = 0, bool always = false) { t[w] = {k, v, always}; };
    // Characters.
    add("tab", K::Char, 9);
    add("line", K::Char, int(kLineWord));
    add("ldblquote", K::Char, '"');
    add("rdblquote", K::Char, '"');
    add("lquote", K::Char, 0x2018);
    add("rquote", K::Char, 0x2019);
    add("emdash", K::Char, 0x2014);
    add("endash", K::Char, 0x2013);
    add("bullet", K::Char, 0x2022);
    add("emspace", K::Char, 0x2003);
    add("enspace", K::Char, 0x2002);
    add("qmspace", K::Char, 0x2005);
    add("zwj", K::Char, 0x200D);
    add("zwnj", K::Char, 0x200C);
    add("ltrmark", K::Char, 0x200E);
    add("rtlmark", K::Char, 0x200F);
    add("~", K::Char, 0xA0);
    add("-", K::Char, 0xAD);
    add("_", K::Char, 0x2011);
    add("par", K::Par);
    add("\n", K::Par);
    add("\r", K::Par);
    add("sect", K::Sect);
    // Specials.
    add("bin", K::Bin);
    add("u", K::Unicode);
    add("uc", K::UnicodeSkip, 1);
    // Destinations.
    add("fonttbl", K::FontTable);
    add("colortbl", K::ColorTable);
    add("pict", K::Pict);
    add("picfile", K::PicFile);
    add("title", K::Title);
    add("subject", K::Subject);
    add("comment", K::Comment);
    add("footnote", K::Footnote);
    for (const char* w : {"field", "fldrslt", "shppict", "ud", "result", "shprslt", "object",
                          "nesttableprops"}) {
      add(w, K::Transparent);
    }
    for (const char* w :
         {"author", "buptim", "creatim", "doccomm", "footer", "footerf", "footerl", "footerr",
          "ftncn", "ftnsep", "ftnsepc", "header", "headerf", "headerl", "headerr", "info",
          "keywords", "operator", "printim", "private1", "revtim", "rxe", "tc",
          "delphicontrol",
          // Word and other writers: tables and data that are no body text.
          "fldinst", "listtable", "listoverridetable", "pgdsctbl", "xe", "txe", "nonshppict",
          "themedata", "colorschememapping", "latentstyles", "datastore", "xmlnstbl", "rsidtbl",
          "generator", "filetbl", "revtbl", "objdata", "objclass", "objname", "pntxta", "pntxtb",
          "bkmkstart", "bkmkend", "atnid", "atnauthor", "annotation", "userprops",
          "docvar", "listpicture", "blipuid", "picprop", "shpinst", "background", "aftncn",
          "aftnsep", "aftnsepc", "falt", "panose", "fontemb", "fontfile", "template",
          "expandedcolortbl", "mmathPr", "protusertbl", "wgrffmtfilter", "hlinkbase",
          "listlevel", "list", "formfield", "datafield", "macpict",
          "pmmetafile", "category", "company", "manager", "hyperlink", "docfmt", "nextfile"}) {
      add(w, K::SkipDest);
    }
    add("upr", K::Upr);
    // Character properties.
    add("stylesheet", K::StyleSheet);
    add("s", K::Style, 0, true);
    add("cs", K::Style, 1, true);
    add("ds", K::Style, 2, true);
    add("ts", K::Style, 2, true);
    add("sbasedon", K::StyleBasedOn);
    add("plain", K::Plain);
    add("loch", K::CharClass, 0, true);
    add("hich", K::CharClass, 1, true);
    add("dbch", K::CharClass, 2, true);
    // After \rtlch and \ltrch the associated words are for the text of that
    // direction (Word's \rtlch\afs is the size of complex script), never
    // for double-byte text.
    add("rtlch", K::CharClass, 3, true);
    add("ltrch", K::CharClass, 3, true);
    add("af", K::AssocFont);
    add("afs", K::AssocSize);
    add("ab", K::AssocFlag, afBold);
    add("ai", K::AssocFlag, afItalic);
    add("b", K::Flag, afBold);
    add("i", K::Flag, afItalic);
    add("ul", K::Flag, afUnderline);
    for (const char* w : {"ulw", "uld", "uldash", "uldashd", "uldashdd", "ulwave", "ulth",
                          "ulhwave", "ululdbwave", "ulthd", "ulthdash", "ulldash", "ulthldash",
                          "ulthdashd", "ulthdashdd"}) {
      add(w, K::Flag, afUnderline);
    }
    add("ulnone", K::UlNone);
    add("strike", K::Flag, afStrikeOut);
    add("striked", K::Flag, afStrikeOut);
    add("uldb", K::Flag, afDoubleUnderline);
    add("shad", K::Flag, afProtected);
    add("v", K::Flag, afHidden);
    add("sub", K::Flag, afSubscript);
    add("super", K::Super);
    add("nosupersub", K::NoSuperSub);
    add("f", K::Font);
    add("fs", K::FontSize, 100);
    add("cf", K::TextColor);
    add("cb", K::BackColor);
    add("highlight", K::Highlight);
    add("chcbpat", K::Highlight);
    add("inspnt", K::InsPoint);
    add("inaut", K::InAuto, 1);
    add("wprtf", K::RtfCode, 1);
    add("wpobjtag", K::ObjTag);
    add("wpobjw", K::ObjWidth);
    add("wpobjh", K::ObjHeight);
    add("wpfnnr", K::FootnoteNumber);
    add("chftn", K::FootnoteMark);
    // Paragraph properties.
    add("pard", K::Pard);
    // Lists: the numbering of the older paragraph words, and the list
    // tables' lists by their override number and level.
    add("pn", K::ListNumbering);
    add("pntext", K::ListText);
    add("listtext", K::ListText);
    add("pnlvlblt", K::ListKind, lkBullet, true);
    add("pnlvlbody", K::ListKind, lkNumber, true);
    add("pnlvlcont", K::ListKind, lkNumber, true);
    add("pnlvl", K::ListLevel, 1);  // an outline level, counted from 1
    add("ilvl", K::ListLevel, 0);
    add("ls", K::ListOverride);
    add("li", K::LeftIndent);
    add("lin", K::LeftIndent);
    add("fi", K::FirstIndent);
    add("ri", K::RightIndent);
    add("rin", K::RightIndent);
    add("sb", K::SpaceBefore);
    add("sa", K::SpaceAfter);
    add("sl", K::LineSpacing);
    add("ql", K::Align, alLeft, true);
    add("qr", K::Align, alRight, true);
    add("qc", K::Align, alCenter, true);
    add("qj", K::Align, alJustify, true);
    add("qd", K::Align, alJustify, true);
    add("page", K::Page);
    add("pagebb", K::Page);
    add("keep", K::Keep, 1);
    add("keepn", K::Keep, 1);
    add("tx", K::Tab);
    add("tqr", K::TabKind, tkRight, true);
    add("tqc", K::TabKind, tkCenter, true);
    add("tqdec", K::TabKind, tkDecimal, true);
    add("box", K::Border, 0, true);
    add("brdrt", K::Border, 1, true);
    add("brdrl", K::Border, 2, true);
    add("brdrb", K::Border, 3, true);
    add("brdrr", K::Border, 4, true);
    add("brdrdb", K::Border, 5, true);
    add("brdrdot", K::BorderStyle, bsDotted, true);
    add("brdrhair", K::BorderStyle, bsHairline, true);
    add("brdrbar", K::BorderStyle, bsBar, true);
    add("brdrtablin", K::BorderStyle, bsTableLine, true);
    add("brdrw", K::BorderWidth);
    add("brsp", K::BorderSpace);
    add("brdrcf", K::BorderColor);
    add("shading", K::Shading);
    add("cfpat", K::PatternColor);
    add("cbpat", K::ShadeBack);
    // Document.
    add("paperw", K::Paper, 12240);
    add("paperh", K::Paper, 15480);
    add("margl", K::Margin, 1800);
    add("margr", K::Margin, 1800);
    add("margt", K::Margin, 1440);
    add("margb", K::Margin, 1440);
    add("facingp", K::Facing, 1);
    add("landscape", K::Landscape, 1);
    for (const char* w : {"cols", "sbknone", "sbkcol", "sbkeven", "sbkodd", "sbkpage", "pgnx",
                          "pgny", "pgndec", "pgnucrm", "pgnlcrm", "pgnucltr", "pgnlcltr",
                          "pgnstart", "brdrs", "clshdng"}) {
      add(w, K::Ignore);
    }
    add("deff", K::DefaultFont);
    add("ansicpg", K::AnsiCodePage);
    add("ansi", K::CodePageWord, 1252, true);
    add("mac", K::CodePageWord, 10000, true);
    add("pc", K::CodePageWord, 437, true);
    add("pca", K::CodePageWord, 850, true);
    add("fnil", K::FontFamily, 0x00, true);
    add("froman", K::FontFamily, 0x10, true);
    add("fswiss", K::FontFamily, 0x20, true);
    add("fmodern", K::FontFamily, 0x30, true);
    add("fscript", K::FontFamily, 0x40, true);
    add("fdecor", K::FontFamily, 0x50, true);
    add("ftech", K::FontFamily, 0x50, true);
    add("fbidi", K::FontFamily, 0x00, true);
    add("fcharset", K::FontCharset);
    add("charset", K::FontCharset);
    add("cpg", K::FontCodePage);
    // Colour table.
    add("red", K::Red);
    add("green", K::Green);
    add("blue", K::Blue);
    // Tables.
    add("trowd", K::RowDef);
    add("cellx", K::CellX);
    add("trleft", K::RowLeft);
    add("trgaph", K::RowGap);
    add("clbrdrt", K::CellBorder, 1, true);
    add("clbrdrl", K::CellBorder, 2, true);
    add("clbrdrb", K::CellBorder, 3, true);
    add("clbrdrr", K::CellBorder, 4, true);
    add("clcfpat", K::CellPattern);
    add("clcbpat", K::CellBack);
    add("clmrg", K::CellMerge);
    add("intbl", K::InTable);
    add("cell", K::Cell);
    add("row", K::Row);
    add("nestcell", K::NestCell);
    // Pictures.
    add("wmetafile", K::PicType, int(TPicture::Kind::Metafile), true);
    add("dibitmap", K::PicType, int(TPicture::Kind::Dib), true);
    add("wbitmap", K::PicType, int(TPicture::Kind::Bitmap), true);
    add("pngblip", K::PicType, int(TPicture::Kind::Png), true);
    add("jpegblip", K::PicType, int(TPicture::Kind::Jpeg), true);
    add("emfblip", K::PicType, int(TPicture::Kind::Emf), true);
    add("picw", K::PicW);
    add("pich", K::PicH);
    add("picwgoal", K::PicWGoal);
    add("pichgoal", K::PicHGoal);
    add("wbmbitspixel", K::PicBits);
    add("wbmplanes", K::PicPlanes, 1);
    add("wbmwidthbytes", K::PicWidthBytes);
    add("picscalex", K::PicScaleX, 100);
    add("picscaley", K::PicScaleY, 100);
    return t;
  }();
  return table;
}

}  // namespace richtext::rtf

// SPDX-License-Identifier: GPL-3.0-or-later
// The editor widget's clipboard and drag and drop: the selection as RTF, HTML
// and plain text; pasting RTF, HTML, text and pictures.
#include <richtext/ui/rich_text.h>

#include <richtext/html.h>
#include <richtext/reader.h>
#include <richtext/writer.h>

#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>

namespace richtext {

namespace {

// Our own copies, and the clipboard names other programs give to RTF. Our
// own RTF ends exactly where the selection ended; other programs end theirs
// with a paragraph end that was not selected.
const char* const kOwnRtf = "application/x-quillet-rtf";
const char* const kRtfMimeTypes[] = {kOwnRtf, "text/rtf", "application/rtf", "text/richtext",
                                     "Rich Text Format"};

QByteArray Bytes(const TStringStream& out) { return QByteArray(out.bytes.data(), qsizetype(out.bytes.size())); }

}  // namespace

QMimeData* TRichText::SelectionMimeData() {
  auto* data = new QMimeData;
  TPosition a = editor_.SelStart(), b = editor_.SelEnd();
  TWriteRange range{a.par, a.offset, b.par, b.offset};
  TWriteOptions options = doc_.writeOptions;
  options.writeBitmapAsDib = writeBitmapAsDib;
  // Our own copy is the selection as an entry keeps it.
  TStringStream own, rtf, html, text;
  TRTFWriter(doc_, range, options).Write(own);
  data->setData(QString::fromLatin1(kOwnRtf), Bytes(own));
  // Other programs get backgrounds also as shading (word processors that
  // ignore \cb read that), and none where the text shows the page's colour.
  TWriteOptions foreign = options;
  foreign.backgroundAsShading = true;
  foreign.paperColor = FromQColor(viewport()->palette().color(QPalette::Base));
  TRTFWriter(doc_, range, foreign).Write(rtf);
  data->setData(QStringLiteral("text/rtf"), Bytes(rtf));
  data->setData(QStringLiteral("application/rtf"), Bytes(rtf));
  // Browsers, mail and chat programs paste HTML.
  THtmlWriter htmlWriter(doc_, range, foreign);
  htmlWriter.encodePicture = [](const TPicture& picture) {
    QImage image = DecodePicture(picture);
    return image.isNull() ? std::string() : PngPicture(image)->data;
  };
  htmlWriter.Write(html);
  data->setHtml(QString::fromUtf8(Bytes(html)));
  // Plain text on this system ends its lines with LF alone.
  TTextWriter(doc_, range, options).Write(text);
  QString plain = QString::fromUtf8(Bytes(text));
  plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  plain.replace(QChar('\r'), QChar('\n'));
  data->setText(plain);
  return data;
}

void TRichText::CopyToClipboard() {
  bool doIt = true;
  emit OnBeforeCopyEvent(doIt);
  if (!doIt || !editor_.HasSelection()) return;
  QApplication::clipboard()->setMimeData(SelectionMimeData());
}

void TRichText::CutToClipboard() {
  bool doIt = true;
  emit OnBeforeCopyEvent(doIt);
  if (!doIt || !editor_.HasSelection()) return;
  QApplication::clipboard()->setMimeData(SelectionMimeData());
  if (!editor_.readOnly) editor_.DeleteSelection();
}

void TRichText::PasteFromClipboard() { Paste(QApplication::clipboard()->mimeData()); }

bool TRichText::Paste(const QMimeData* data) {
  if (editor_.readOnly || !data) return false;
  // RTF under any of its names, else HTML, else plain text, else a picture.
  std::optional<TRTFText::ParagraphList> read;
  bool own = false;
  for (const char* type : kRtfMimeTypes) {
    QString name = QString::fromLatin1(type);
    if (!data->hasFormat(name)) continue;
    QByteArray bytes = data->data(name);
    std::string_view view(bytes.constData(), size_t(bytes.size()));
    if (size_t nul = view.find('\0'); nul != std::string_view::npos) view = view.substr(0, nul);
    read = doc_.ReadRtfForInsertion(view);  // its fonts and colours mapped into ours
    own = type == kOwnRtf;
    break;
  }
  if (!read && data->hasHtml()) {
    QByteArray utf8 = data->html().toUtf8();  // Qt decodes the page's own character set
    read = doc_.ReadHtmlForInsertion(std::string_view(utf8.constData(), size_t(utf8.size())));
    own = true;  // a page ends with its last paragraph, not an unselected paragraph end
    if (read->size() == 1 && read->front()->text.empty()) read.reset();  // nothing to show in it
  }
  if (!read && data->hasText()) {
    QByteArray utf8 = data->text().toUtf8();
    read = TTextReader(&doc_).Read(std::string_view(utf8.constData(), size_t(utf8.size())));
    // Pasted lines after the first take on the properties of the caret's paragraph.
    for (size_t i = 1; i < read->size(); ++i) (*read)[i]->Props() = doc_.Par(editor_.caret.par).Props();
    own = true;  // a line end at its end was copied with it
  }
  std::shared_ptr<TPicture> picture;
  if (!read && data->hasImage()) {
    QImage image = qvariant_cast<QImage>(data->imageData());
    if (image.isNull()) return false;
    picture = PngPicture(image);
  }
  if (!read && !picture) return false;
  bool doIt = !doc_.IsProtected(editor_.SelStart().par, editor_.SelStart().offset);
  emit OnBeforePasteEvent(doIt);
  if (!doIt) return false;
  if (picture) {
    InsertGraphic(picture);
    return true;
  }
  TFragment fragment;
  fragment.paragraphs.clear();
  for (auto& p : *read) fragment.paragraphs.push_back(std::move(*p));
  // Foreign RTF ends with \par: the empty paragraph after it was not copied.
  if (!own && fragment.paragraphs.size() > 1 && fragment.paragraphs.back().text.empty()) {
    fragment.paragraphs.pop_back();
  }
  editor_.InsertFragment(fragment);
  return true;
}

void TRichText::dragEnterEvent(QDragEnterEvent* event) {
  emit OnDragOver(event, PositionAt(event->position().toPoint()));
}

void TRichText::dragMoveEvent(QDragMoveEvent* event) {
  emit OnDragOver(event, PositionAt(event->position().toPoint()));
}

void TRichText::dropEvent(QDropEvent* event) {
  TPosition at = PositionAt(event->position().toPoint());
  editor_.MoveTo(at, false);
  emit OnDrop(event, at);
}

}  // namespace richtext

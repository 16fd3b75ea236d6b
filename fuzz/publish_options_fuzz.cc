// Arbitrary bytes as HTML_Opt.CFG or ESIG_Opt.CFG: the images keep their
// sizes, the texts stay within their fields, and a record's page and
// signature can be made with whatever settings come out.
#include <cstdint>
#include <string_view>

#include "publish/html_page.h"
#include "publish/signature.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tessary;
  std::string_view file(reinterpret_cast<const char*>(data), size);
  database::QuotationRecord record = database::EmptyRecord();
  database::SetField(record.Line1, "Line");

  std::string image = publish::HtmlOptionsImage(file);
  publish::HtmlOptions html = publish::DecodeHtmlOptions(file);
  if (image.size() != publish::kHtmlOptionsFileSize || html.output_file_name.size() > 192) {
    __builtin_trap();
  }
  publish::EncodeHtmlOptions(html, image);
  if (image.size() != publish::kHtmlOptionsFileSize) __builtin_trap();
  publish::HtmlPage(record, html, publish::PageContext{});

  publish::SignatureOptions signature = publish::SignatureOptions::FromFile(file);
  if (signature.bytes().size() != publish::kSignatureOptionsFileSize ||
      signature.FileName().size() > 192 || signature.HeaderLine(8).size() > 80) {
    __builtin_trap();
  }
  publish::BuildSignature(record, signature);
  publish::TakeSignatureOptions(publish::SignatureDialogValuesOf(signature));
  return 0;
}

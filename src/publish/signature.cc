#include "publish/signature.h"

#include <vector>

#include "platform/codepage.h"
#include "platform/program_dir.h"
#include "platform/text.h"
#include "publish/output_file.h"
#include "reading/clipboard.h"
#include "reading/layout.h"

namespace tessary::publish {
namespace {

using database::FieldText;

constexpr char kCrLf[] = "\r\n";
constexpr size_t kQuoteIndent = 4;
constexpr size_t kAttributionIndent = 6;
constexpr size_t kAttributionWidth = 60;
constexpr size_t kMarkerWidth = 80;

enum class Part { kHeader, kHeaderSeparator, kBody, kFooter };

struct SignatureLine {
  std::string file;
  std::string clipboard;
  Part part;
};

class Lines {
 public:
  void Add(Part part, std::string text) { lines_.push_back({text, std::move(text), part}); }
  void AddIndented(size_t indent, std::string text) {
    lines_.push_back({std::string(indent, ' ') + text, std::move(text), Part::kBody});
  }
  // The eight header or footer lines, the empty ones left out on request.
  void AddBlock(Part part, const SignatureOptions& options) {
    for (int n = 1; n <= kSignatureLines; ++n) {
      std::string line = part == Part::kHeader ? options.HeaderLine(n) : options.FooterLine(n);
      if (!line.empty() || !options.Flag(kRemoveEmptyLines)) Add(part, std::move(line));
    }
  }

  SignatureText Text() const {
    SignatureText text;
    bool after_header = false;
    bool first = true;
    for (const SignatureLine& line : lines_) {
      text.file += line.file + kCrLf;
      if (line.part == Part::kHeader) after_header = true;
      if (line.part == Part::kHeaderSeparator && !after_header) continue;
      if (!first) text.clipboard += kCrLf;
      text.clipboard += line.clipboard;
      first = false;
    }
    if (!lines_.empty() && lines_.back().part == Part::kFooter) text.clipboard += kCrLf;
    return text;
  }

 private:
  std::vector<SignatureLine> lines_;
};

std::string Upper(std::string_view text) { return platform::UpperAnsi(text); }

}  // namespace

bool ReadSignatureOptionsFile(platform::FileSystem& fs, const std::string& program_dir,
                              SignatureOptions* options) {
  std::string file;
  if (platform::ReadWholeFile(fs, platform::JoinPath(program_dir, kSignatureOptionsFileName),
                              &file) != 0) {
    return false;
  }
  *options = SignatureOptions::FromFile(file);
  return true;
}

int WriteSignatureOptionsFile(platform::FileSystem& fs, const std::string& program_dir,
                              const SignatureOptions& options) {
  return platform::ReplaceFileAtomically(
      fs, platform::JoinPath(program_dir, kSignatureOptionsFileName), options.bytes());
}

SignatureText BuildSignature(const database::QuotationRecord& record,
                             const SignatureOptions& options) {
  Lines lines;
  if (options.HasHeader()) lines.AddBlock(Part::kHeader, options);
  if (options.Flag(kSpaceAfterHeader)) lines.Add(Part::kHeaderSeparator, "");

  lines.AddIndented(kQuoteIndent, std::string(FieldText(record.Line1)));
  for (int n = 2; n <= database::kLineCount; ++n) {
    std::string_view line = FieldText(database::Line(record, n));
    if (reading::IsPresentLine(line)) lines.AddIndented(kQuoteIndent, std::string(line));
  }

  lines.Add(Part::kBody, "");
  if (record.Multi_Page_Flag == 1) {
    lines.Add(Part::kBody, reading::Centre(reading::kContinuationMarker, kMarkerWidth));
  } else {
    std::string_view name = FieldText(record.Authors_Full_Name);
    if (name.size() > 1) {
      lines.AddIndented(kAttributionIndent, platform::LeftPad(name, kAttributionWidth));
    }
    std::string_view book = platform::TrimEnd(FieldText(record.Book_Name));
    if (book.size() > 1) {
      lines.AddIndented(kAttributionIndent, platform::LeftPad(book, kAttributionWidth));
    }
  }

  if (options.Flag(kSpaceBeforeFooter)) lines.Add(Part::kBody, "");
  if (options.HasFooter()) lines.AddBlock(Part::kFooter, options);
  return lines.Text();
}

std::string SignatureClosingMessage(const SignatureOutcome& outcome, const std::string& file_name) {
  if (!outcome.generated) return "";
  const std::string name = Upper(file_name);
  if (outcome.options_saved) {
    return "Currently selected Configuration Options saved.  New Email Signature, with the "
           "current quotation, has been written to: \"" +
           name + (outcome.copied_to_clipboard ? "\" and copied to the Clipboard." : ".\"");
  }
  if (outcome.copied_to_clipboard) {
    return "New Email Signature, with the current quotation, has been written to: \"" + name +
           "\" and copied to the Clipboard.";
  }
  return "New Email Signature, with the current quotation. has been written to: \"" + name + ".\"";
}

SignaturePublisher::SignaturePublisher(platform::FileSystem& fs, std::string program_dir,
                                       ui::Host& host)
    : fs_(fs), program_dir_(std::move(program_dir)), host_(host) {}

void SignaturePublisher::BeginCommand() {
  outcome_ = SignatureOutcome{};
  if (options_loaded_) return;
  options_loaded_ = ReadSignatureOptionsFile(fs_, program_dir_, &options_);
  if (!options_loaded_) host_.ShowInformation(kSignatureOptionsMissingMessage);
}

bool SignaturePublisher::Generate(const database::QuotationRecord& record) {
  SignatureText text = BuildSignature(record, options_);
  if (!WriteOutputFile(fs_, options_.FileName(), text.file, host_)) return false;
  outcome_.generated = true;
  if (options_.ToClipboard()) {
    // The closing message tells of the clipboard only when it took the text.
    if (reading::PutClipboardText(host_, text.clipboard)) {
      outcome_.copied_to_clipboard = true;
    } else {
      host_.ShowError(reading::kClipboardFailedMessage);
    }
  }
  return true;
}

bool SignaturePublisher::SaveOptions(const SignatureDialogValues& values,
                                     const database::QuotationRecord& record) {
  options_ = TakeSignatureOptions(values);
  if (WriteSignatureOptionsFile(fs_, program_dir_, options_) != 0) {
    host_.ShowWarning(kSignatureOptionsWriteFailedMessage);
    return false;
  }
  outcome_.options_saved = true;
  Generate(record);
  memo_refill_ = true;
  return true;
}

void SignaturePublisher::ShowClosingMessage() {
  std::string message = SignatureClosingMessage(outcome_, options_.FileName());
  if (!message.empty()) host_.ShowInformation(message);
}

bool SignaturePublisher::TakeMemoRefill() {
  bool refill = memo_refill_;
  memo_refill_ = false;
  return refill;
}

}  // namespace tessary::publish

// The e-mail signature of one quotation: the header, the quotation with its
// attribution and the footer, written to the signature file (CR LF after
// every line) and, by choice, put on the clipboard.
//
//   header lines                  with element All or Header
//   ""                            with "Between Header and Quotation"
//   4 blanks + Line1, then 4 blanks + each present line 2 to 11
//   ""
//   continued record: the marker centred in 80 columns, no attribution
//   else: 6 blanks + display name right-aligned in 60 columns (more than one character)
//         6 blanks + book name right-aligned in 60 columns    (more than one character)
//   ""                            with "Between Quotation and Footer"
//   footer lines                  with element All or Footer
//
// Empty header and footer lines are left out when "Remove all empty lines"
// is ticked. No other empty line comes before the quotation.
#pragma once

#include <string>

#include "database/quotation_record.h"
#include "platform/file.h"
#include "publish/signature_options.h"
#include "ui/host.h"

namespace tessary::publish {

// Reads "ESIG_Opt.CFG" of `program_dir` into `*options`; false when the file
// cannot be read.
bool ReadSignatureOptionsFile(platform::FileSystem& fs, const std::string& program_dir,
                              SignatureOptions* options);
// Replaces "ESIG_Opt.CFG" of `program_dir` by the image; an errno on failure.
int WriteSignatureOptionsFile(platform::FileSystem& fs, const std::string& program_dir,
                              const SignatureOptions& options);

struct SignatureText {
  std::string file;
  // The same lines without the quotation's and attribution's indents, never
  // starting with the separator empty line, separated by CR LF and with a
  // CR LF after every header and footer line.
  std::string clipboard;
};

SignatureText BuildSignature(const database::QuotationRecord& record,
                             const SignatureOptions& options);

// What the signature command did, for its closing message.
struct SignatureOutcome {
  bool generated = false;
  bool copied_to_clipboard = false;
  bool options_saved = false;
};

// The closing message; empty when nothing was generated. The file name is
// shown in upper case.
std::string SignatureClosingMessage(const SignatureOutcome& outcome, const std::string& file_name);

class SignaturePublisher {
 public:
  SignaturePublisher(platform::FileSystem& fs, std::string program_dir, ui::Host& host);

  // The command dialog became active: the command's outcome is cleared and,
  // while no options file has been read, the file is read (or its absence
  // reported, keeping the image in force).
  void BeginCommand();

  // Writes the signature of `record` to the file the image names, whole or
  // not at all, and puts it on the clipboard when the target says so. A write
  // failure shows the write-error report, leaves the clipboard alone and
  // gives false; a refused clipboard shows its error box.
  bool Generate(const database::QuotationRecord& record);

  // The configuration dialog's OK: the values become the image, which is
  // written to the options file; when that worked the signature is generated.
  // False when the options file could not be written (reported).
  bool SaveOptions(const SignatureDialogValues& values, const database::QuotationRecord& record);

  // Shows the closing message of the command, if any.
  void ShowClosingMessage();

  // The configuration dialog's boxes are refilled from the image on the next
  // activation after a save (and on the first). Gives true once per refill.
  bool TakeMemoRefill();

  const SignatureOptions& options() const { return options_; }
  bool options_loaded() const { return options_loaded_; }
  const SignatureOutcome& outcome() const { return outcome_; }

 private:
  platform::FileSystem& fs_;
  std::string program_dir_;
  ui::Host& host_;
  SignatureOptions options_;
  bool options_loaded_ = false;
  bool memo_refill_ = true;
  SignatureOutcome outcome_;
};

}  // namespace tessary::publish

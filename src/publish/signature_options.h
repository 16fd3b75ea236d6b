// The e-mail signature settings: one 1498-byte image, kept in memory for the
// run and stored unchanged as "ESIG_Opt.CFG" in the program's directory. Texts
// are a length byte followed by the characters; bytes after a text are
// undefined and kept as they are.
//
//   offset size    content
//   0      8 x 81  header lines 1 to 8, each a length byte and up to 80 characters
//   648    1       element flag: Header + Quotation + Footer
//   649    1       element flag: Header + Quotation
//   650    1       element flag: Quotation + Footer
//   651    1       remove empty header and footer lines
//   652    1       empty line between header and quotation
//   653    1       empty line between quotation and footer
//   654    1       target flag: File and Clipboard
//   655    1       target flag: File Only
//   656    1       third target flag, taken as File and Clipboard
//   657    8 x 81  footer lines 1 to 8
//   1305   193     signature file name: length byte and up to 192 characters
//
// Flags are 1 set, 0 clear. Without a file the image is all zero apart from
// the file name "SigFile.Txt".
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace tessary::publish {

inline constexpr size_t kSignatureOptionsFileSize = 1498;
inline constexpr char kSignatureOptionsFileName[] = "ESIG_Opt.CFG";
inline constexpr char kDefaultSignatureFileName[] = "SigFile.Txt";
inline constexpr int kSignatureLines = 8;
inline constexpr size_t kSignatureLineCapacity = 80;
inline constexpr size_t kSignatureFileNameCapacity = 192;

inline constexpr char kSignatureOptionsMissingMessage[] =
    "Unable to locate file \"ESIG_OPT.CFG\"; using default settings.";
inline constexpr char kSignatureOptionsWriteFailedMessage[] =
    "Unable to create file \"ESIG_Opt.CFG\"; insufficient disk space is one possible cause.";

// Offsets of the one-byte flags.
enum SignatureFlag : size_t {
  kElementAll = 648,           // Header + Quotation + Footer
  kElementHeader = 649,        // Header + Quotation
  kElementFooter = 650,        // Quotation + Footer
  kRemoveEmptyLines = 651,     // leave out empty header and footer lines
  kSpaceAfterHeader = 652,     // empty line between header and quotation
  kSpaceBeforeFooter = 653,    // empty line between quotation and footer
  kTargetFileClipboard = 654,  // File and Clipboard
  kTargetFileOnly = 655,       // File Only
  kTargetThird = 656,          // no dialog item; acts as File and Clipboard
};

class SignatureOptions {
 public:
  // The image without an options file.
  SignatureOptions();

  // The image of a file of any length. A shorter file stands for the default
  // image overlaid with the bytes it has; a text field it does not hold whole
  // keeps its default.
  static SignatureOptions FromFile(std::string_view file);

  // Every byte zero, the file name included.
  void Clear();

  // Header or footer line 1 to 8; a length byte above 80 reads as 80.
  std::string HeaderLine(int n) const;
  std::string FooterLine(int n) const;
  // Stores the text cut to 80 characters.
  void SetHeaderLine(int n, std::string_view text);
  void SetFooterLine(int n, std::string_view text);

  bool Flag(SignatureFlag flag) const { return image_[flag] != 0; }
  void SetFlag(SignatureFlag flag, bool set) { image_[flag] = set ? 1 : 0; }

  // A length byte above 192 reads as 192; stored cut to 192 characters.
  std::string FileName() const;
  void SetFileName(std::string_view name);

  bool HasHeader() const { return Flag(kElementAll) || Flag(kElementHeader); }
  bool HasFooter() const { return Flag(kElementAll) || Flag(kElementFooter); }
  bool ToClipboard() const { return Flag(kTargetFileClipboard) || Flag(kTargetThird); }

  const std::string& bytes() const { return image_; }
  bool operator==(const SignatureOptions&) const = default;

 private:
  std::string Text(size_t offset, size_t capacity) const;
  void SetText(size_t offset, size_t capacity, std::string_view text);

  std::string image_;
};

// What the configuration dialog shows and gives back. The boxes hold one
// line per header or footer line, separated by line feeds (a CR before one
// is dropped).
struct SignatureDialogValues {
  std::string header_box;
  std::string footer_box;
  int element_item = -1;  // 0 to 2, -1 none chosen
  bool remove_empty_lines = false;
  bool space_after_header = false;
  bool space_before_footer = false;
  int target_item = -1;  // 0 File and Clipboard, 1 File Only, -1 none chosen
  std::string file_name;
  bool operator==(const SignatureDialogValues&) const = default;
};

// The dialog's values for an image: all eight lines in each box, the
// element and target items of the set flags (the last set one wins; the
// third target flag shows as File and Clipboard).
SignatureDialogValues SignatureDialogValuesOf(const SignatureOptions& options);

// The image the dialog's values stand for: cleared, lines 1 to 8 of each box
// cut to 80 characters (lines after the eighth are left out), one element
// flag, the ticked check boxes, one target flag, the name cut to 192.
SignatureOptions TakeSignatureOptions(const SignatureDialogValues& values);

}  // namespace tessary::publish

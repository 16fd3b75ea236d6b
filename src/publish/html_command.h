// The HTML page command of the reading window, without its dialogs: the live
// settings of the run, the image of the options file last read or written,
// and what the publish dialog's and options dialog's buttons do.
#pragma once

#include <string>

#include "database/quotation_record.h"
#include "platform/clock.h"
#include "platform/file.h"
#include "publish/html_options.h"
#include "ui/host.h"

namespace tessary::publish {

// Reads "HTML_Opt.CFG" of `program_dir` into `*image` (206 bytes, see
// HtmlOptionsImage); false when the file cannot be read.
bool ReadHtmlOptionsFile(platform::FileSystem& fs, const std::string& program_dir,
                         std::string* image);
// Replaces "HTML_Opt.CFG" of `program_dir` by `image`; an errno on failure.
int WriteHtmlOptionsFile(platform::FileSystem& fs, const std::string& program_dir,
                         const std::string& image);

// "A file with this quotation in HTML code named "<name>" has been created. ..."
std::string PageCreatedMessage(const std::string& file_name);
// "Currently selected HTML options have been saved. A file ... has been created."
std::string OptionsSavedMessage(const std::string& file_name);

class HtmlPublisher {
 public:
  // The options file lives in `program_dir`; the date stamp takes the time
  // from `clock` and its conventions from `locale`.
  HtmlPublisher(platform::FileSystem& fs, std::string program_dir, ui::Host& host,
                const platform::Clock& clock, platform::TimeLocale locale);

  // The publish dialog became active: while no options file has been read,
  // reads it (or says it is missing and keeps the live settings); once one
  // has been read, its image replaces the live settings.
  void Activate();

  // The publish dialog's OK: writes the page of `record` with the live
  // settings and confirms it; false after a write failure (already reported).
  bool Publish(const database::QuotationRecord& record, bool seven_section_naming);

  // The options dialog's OK: the dialog's values become the live settings,
  // then Publish.
  bool AcceptOptions(const HtmlDialogValues& values, const database::QuotationRecord& record,
                     bool seven_section_naming);

  // Save Options: the values become the live settings, the page is written,
  // and the settings go into the image and the options file. The confirmation
  // names the page, so it follows only when both files were written; the
  // options are saved also when the page failed.
  bool SaveOptions(const HtmlDialogValues& values, const database::QuotationRecord& record,
                   bool seven_section_naming);

  const HtmlOptions& live() const { return live_; }
  const std::string& image() const { return image_; }
  bool options_loaded() const { return options_loaded_; }

 private:
  bool WritePage(const database::QuotationRecord& record, bool seven_section_naming);

  platform::FileSystem& fs_;
  std::string program_dir_;
  ui::Host& host_;
  const platform::Clock& clock_;
  platform::TimeLocale locale_;
  HtmlOptions live_;
  std::string image_;
  bool options_loaded_ = false;
};

}  // namespace tessary::publish

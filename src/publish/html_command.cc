#include "publish/html_command.h"

#include "platform/program_dir.h"
#include "publish/html_page.h"

namespace tessary::publish {

bool ReadHtmlOptionsFile(platform::FileSystem& fs, const std::string& program_dir,
                         std::string* image) {
  std::string file;
  if (platform::ReadWholeFile(fs, platform::JoinPath(program_dir, kHtmlOptionsFileName), &file) !=
      0) {
    return false;
  }
  *image = HtmlOptionsImage(file);
  return true;
}

int WriteHtmlOptionsFile(platform::FileSystem& fs, const std::string& program_dir,
                         const std::string& image) {
  return platform::ReplaceFileAtomically(fs, platform::JoinPath(program_dir, kHtmlOptionsFileName),
                                         image);
}

std::string PageCreatedMessage(const std::string& file_name) {
  return "A file with this quotation in HTML code named \"" + file_name +
         "\" has been created.  "
         "You can view this file locally (use File | Open File in Netscape) or upload "
         "it to your WWW site when you're online.";
}

std::string OptionsSavedMessage(const std::string& file_name) {
  return "Currently selected HTML options have been saved. A file with this quotation in HTML "
         "code named \"" +
         file_name + "\" has been created.";
}

HtmlPublisher::HtmlPublisher(platform::FileSystem& fs, std::string program_dir, ui::Host& host,
                             const platform::Clock& clock, platform::TimeLocale locale)
    : fs_(fs),
      program_dir_(std::move(program_dir)),
      host_(host),
      clock_(clock),
      locale_(std::move(locale)) {}

void HtmlPublisher::Activate() {
  if (!options_loaded_) {
    options_loaded_ = ReadHtmlOptionsFile(fs_, program_dir_, &image_);
    if (!options_loaded_) host_.ShowInformation(kHtmlOptionsMissingMessage);
  }
  if (options_loaded_) live_ = DecodeHtmlOptions(image_);
}

bool HtmlPublisher::WritePage(const database::QuotationRecord& record, bool seven_section_naming) {
  PageContext context{seven_section_naming, clock_.Now(), locale_};
  return WriteHtmlPage(fs_, record, live_, context, host_);
}

bool HtmlPublisher::Publish(const database::QuotationRecord& record, bool seven_section_naming) {
  if (!WritePage(record, seven_section_naming)) return false;
  host_.ShowInformation(PageCreatedMessage(live_.output_file_name));
  return true;
}

bool HtmlPublisher::AcceptOptions(const HtmlDialogValues& values,
                                  const database::QuotationRecord& record,
                                  bool seven_section_naming) {
  live_ = TakeHtmlOptions(values);
  return Publish(record, seven_section_naming);
}

bool HtmlPublisher::SaveOptions(const HtmlDialogValues& values,
                                const database::QuotationRecord& record,
                                bool seven_section_naming) {
  live_ = TakeHtmlOptions(values);
  bool page_written = WritePage(record, seven_section_naming);
  if (image_.size() != kHtmlOptionsFileSize) image_ = DefaultHtmlOptionsImage();
  EncodeHtmlOptions(live_, image_);
  if (WriteHtmlOptionsFile(fs_, program_dir_, image_) != 0) {
    host_.ShowWarning(kHtmlOptionsWriteFailedMessage);
    return false;
  }
  if (!page_written) return false;
  host_.ShowInformation(OptionsSavedMessage(live_.output_file_name));
  return true;
}

}  // namespace tessary::publish

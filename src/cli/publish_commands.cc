// tessary-cli html, signature and options: the HTML page and the e-mail
// signature of a record, written as the reading window writes them, and the
// program directory's three option files as JSON.
#include <CLI/CLI.hpp>
#include <memory>
#include <nlohmann/json.hpp>
#include <ostream>

#include "app/options.h"
#include "cli/cli_session.h"
#include "cli/cli_text.h"
#include "cli/command_table.h"
#include "platform/clock.h"
#include "platform/file.h"
#include "platform/program_dir.h"
#include "publish/html_command.h"
#include "publish/html_page.h"
#include "publish/output_file.h"
#include "publish/signature.h"
#include "ui/console_host.h"

namespace tessary::cli {
namespace {

using Json = nlohmann::ordered_json;

struct PublishArgs {
  std::string number;
  std::string dir;  // the program directory; empty: beside the executable
  std::string out;
  std::string now;
  bool clipboard_text = false;
};

std::string ProgramDir(const PublishArgs& args) {
  return args.dir.empty() ? platform::ProgramDirectory() : args.dir;
}

// Option flag 1 of the program directory's Options.CFG, read quietly: the
// page title names section 7 by it.
bool SevenSectionNaming(const std::string& program_dir) {
  std::string block;
  if (platform::ReadWholeFile(platform::PosixFileSystem(),
                              platform::JoinPath(program_dir, app::kOptionsFileName),
                              &block) != 0) {
    return app::Options{}.SevenSectionNaming();
  }
  return app::DecodeOptions(block).SevenSectionNaming();
}

int HtmlCommand(const SessionOptions& session_options, const PublishArgs& args, std::ostream& out,
                std::ostream& err) {
  platform::LocalTime now = platform::SystemClock().Now();
  if (!args.now.empty() && !platform::ParseLocalTime(args.now, &now)) {
    err << "tessary-cli: --now wants \"YYYY-MM-DD HH:MM:SS\", not \"" << args.now << "\"\n";
    return 2;
  }
  CliSession cli(session_options, out, err);
  if (!cli.Start()) return 1;
  int32_t ref = 0;
  if (!FindRecordNumber(cli.session(), args.number, &ref, err)) return 1;
  cli.host().InformationToOutput(true);

  const std::string program_dir = ProgramDir(args);
  platform::FileSystem& fs = platform::PosixFileSystem();
  publish::HtmlOptions options;
  std::string image;
  if (publish::ReadHtmlOptionsFile(fs, program_dir, &image)) {
    options = publish::DecodeHtmlOptions(image);
  } else {
    err << publish::kHtmlOptionsMissingMessage << "\n";
  }
  if (!args.out.empty()) options.output_file_name = args.out;
  publish::PageContext context{SevenSectionNaming(program_dir), now, platform::SystemTimeLocale()};
  if (!publish::WriteHtmlPage(fs, cli.session().current_record, options, context, cli.host())) {
    return 1;
  }
  cli.host().ShowInformation(publish::PageCreatedMessage(options.output_file_name));
  return 0;
}

int SignatureCommand(const SessionOptions& session_options, const PublishArgs& args,
                     std::ostream& out, std::ostream& err) {
  CliSession cli(session_options, out, err);
  if (!cli.Start()) return 1;
  int32_t ref = 0;
  if (!FindRecordNumber(cli.session(), args.number, &ref, err)) return 1;
  // With --clipboard-text the output carries the clipboard's text alone.
  cli.host().InformationToOutput(!args.clipboard_text);

  platform::FileSystem& fs = platform::PosixFileSystem();
  publish::SignatureOptions options;
  if (!publish::ReadSignatureOptionsFile(fs, ProgramDir(args), &options)) {
    err << publish::kSignatureOptionsMissingMessage << "\n";
  }
  if (!args.out.empty()) options.SetFileName(args.out);
  publish::SignatureText text = publish::BuildSignature(cli.session().current_record, options);
  if (!publish::WriteOutputFile(fs, options.FileName(), text.file, cli.host())) return 1;
  if (args.clipboard_text && options.ToClipboard()) out << Utf8(text.clipboard);
  // There is no clipboard here, so the message never claims one.
  publish::SignatureOutcome outcome;
  outcome.generated = true;
  cli.host().ShowInformation(publish::SignatureClosingMessage(outcome, options.FileName()));
  return 0;
}

Json Utf8Lines(const std::vector<std::string>& lines) {
  Json array = Json::array();
  for (const std::string& line : lines) array.push_back(Utf8(line));
  return array;
}

Json MainOptionsJson(const app::Options& options) {
  Json j;
  j["font_name"] = Utf8(options.font_name);
  j["font_size"] = options.font_size;
  j["font_colour"] = options.font_colour;
  j["bold"] = options.bold;
  j["italic"] = options.italic;
  j["underline"] = options.underline;
  j["strike_out"] = options.strike_out;
  j["background_colour"] = options.background_colour;
  j["fileblock_name"] = Utf8(options.fileblock_name);
  j["flags"] = options.flags;
  return j;
}

Json HtmlOptionsJson(const publish::HtmlOptions& options) {
  Json j;
  j["divider_style"] = options.divider_style;
  j["date_stamp"] = options.date_stamp;
  j["output_file_name"] = Utf8(options.output_file_name);
  j["background_item"] = options.BackgroundItem();
  j["background"] = std::string(publish::BackgroundItemText(options.BackgroundItem()));
  j["background_flags"] = options.background_flags;
  return j;
}

Json SignatureOptionsJson(const publish::SignatureOptions& options) {
  std::vector<std::string> header;
  std::vector<std::string> footer;
  for (int n = 1; n <= publish::kSignatureLines; ++n) {
    header.push_back(options.HeaderLine(n));
    footer.push_back(options.FooterLine(n));
  }
  auto byte = [&](publish::SignatureFlag flag) {
    return static_cast<unsigned char>(options.bytes()[flag]);
  };
  Json j;
  j["header"] = Utf8Lines(header);
  j["footer"] = Utf8Lines(footer);
  j["element_flags"] = {byte(publish::kElementAll), byte(publish::kElementHeader),
                        byte(publish::kElementFooter)};
  j["remove_empty_lines"] = byte(publish::kRemoveEmptyLines);
  j["space_after_header"] = byte(publish::kSpaceAfterHeader);
  j["space_before_footer"] = byte(publish::kSpaceBeforeFooter);
  j["target_flags"] = {byte(publish::kTargetFileClipboard), byte(publish::kTargetFileOnly),
                       byte(publish::kTargetThird)};
  j["file_name"] = Utf8(options.FileName());
  return j;
}

// Prints one option file of `dir` as JSON; with `init`, first writes the
// defaults when the file is missing (a new program directory then starts
// without the missing-file message).
int OptionsCommand(const std::string& dir, const std::string& which, bool init, std::ostream& out,
                   std::ostream& err) {
  platform::FileSystem& fs = platform::PosixFileSystem();
  ui::ConsoleHost host(out, err, ui::ConsoleHost::Answer::kNo);
  if (which == "html") {
    std::string image;
    if (init && !fs.Exists(platform::JoinPath(dir, publish::kHtmlOptionsFileName)) &&
        publish::WriteHtmlOptionsFile(fs, dir, publish::DefaultHtmlOptionsImage()) != 0) {
      host.ShowWarning(publish::kHtmlOptionsWriteFailedMessage);
      return 1;
    }
    if (!publish::ReadHtmlOptionsFile(fs, dir, &image)) {
      host.ShowInformation(publish::kHtmlOptionsMissingMessage);
      return 1;
    }
    out << HtmlOptionsJson(publish::DecodeHtmlOptions(image)).dump() << "\n";
    return 0;
  }
  if (which == "signature") {
    publish::SignatureOptions options;
    if (init && !fs.Exists(platform::JoinPath(dir, publish::kSignatureOptionsFileName)) &&
        publish::WriteSignatureOptionsFile(fs, dir, options) != 0) {
      host.ShowWarning(publish::kSignatureOptionsWriteFailedMessage);
      return 1;
    }
    if (!publish::ReadSignatureOptionsFile(fs, dir, &options)) {
      host.ShowInformation(publish::kSignatureOptionsMissingMessage);
      return 1;
    }
    out << SignatureOptionsJson(options).dump() << "\n";
    return 0;
  }
  if (init && !fs.Exists(platform::JoinPath(dir, app::kOptionsFileName))) {
    if (!app::WriteOptions(fs, dir, host, app::Options{})) return 1;
  }
  app::Options options;
  if (!app::ReadOptions(fs, dir, host, &options)) return 1;
  out << MainOptionsJson(options).dump() << "\n";
  return 0;
}

}  // namespace

void AddPublishCommands(CommandTable& table) {
  auto session = std::make_shared<SessionOptions>();
  auto args = std::make_shared<PublishArgs>();
  auto add_common = [&](CLI::App* command) {
    CommandTable::AddSessionOptions(command, *session);
    command->add_option("NUMBER", args->number, "record number")->required();
    command->add_option("--dir", args->dir,
                        "program directory with the option files (default: beside tessary-cli)");
  };

  CLI::App* html = table.Add("html", "Write a record's HTML page",
                             [session, args](std::ostream& out, std::ostream& err) {
                               return HtmlCommand(*session, *args, out, err);
                             });
  add_common(html);
  html->add_option("--now", args->now, "the page's date stamp, \"YYYY-MM-DD HH:MM:SS\"");
  html->add_option("--out", args->out, "the page file instead of the options' file name");

  CLI::App* signature = table.Add("signature", "Write a record's e-mail signature",
                                  [session, args](std::ostream& out, std::ostream& err) {
                                    return SignatureCommand(*session, *args, out, err);
                                  });
  add_common(signature);
  signature->add_option("--out", args->out, "the signature file instead of the options' name");
  signature->add_flag("--clipboard-text", args->clipboard_text,
                      "print the text the clipboard would get");

  struct OptionsArgs {
    std::string dir;
    std::string file = "main";
    bool init = false;
  };
  auto options_args = std::make_shared<OptionsArgs>();
  CLI::App* options_command = table.Add(
      "options", "Print an option file of a program directory",
      [options_args](std::ostream& out, std::ostream& err) {
        return OptionsCommand(options_args->dir, options_args->file, options_args->init, out, err);
      });
  options_command->add_option("--dir", options_args->dir, "the program directory")->required();
  options_command
      ->add_option("--file", options_args->file,
                   "main (Options.CFG), html (HTML_Opt.CFG) or signature (ESIG_Opt.CFG)")
      ->check(CLI::IsMember({"main", "html", "signature"}));
  options_command->add_flag("--init", options_args->init,
                            "write the default option file when there is none");
}

}  // namespace tessary::cli

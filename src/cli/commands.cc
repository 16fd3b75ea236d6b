#include "cli/commands.h"

#include <CLI/CLI.hpp>
#include <ostream>

#include "isam/errors.h"

namespace tessary::cli {

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  CLI::App app{"tessary-cli: the quotation database without windows", "tessary-cli"};
  app.require_subcommand(1);

  int explain_number = 0;
  CLI::App* explain = app.add_subcommand("explain", "Print the class and text of an engine error");
  explain->add_option("N", explain_number, "engine error number")->required();

  std::vector<std::string> argv_rev(args.rbegin(), args.rend());
  try {
    app.parse(argv_rev);
  } catch (const CLI::ParseError& e) {
    return app.exit(e, out, err);
  }

  if (*explain) {
    out << explain_number << " (class " << isam::ErrorClassOf(explain_number)
        << "): " << isam::ErrorMessage(explain_number) << "\n";
    return 0;
  }
  return 1;
}

}  // namespace tessary::cli

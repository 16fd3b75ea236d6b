// Page and signature output: the time to build a record's HTML page and
// e-mail signature in memory, and the time to write a page as the program
// does (temporary file, sync, rename) against a plain unsynced write of the
// same bytes, which shows what the whole-or-nothing guarantee costs.
//   publish_bench [records] [writes]
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "bench_support.h"
#include "database/quotation_record.h"
#include "platform/file.h"
#include "publish/html_page.h"
#include "publish/signature.h"

namespace tessary::bench {
namespace {

database::QuotationRecord Record(int n) {
  database::QuotationRecord r = database::EmptyRecord();
  database::SetField(r.Subject, "Courage");
  database::SetField(r.Section, std::to_string(n % 9 + 1));
  database::SetField(r.Authors_Full_Name, "Author " + std::to_string(n));
  database::SetField(r.Author_Bio_Snapshot, "A writer of many words");
  database::SetField(r.Book_Name, "Collected Sayings");
  for (int line = 1; line <= 1 + n % 11; ++line) {
    database::SetField(database::Line(r, line),
                       "Line " + std::to_string(line) + " of a quotation that fills the width");
  }
  r.Multi_Page_Flag = n % 7 == 0 ? 1 : 0;
  return r;
}

int Run(int records, int writes) {
  std::vector<database::QuotationRecord> quotes;
  for (int n = 0; n < records; ++n) quotes.push_back(Record(n));
  publish::HtmlOptions html;
  html.background_flags[0] = 1;
  publish::SignatureOptions signature;
  signature.SetFlag(publish::kElementAll, true);
  signature.SetHeaderLine(1, "-- ");
  signature.SetFooterLine(1, "www.example.org");
  publish::PageContext context;

  size_t bytes = 0;
  Stopwatch clock;
  for (const auto& q : quotes) bytes += publish::HtmlPage(q, html, context).size();
  double page_s = clock.Seconds();
  clock.Restart();
  for (const auto& q : quotes) bytes += publish::BuildSignature(q, signature).file.size();
  double signature_s = clock.Seconds();
  std::printf("build in memory (%d records, %zu bytes): page %.2f us, signature %.2f us\n", records,
              bytes, page_s * 1e6 / records, signature_s * 1e6 / records);

  ScratchDir dir("", "publish-bench");
  QuietHost host;
  html.output_file_name = dir.path() + "/htmlcode.htm";
  clock.Restart();
  for (int i = 0; i < writes; ++i) {
    if (!publish::WriteHtmlPage(platform::PosixFileSystem(), quotes[i % records], html, context,
                                host)) {
      return 1;
    }
  }
  double atomic_s = clock.Seconds();
  clock.Restart();
  for (int i = 0; i < writes; ++i) {
    std::ofstream out(dir.path() + "/plain.htm", std::ios::binary | std::ios::trunc);
    out << publish::HtmlPage(quotes[i % records], html, context);
  }
  double plain_s = clock.Seconds();
  std::printf("write a page (%d writes): whole-or-nothing %.3f ms, plain unsynced %.3f ms\n",
              writes, atomic_s * 1e3 / writes, plain_s * 1e3 / writes);
  return 0;
}

}  // namespace
}  // namespace tessary::bench

int main(int argc, char** argv) {
  int records = argc > 1 ? std::atoi(argv[1]) : 100000;
  int writes = argc > 2 ? std::atoi(argv[2]) : 200;
  if (records < 1 || writes < 1) {
    std::fprintf(stderr, "usage: publish_bench [records] [writes]\n");
    return 2;
  }
  return tessary::bench::Run(records, writes);
}

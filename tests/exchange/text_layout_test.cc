#include "exchange/text_layout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tessary::exchange {
namespace {

using Lines = std::vector<std::string>;

struct LayoutCase {
  const char* what;
  Lines in;
  Lines out;
};

TEST(LayOutText, JoinsProseAndKeepsWhatIsLaidOutOnPurpose) {
  const std::string sixty(60, 'x');
  const std::string rule = "+" + std::string(70, '-') + "+";
  const LayoutCase cases[] = {
      {"prose wrapped at 72 is wrapped again at 60",
       {"A copy of the universe is not what is required of art; one of the damned",
        "things is ample."},
       {"A copy of the universe is not what is required of art; one",
        "of the damned things is ample."}},
      {"a block whose lines fit is kept, verse and short lines alike",
       {"We found you hiding", "We found you lying", "Choking on the dirt and sand."},
       {"We found you hiding", "We found you lying", "Choking on the dirt and sand."}},
      {"empty lines part paragraphs and stay; an indented quotation after a paragraph keeps "
       "its break and its indentation",
       {"George Bernard Shaw once sent two tickets to the opening night of one of",
        "his plays to Winston Churchill with the following note:",
        "        \"Bring a friend, if you have one.\"", "",
        "Churchill wrote back, returning the two tickets and excused himself as he",
        "had a previous engagement."},
       {"George Bernard Shaw once sent two tickets to the opening",
        "night of one of his plays to Winston Churchill with the",
        "following note:", "        \"Bring a friend, if you have one.\"", "",
        "Churchill wrote back, returning the two tickets and excused",
        "himself as he had a previous engagement."}},
      {"a heading stays apart from its indented definition, which keeps its indentation",
       {"Jones' First Law:", "        Anyone who makes a significant contribution to any field of",
        "        endeavor, and stays in that field long enough, becomes an"},
       {"Jones' First Law:", "        Anyone who makes a significant contribution to any",
        "        field of endeavor, and stays in that field long", "        enough, becomes an"}},
      {"a small hanging indent continues the paragraph and is kept",
       {"\"Certainly, if an individual was stopped and accused of shoplifting after",
        " walking out of Neiman-Marcus they would expect to be eventually told"},
       {"\"Certainly, if an individual was stopped and accused of",
        " shoplifting after walking out of Neiman-Marcus they would",
        " expect to be eventually told"}},
      {"speakers and list marks start their own lines; their continuations join",
       {"Q: \"Herr Mozart, I am thinking of writing symphonies. Can you give me any",
        "   suggestions as to how to get started?\"",
        "A: \"A symphony is a very complex musical form, perhaps you should begin",
        "- the first item of a list that has been wrapped by the editor long ago",
        "> a quoted reply to a message that was wrapped by the editor long ago",
        "1) a numbered item"},
       {"Q: \"Herr Mozart, I am thinking of writing symphonies. Can",
        "   you give me any suggestions as to how to get started?\"",
        "A: \"A symphony is a very complex musical form, perhaps you", "should begin",
        "- the first item of a list that has been wrapped by the", "editor long ago",
        "> a quoted reply to a message that was wrapped by the editor", "long ago",
        "1) a numbered item"}},
      {"a short line ends its paragraph: the next word would have fitted after it",
       {"This line is long enough to be prose that an editor has wrapped at 72.", "Short.",
        "Next."},
       {"This line is long enough to be prose that an editor has", "wrapped at 72. Short.",
        "Next."}},
      {"tables and pictures keep their lines; a long one breaks at a blank",
       {"Name          Rank          Serial number          Unit          Remarks",
        "Smith         Private       1234                   Fourth        none", rule},
       {"Name          Rank          Serial number          Unit", "Remarks",
        "Smith         Private       1234                   Fourth", "none", rule.substr(0, 60),
        rule.substr(60)}},
      {"blanks inside a line stay unless a break falls on them",
       {"First sentence.  Second sentence on a line that the editor wrapped at",
        "seventy-two.  Third."},
       {"First sentence.  Second sentence on a line that the editor",
        "wrapped at seventy-two.  Third."}},
      {"a word wider than a line is cut after a hyphen, else at 60; an indentation that "
       "leaves no room gives way",
       {"go " + sixty + "yyy end",
        "on-your-own-take-care-of-yourself-because-there-is-no-one-else-to-do-it-for-you",
        std::string(50, ' ') + "abcdefghijklmnopq"},
       {"go", sixty, "yyy end", "on-your-own-take-care-of-yourself-because-there-is-no-one-",
        "else-to-do-it-for-you", std::string(43, ' ') + "abcdefghijklmnopq"}},
  };
  for (const LayoutCase& c : cases) {
    EXPECT_EQ(LayOutText(c.in), c.out) << c.what;
  }
}

}  // namespace
}  // namespace tessary::exchange

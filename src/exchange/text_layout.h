// Lays text written for a wider page out in the record's lines of at most 60
// characters.
//
// Text files of quotations are wrapped for 72 to 80 columns; cutting each of
// their lines at 60 leaves a long line followed by a stub ("... art; one" /
// "of the damned" / "things is ample."). Prose is therefore joined and
// wrapped again, while text laid out on purpose keeps its line breaks:
//  - Blocks are separated by empty lines, which are kept. A block whose lines
//    all fit is kept exactly as written (verse, short lines).
//  - In a block with a longer line, a line break is a wrap of the writer's
//    editor, and so joined, when the first word of the next line would not
//    have fitted on the line within the block's width (its longest line, at
//    most 80) less a margin for ragged wrapping, and both lines are plain:
//    the next line keeps the paragraph's indentation (its first line may be
//    indented differently: a first-line indent or a small hanging indent),
//    neither line shows alignment (a run of three blanks inside it) or is
//    mostly made of signs (rules, pictures), and the next line does not
//    start a new item: a speaker ("Q:", "Kirk:"), a list mark, a quoted reply
//    ("> "), a chat nick ("<nick>").
//  - A paragraph is wrapped at blanks with its first line's indentation and
//    its second line's for the lines after it; blanks inside a line are kept
//    when the words around them stay on one line. A word longer than a line
//    is cut after its last hyphen or slash within the line, if that lies in
//    the line's second half, else at 60, and goes on in the next line.
// Words and their order never change; only the blanks between them do.
#pragma once

#include <string>
#include <vector>

namespace tessary::exchange {

inline constexpr size_t kLayoutWidth = 60;

// `lines`: Windows-1252 text without control characters or trailing blanks.
// Returns lines of at most kLayoutWidth characters.
std::vector<std::string> LayOutText(const std::vector<std::string>& lines);

}  // namespace tessary::exchange

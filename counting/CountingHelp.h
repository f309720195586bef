// What the count measurements mean, in plain words: the help text of the count window and the README.
#pragma once

#include <QString>

namespace counting {

// Plain text, paragraphs separated by blank lines.
QString countingHelpText();

} // namespace counting

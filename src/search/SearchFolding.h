#pragma once

#include <QString>

// The search's one folding rule: the form in which the search text and every text it is
// compared with meet. Lower case always (LowerText); with punctuation folded, only the letters
// a to z and the digits 0 to 9 of the lowered text are kept. The matcher, the index's bodies and
// queries and the commands for scripts all fold through this function, or through the table
// below, which is made from it.
QString PrepareSearchText(const QString& text, bool folding);
// The same with the folding the last search dialog chose (PunctuationFolding).
QString PrepareSearchText(const QString& text);

// For the code that folds UTF-8 bytes one at a time: what the rule with punctuation folded makes
// of each byte that is an ASCII character (its lower-case letter or its digit, 0 when the rule
// drops it). Every byte of 0x80 and above gives 0: it is part of a longer character, which the
// caller decodes and folds with PrepareSearchText. 256 entries.
const unsigned char* AsciiFoldTable();

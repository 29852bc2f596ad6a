#pragma once
#include "common/decimal.h"

// The desk's state between the article search, the line insert and the
// replacement of a line (one GUI thread, program-wide).
extern long long DeskArticleID;  // the found article
extern Decimal DeskListPrice;    // its Ed_Cena
extern Decimal DeskEnteredPrice; // the price typed when the line is added
extern bool LineEditFlag;        // a double-click chose EditedLineNumber for replacement
extern long long EditedLineNumber;

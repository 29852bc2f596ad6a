#pragma once
#include "common/decimal.h"

// Discount (or, negative, surcharge) in percent for an article and a
// counterparty: the counterparty's rule for the article, else its rule for
// the article's group, else its general trade discount. Counterparty 0 is
// "none": 0, and nothing is read. Throws DbError.
namespace Discounts {
Decimal GET_TO(long long article, long long counterparty);
}

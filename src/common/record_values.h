#pragma once
#include "common/decimal.h"

#include <QString>

// Value checks and texts that need neither a window nor the database:
// identifier check, zero padding, EIK/EGN check digits, VAT percent, amount
// in words.

// True when `name` may stand in SQL as a table or column name: letters,
// digits and "_", optionally "schema." before it. Names come from code; this
// only stops a slip from reaching the statement text.
bool IsSqlIdentifier(const QString &name);

// The text left-padded with "0" up to `width`; a longer text comes back unchanged.
QString FORMAT_NUMBERS(const QString &text, int width);

// Check digit (0..9) of a company code over all its characters but the last,
// weighted offset+1, offset+2, ...; a remainder of 10 takes a second pass with
// offset 2, and 10 on the second pass gives 0. A non-digit among the weighted
// characters tells "Невалиден ЕИК" (through Notice) and gives -1.
int Get_EIK(const QString &code, int offset = 0, bool secondPass = false);
// A nine-digit EIK whose computed check digit equals its ninth digit.
bool Check_EIK(const QString &code);
// A ten-digit EGN whose check digit (weights 2 4 8 5 10 9 7 3 6, mod 11,
// 10 giving 0) equals its tenth digit.
bool Check_EGN(const QString &egn);

// A VAT percent as typed or stored: a number from 0 to 100, point or comma.
bool ParseVatPercent(const QString &text, double *percent);

// The amount in Bulgarian words + "лева и " + two-digit stotinki + " стотинки ".
// Amounts from 100 000 up are spelled in full; a negative amount starts with "минус ".
QString Sum_To_Words(Decimal amount);
QString Sum_To_Words(double amount); // a column's value, read as Decimal::fromDouble
// The same for a text holding a number (point or comma); throws
// std::invalid_argument when it holds none.
QString Sum_To_Words(const QString &amountText);


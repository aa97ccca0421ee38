#pragma once

#include <QString>

// The numeric value of a text as the settings table is read: the number at the
// start of the trimmed text (sign, digits, decimal point, exponent), 0 when the
// text does not begin with a number.
class LeadingNumber
{
public:
    static double of(const QString &text);
};

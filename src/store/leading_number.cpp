#include "store/leading_number.h"

#include <cmath>

namespace {
bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }
} // namespace

double LeadingNumber::of(const QString &text)
{
    const QString t = text.trimmed();
    int i = 0;
    const int n = t.size();
    if (i < n && (t[i] == QLatin1Char('+') || t[i] == QLatin1Char('-')))
        ++i;
    const int digitsStart = i;
    while (i < n && isDigit(t[i]))
        ++i;
    int mantissaDigits = i - digitsStart;
    if (i < n && t[i] == QLatin1Char('.')) {
        ++i;
        const int fractionStart = i;
        while (i < n && isDigit(t[i]))
            ++i;
        mantissaDigits += i - fractionStart;
    }
    if (mantissaDigits == 0)
        return 0.0;
    int end = i;
    if (i < n && (t[i] == QLatin1Char('e') || t[i] == QLatin1Char('E'))) {
        int j = i + 1;
        if (j < n && (t[j] == QLatin1Char('+') || t[j] == QLatin1Char('-')))
            ++j;
        const int expStart = j;
        while (j < n && isDigit(t[j]))
            ++j;
        if (j > expStart)
            end = j;
    }
    bool ok = false;
    const double value = t.left(end).toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return t.startsWith(QLatin1Char('-')) ? -HUGE_VAL : HUGE_VAL;
    return value;
}

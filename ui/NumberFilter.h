#pragma once
// The filter of the numeric text fields: on every change the field's text is replaced by the
// number at its start written as a plain decimal, or emptied when that number is 0 and the text
// is not exactly "0". Typing 007 therefore leaves 7, typing letters empties the field, and a lone
// minus sign disappears at once.

#include <QObject>
#include <QString>
#include <functional>

class QLineEdit;

namespace kestrel::numberfilter {

// The number at the start of text: leading blanks skipped, then digits with an optional sign,
// decimal point and exponent; 0 when the text does not start with a number (or the number is
// too large to hold).
double leadingNumber(const QString& text);

// A number as a plain decimal: no exponent, no leading zeros, no trailing zeros after the point.
QString plainDecimal(double value);

// The text the filter leaves in a field that now reads text.
QString filtered(const QString& text);

// Attaches the filter to a field: every change of its text (typed or set by the program) is
// filtered. onNumber, when given, first receives the number read from the new text, before the
// field's text is replaced. The filter lives as long as the field.
void attach(QLineEdit* field, std::function<void(double)> onNumber = {});

// Limits what the user can type into a field to length characters. Unlike a maximum length, the
// limit does not cut a longer text that the program shows, such as a stored value; the user can
// shorten that text but not lengthen it.
void limitTyping(QLineEdit* field, int length);

} // namespace kestrel::numberfilter

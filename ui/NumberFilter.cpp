#include "NumberFilter.h"

#include <QLineEdit>
#include <QValidator>
#include <cmath>
#include <cstdlib>
#include <string>

namespace kestrel::numberfilter {

namespace {

bool isDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Length of the longest prefix of text (from start) that reads as a number; 0 when none.
qsizetype numberLength(const QString& text, qsizetype start) {
    qsizetype i = start;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        ++i;
    qsizetype digits = 0;
    while (i < text.size() && isDigit(text[i])) {
        ++i;
        ++digits;
    }
    if (i < text.size() && text[i] == QLatin1Char('.')) {
        ++i;
        while (i < text.size() && isDigit(text[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return 0;
    // An exponent counts only when digits follow it: "5e" is 5, "5e2" is 500.
    if (i < text.size() && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E'))) {
        qsizetype j = i + 1;
        if (j < text.size() && (text[j] == QLatin1Char('+') || text[j] == QLatin1Char('-')))
            ++j;
        if (j < text.size() && isDigit(text[j])) {
            while (j < text.size() && isDigit(text[j]))
                ++j;
            i = j;
        }
    }
    return i - start;
}

} // namespace

double leadingNumber(const QString& text) {
    qsizetype start = 0;
    while (start < text.size() &&
           (text[start] == QLatin1Char(' ') || text[start] == QLatin1Char('\t')))
        ++start;
    const qsizetype length = numberLength(text, start);
    if (length == 0)
        return 0;
    const std::string number = text.mid(start, length).toStdString();
    const double value = std::strtod(number.c_str(), nullptr);
    return std::isfinite(value) ? value : 0;
}

QString plainDecimal(double value) {
    // Fifteen significant digits, as a double holds them; an exponent is written out as zeros.
    const QString text = QString::number(value, 'g', 15);
    const qsizetype e = text.indexOf(QLatin1Char('e'));
    if (e < 0)
        return text;
    const bool negative = text.startsWith(QLatin1Char('-'));
    QString digits = text.mid(negative ? 1 : 0, e - (negative ? 1 : 0));
    const int exponent = text.mid(e + 1).toInt();
    const qsizetype point = digits.indexOf(QLatin1Char('.'));
    const int whole = point < 0 ? int(digits.size()) : int(point);
    digits.remove(QLatin1Char('.'));
    // The decimal point moves exponent places to the right of where it stood.
    const int pointAt = whole + exponent;
    QString out;
    if (pointAt <= 0)
        out = QStringLiteral("0.") + QString(-pointAt, QLatin1Char('0')) + digits;
    else if (pointAt >= digits.size())
        out = digits + QString(pointAt - digits.size(), QLatin1Char('0'));
    else
        out = digits.left(pointAt) + QLatin1Char('.') + digits.mid(pointAt);
    return negative ? QLatin1Char('-') + out : out;
}

QString filtered(const QString& text) {
    const double value = leadingNumber(text);
    if (value != 0)
        return plainDecimal(value);
    return text == QLatin1String("0") ? text : QString();
}

void attach(QLineEdit* field, std::function<void(double)> onNumber) {
    QObject::connect(field, &QLineEdit::textChanged, field,
                     [field, onNumber = std::move(onNumber)](const QString& text) {
                         if (onNumber)
                             onNumber(leadingNumber(text));
                         const QString result = filtered(text);
                         // Setting the text changes it again; the filtered text filters to
                         // itself, so that second pass ends here.
                         if (result != text)
                             field->setText(result);
                     });
}

namespace {

// Texts the program sets are not validated; typed and pasted ones are.
class TypingLimit : public QValidator {
public:
    TypingLimit(int length, QObject* parent) : QValidator(parent), length_(length) {}
    State validate(QString& input, int&) const override {
        return input.size() <= length_ ? Acceptable : Invalid;
    }

private:
    int length_;
};

} // namespace

void limitTyping(QLineEdit* field, int length) {
    field->setValidator(new TypingLimit(length, field));
}

} // namespace kestrel::numberfilter

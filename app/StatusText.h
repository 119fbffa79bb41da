#pragma once
// The two texts of the main window's status strip, kept free of timers and widgets so that they
// can be checked for any position and time.

#include <QString>
#include <QTime>

namespace kestrel::StatusText {

// One coordinate written at least four digits wide ("0001"); wider numbers are written in full,
// and a negative one (a screen left of or above the primary one) keeps its minus sign.
inline QString coordinate(qint64 value) {
    const QString digits = QString::number(qAbs(value));
    return (value < 0 ? QStringLiteral("-") : QString()) +
           digits.rightJustified(4, QLatin1Char('0'));
}

// The cursor text of screen pixel (x, y), counted from 1: (0, 0) gives "0001x0001".
inline QString cursorText(int x, int y) {
    return coordinate(qint64(x) + 1) + QLatin1Char('x') + coordinate(qint64(y) + 1);
}

// The 24-hour clock text, "14:05:09".
inline QString clockText(const QTime& time) {
    return time.toString(QStringLiteral("HH:mm:ss"));
}

} // namespace kestrel::StatusText

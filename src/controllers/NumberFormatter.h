#pragma once

#include <QLocale>
#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

namespace orvi::ui::controllers {

// The interface's number texts. QML creates one where it shows numbers; its texts use the
// default locale with grouped digits, as the rest of the interface. The controllers' own texts
// use the system locale without group separators (plainSystemLocale()).
class NumberFormatter : public QObject
{
    Q_OBJECT
    QML_ELEMENT

public:
    using QObject::QObject;

    // value with a fixed number of decimals.
    Q_INVOKABLE QString fixed(double value, int decimals) const;
    // Decimals that show `digits` significant digits of value, within 0 ... maximumDecimals.
    Q_INVOKABLE int significantDecimals(double value, int digits, int maximumDecimals) const;
    // `digits` significant digits; "—" for no value, "0" for zero.
    Q_INVOKABLE QString significant(double value, int digits) const;
    // A frequency to the precision a spectrum of this bin width resolves.
    Q_INVOKABLE QString frequency(double hz, double stepHz) const;
    Q_INVOKABLE int frequencyDecimals(double stepHz) const { return frequencyDecimalsFor(stepHz); }

    static QLocale plainSystemLocale();
    static QString fixedText(const QLocale& locale, double value, int decimals);
    static int frequencyDecimalsFor(double stepHz);
    static int significantDecimalsFor(double value, int digits, int maximumDecimals);
    // `digits` significant digits without trailing zeros; "—" for no value.
    static QString trimmed(const QLocale& locale, double value, int digits);
};

} // namespace orvi::ui::controllers

// SPDX-License-Identifier: GPL-3.0-or-later
#include "JsonValues.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QRegularExpression>
#include <QString>
#include <limits>

namespace {

const QString kBytesKey = QStringLiteral("base64");

// A whole number in [nMin, nMax]; NaN and infinities fail every comparison.
bool WholeNumber(const QJsonValue& value, double dMin, double dMax, double& dNumber,
                 std::string& strWhy) {
    if (!value.isDouble()) {
        strWhy = "expected a number";
        return false;
    }
    dNumber = value.toDouble();
    if (!(dNumber >= dMin && dNumber <= dMax) ||
        static_cast<double>(static_cast<int64_t>(dNumber)) != dNumber) {
        strWhy = "expected a whole number from " + std::to_string(static_cast<int64_t>(dMin)) +
                 " to " + std::to_string(static_cast<int64_t>(dMax));
        return false;
    }
    return true;
}

}  // namespace

QJsonValue TextToJson(const std::string& text) {
    const QByteArray bytes(text.data(), static_cast<qsizetype>(text.size()));
    const QString strText = QString::fromUtf8(bytes);
    // Invalid sequences decode to U+FFFD, so only a text that encodes back to the same bytes
    // is written as a string.
    if (strText.toUtf8() == bytes) {
        return strText;
    }
    return QJsonObject{{kBytesKey, QString::fromLatin1(bytes.toBase64())}};
}

bool TextFromJson(const QJsonValue& value, std::string& text, std::string& strWhy) {
    if (value.isString()) {
        const QString strText = value.toString();
        // A lone surrogate ("\ud800") has no UTF-8 form; it would come back as "?".
        if (!strText.isValidUtf16()) {
            strWhy =
                "the text holds a lone surrogate (\\ud800-\\udfff); write such bytes as "
                "{\"base64\": \"...\"}";
            return false;
        }
        text = strText.toUtf8().toStdString();
        return true;
    }
    const QJsonObject object = value.toObject();
    if (!value.isObject() || object.size() != 1 || !object.value(kBytesKey).isString()) {
        strWhy = "expected a text: a string, or {\"base64\": \"...\"} for bytes that are not UTF-8";
        return false;
    }
    const QByteArray encoded = object.value(kBytesKey).toString().toLatin1();
    const QByteArray::FromBase64Result decoded =
        QByteArray::fromBase64Encoding(encoded, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded) {
        strWhy = "\"base64\" holds something that is not base64";
        return false;
    }
    text = decoded.decoded.toStdString();
    return true;
}

QJsonValue DateToJson(uint32_t nTime) {
    if (nTime == 0) {
        return QJsonValue::Null;
    }
    return QDateTime::fromSecsSinceEpoch(nTime, Qt::UTC).toString(Qt::ISODate);
}

bool DateFromJson(const QJsonValue& value, uint32_t& nTime, std::string& strWhy) {
    if (value.isNull()) {
        nTime = 0;
        return true;
    }
    // One form only, so that an edit by hand means what it says: UTC, whole seconds.
    static const QRegularExpression kForm(
        QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})T(\\d{2}):(\\d{2}):(\\d{2})Z$"));
    const QRegularExpressionMatch match = kForm.match(value.toString());
    const auto part = [&match](int n) { return match.captured(n).toInt(); };
    const QDate date(part(1), part(2), part(3));
    const QTime time(part(4), part(5), part(6));
    if (!value.isString() || !match.hasMatch() || !date.isValid() || !time.isValid()) {
        strWhy = "expected a date as \"YYYY-MM-DDTHH:MM:SSZ\" (UTC), or null for none";
        return false;
    }
    const int64_t nSeconds = QDateTime(date, time, Qt::UTC).toSecsSinceEpoch();
    if (nSeconds < 0 || nSeconds > std::numeric_limits<uint32_t>::max()) {
        strWhy = "the date is outside 1970-01-01T00:00:00Z to 2106-02-07T06:28:15Z";
        return false;
    }
    nTime = static_cast<uint32_t>(nSeconds);
    return true;
}

QJsonValue OptionToJson(int32_t nOption) {
    if (nOption == 0 || nOption == 1) {
        return nOption == 1;
    }
    return nOption;
}

bool OptionFromJson(const QJsonValue& value, int32_t& nOption, std::string& strWhy) {
    if (value.isBool()) {
        nOption = value.toBool() ? 1 : 0;
        return true;
    }
    if (value.isDouble()) {
        return NumberFromJson(value, nOption, strWhy);
    }
    strWhy = "expected true or false";
    return false;
}

bool NumberFromJson(const QJsonValue& value, uint32_t& nNumber, std::string& strWhy) {
    double dNumber = 0;
    if (!WholeNumber(value, 0, std::numeric_limits<uint32_t>::max(), dNumber, strWhy)) {
        return false;
    }
    nNumber = static_cast<uint32_t>(dNumber);
    return true;
}

bool NumberFromJson(const QJsonValue& value, int32_t& nNumber, std::string& strWhy) {
    double dNumber = 0;
    if (!WholeNumber(value, std::numeric_limits<int32_t>::min(),
                     std::numeric_limits<int32_t>::max(), dNumber, strWhy)) {
        return false;
    }
    nNumber = static_cast<int32_t>(dNumber);
    return true;
}

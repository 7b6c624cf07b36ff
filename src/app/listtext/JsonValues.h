// SPDX-License-Identifier: GPL-3.0-or-later
// The group list's texts, dates, options and figures as JSON values, both ways. Each reader
// takes a value, checks it whole and gives the reason when it does not fit.
#pragma once

#include <QJsonValue>
#include <cstdint>
#include <string>

// A text as a JSON string when its bytes are valid UTF-8 that comes back unchanged, else as
// {"base64": "<the bytes>"}, so that names in any encoding survive byte for byte.
QJsonValue TextToJson(const std::string& text);
bool TextFromJson(const QJsonValue& value, std::string& text, std::string& strWhy);

// A date (seconds since 1970 UTC) as "YYYY-MM-DDTHH:MM:SSZ"; 0 (no date) as null.
QJsonValue DateToJson(uint32_t nTime);
bool DateFromJson(const QJsonValue& value, uint32_t& nTime, std::string& strWhy);

// An option as true or false when it is 0 or 1, else as the number the list holds.
QJsonValue OptionToJson(int32_t nOption);
bool OptionFromJson(const QJsonValue& value, int32_t& nOption, std::string& strWhy);

// Figures: whole numbers in the range of their 32-bit field.
bool NumberFromJson(const QJsonValue& value, uint32_t& nNumber, std::string& strWhy);
bool NumberFromJson(const QJsonValue& value, int32_t& nNumber, std::string& strWhy);

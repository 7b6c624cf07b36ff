// SPDX-License-Identifier: GPL-3.0-or-later
#include "SettingsFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryFile>

#include "GroupListLocation.h"
#include "PosixHandles.h"

namespace {

constexpr const char* kKeepDaysKey = "Versions/KeepDays";
// Where earlier versions kept the window places: QSettings' own place for this name.
constexpr const char* kOldOrganisation = "Folvex";
constexpr const char* kOldApplication = "Folvex";

std::string g_strSettingsFile;

QString PathText(const std::string& strPath) {
    return QString::fromStdString(strPath);
}

// The days as written, or why they cannot be used.
bool ParseKeepDays(const QVariant& value, uint32_t& nDays) {
    bool bNumber = false;
    const qlonglong nValue = value.toString().trimmed().toLongLong(&bNumber);
    if (!bNumber || nValue < 0 || nValue > kMostKeepVersionDays) {
        return false;
    }
    nDays = static_cast<uint32_t>(nValue);
    return true;
}

// A settings file is a few lines; a larger one is not read (QSettings would read it whole).
constexpr qint64 kMostSettingsBytes = 1 << 20;

// What a settings file holds, read afresh. QSettings keeps one parse of a file per process,
// read again only when its size or time changed, and tells a format error only to the first
// object that reads it; so a copy of the bytes, under a name of its own, is parsed.
struct CFreshRead {
    QSettings::Status status = QSettings::NoError;
    QVariantMap values;
};

CFreshRead ReadFresh(const std::string& strPath) {
    CFreshRead read;
    const QFileInfo info(PathText(strPath));
    if (!info.exists()) {
        return read;
    }
    QFile file(PathText(strPath));
    // Not opened unless a regular file: a FIFO would wait for a writer.
    if (!info.isFile() || !file.open(QIODevice::ReadOnly)) {
        read.status = QSettings::AccessError;
        return read;
    }
    if (info.size() > kMostSettingsBytes) {
        read.status = QSettings::FormatError;
        return read;
    }
    QTemporaryFile copy;
    if (!copy.open() || copy.write(file.readAll()) < 0 || !copy.flush()) {
        read.status = QSettings::AccessError;
        return read;
    }
    const QSettings parsed(copy.fileName(), QSettings::IniFormat);
    for (const QString& strKey : parsed.allKeys()) {
        read.values.insert(strKey, parsed.value(strKey));
    }
    read.status = parsed.status();
    return read;
}

QString StatusText(QSettings::Status status) {
    return status == QSettings::AccessError ? QStringLiteral("it cannot be read")
                                            : QStringLiteral("it is damaged");
}

// What is wrong with the days a readable settings file holds; empty when nothing is.
QString DaysDamage(const QVariantMap& values) {
    uint32_t nDays = 0;
    const auto found = values.find(kKeepDaysKey);
    if (found != values.end() && !ParseKeepDays(*found, nDays)) {
        return QStringLiteral("its days to keep replaced files (%1) are not a number from 0 to %2")
            .arg(found->toString())
            .arg(kMostKeepVersionDays);
    }
    return {};
}

// Moves (or, when what it holds is still read, copies) a damaged file to Folvex.conf.bak,
// since QSettings writes back only what it could read.
bool KeepDamagedFile(const std::string& strPath, bool bMove, QString& strError) {
    const QString strBackup = PathText(strPath) + QStringLiteral(".bak");
    QFile::remove(strBackup);
    if (bMove ? QFile::rename(PathText(strPath), strBackup)
              : QFile::copy(PathText(strPath), strBackup)) {
        return true;
    }
    strError = QStringLiteral(
                   "The settings file %1 is damaged and could not be kept as %2, "
                   "so it is not changed.")
                   .arg(PathText(strPath), strBackup);
    return false;
}

// Sets one value, keeping a damaged file aside first.
bool WriteValue(const std::string& strPath, const char* szKey, const QVariant& value,
                QString& strError) {
    const CFreshRead fresh = ReadFresh(strPath);
    if (fresh.status == QSettings::AccessError) {
        strError = QStringLiteral("The settings file %1 cannot be read, so it is not changed.")
                       .arg(PathText(strPath));
        return false;
    }
    if (fresh.status == QSettings::FormatError && !KeepDamagedFile(strPath, true, strError)) {
        return false;
    }
    if (fresh.status == QSettings::NoError && !DaysDamage(fresh.values).isEmpty() &&
        !KeepDamagedFile(strPath, false, strError)) {
        return false;
    }
    QSettings settings(PathText(strPath), QSettings::IniFormat);
    settings.setValue(QString::fromUtf8(szKey), value);
    settings.sync();
    if (settings.status() == QSettings::AccessError) {
        strError =
            QStringLiteral("The settings file %1 could not be written.").arg(PathText(strPath));
        return false;
    }
    return true;
}

}  // namespace

std::string SettingsPathBeside(const std::string& strListPath) {
    return posix::FolderOf(strListPath) + "/" + kSettingsFileName;
}

void UseSettingsFile(const std::string& strPath) {
    g_strSettingsFile = strPath;
}

std::string SettingsFile() {
    if (g_strSettingsFile.empty()) {
        return SettingsPathBeside(
            DefaultGroupListPath(QCoreApplication::applicationFilePath().toStdString()));
    }
    return g_strSettingsFile;
}

CSettings ReadSettings(const std::string& strPath) {
    CSettings read;
    const CFreshRead fresh = ReadFresh(strPath);
    const QString strDamage =
        fresh.status != QSettings::NoError ? StatusText(fresh.status) : DaysDamage(fresh.values);
    uint32_t nDays = 0;
    if (strDamage.isEmpty() && ParseKeepDays(fresh.values.value(kKeepDaysKey), nDays)) {
        read.nKeepVersionDays = nDays;
    }
    if (!strDamage.isEmpty()) {
        read.strProblem = QStringLiteral(
                              "The settings file %1 was not read whole: %2.\nFolvex "
                              "uses its defaults: replaced files are kept for %3 days.")
                              .arg(PathText(strPath), strDamage)
                              .arg(kDefaultKeepVersionDays);
    }
    return read;
}

bool WriteKeepVersionDays(const std::string& strPath, uint32_t nDays, QString& strError) {
    return WriteValue(strPath, kKeepDaysKey, nDays, strError);
}

QByteArray ReadWindowGeometry(const std::string& strPath, const char* szKey) {
    const CFreshRead fresh = ReadFresh(strPath);
    const auto found = fresh.values.find(QString::fromUtf8(szKey));
    if (fresh.status == QSettings::NoError && found != fresh.values.end()) {
        return found->toByteArray();
    }
    const QSettings old(kOldOrganisation, kOldApplication);
    return old.value(QString::fromUtf8(szKey)).toByteArray();
}

bool WriteWindowGeometry(const std::string& strPath, const char* szKey, const QByteArray& geometry,
                         QString& strError) {
    return WriteValue(strPath, szKey, geometry, strError);
}

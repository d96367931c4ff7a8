#pragma once

#include <QDateTime>
#include <QSettings>
#include <QString>

// What the update checker keeps in the application's settings, and the
// settings window's changes to it.
namespace basalt {

using namespace Qt::StringLiterals;

// The settings keys, exactly as stored.
namespace vexa_key {
inline const QString nextUpdateCheckPeriod = u"VEXANextUpdateCheckPeriod"_s;
inline const QString nextUpdateCheck = u"VEXANextUpdateCheck"_s;
inline const QString currentUpdateInfo = u"VEXACurrentUpdateInfo"_s;
inline const QString updateAvailable = u"VEXAUpdateAvailable"_s;
inline const QString ignoreVersionInfo = u"VEXAIgnoreVersionInfo"_s;
inline const QString ignoreMaintenance = u"VEXAIgnoreMaintenance"_s;
inline const QString showMoreOptions = u"VEXAShowMoreOptions"_s;
inline const QString remoteFileModDate = u"VEXARemoteFileModDate"_s;
}  // namespace vexa_key

// What the application's own views bind to.
inline const QString updateAvailableKey = vexa_key::updateAvailable;

// Removes the checker's stored state from a store.
void resetSettings(QSettings& store);
// The settings window's ignore button and its undo.
void ignoreCurrentUpdate(QSettings& store);
void undoIgnoreUpdate(QSettings& store);
// A new check frequency: the next check one period from now, or none.
void setCheckFrequency(QSettings& store, double seconds, const QDateTime& now);

}  // namespace basalt

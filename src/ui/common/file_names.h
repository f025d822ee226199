// Main window: file name rules shared by the file commands and the export.
#pragma once

#include <QString>
#include <string>

namespace tunelet::ui {

// path with extension appended unless its last four characters already are extension,
// ASCII letters compared without case ("song.mid" stays, "song.midi" gets ".MID").
QString withExtension(const QString &path, const QString &extension);

// The name a save dialog offers for files with extension (".TNL" or ".MID"): the shared
// last name, but one ending in the other file type's extension gets this one instead
// ("song.MID" is offered as "song.TNL" for a script), so accepting the offer never writes
// "song.MID.TNL" or a script over the exported song.
QString offeredName(const QString &lastFileName, const QString &extension);

// A filter written as "description|pattern|description|pattern" in the form Qt's file
// dialogs take: "description (pattern);;description (pattern)". The pattern "*.*" stands
// for every file, with or without a dot, as it reads.
QString qtNameFilters(const QString &filter);

// A path as the system's file functions take it (QFile::encodeName), for the core, and
// back (QFile::decodeName): names in any locale round-trip.
std::string nativeName(const QString &path);
QString displayName(const std::string &nativePath);

} // namespace tunelet::ui

// Main window: file name rules shared by the file commands and the export.
#pragma once

#include <QString>

namespace tunelet::ui {

// path with extension appended unless its last four characters already are extension,
// ASCII letters compared without case ("song.mid" stays, "song.midi" gets ".MID").
QString withExtension(const QString &path, const QString &extension);

// A filter written as "description|pattern|description|pattern" in the form Qt's file
// dialogs take: "description (pattern);;description (pattern)". The pattern "*.*" stands
// for every file, with or without a dot, as it reads.
QString qtNameFilters(const QString &filter);

} // namespace tunelet::ui

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace kv {

// The manual's file name on this platform. With the language of the program's windows (a
// language code such as "de") and the folder the manual lies in: the translated manual when the
// folder holds one, else the English one, so that Help speaks as the windows do.
QString helpFileName(const QString& folder = {}, const QString& language = {});

// Where the samples and the manual lie: beside the program in a build, under the data folder
// (../share/kestrovaline) once installed. Without either, the place beside the program.
QString sampleFolder(const QString& programFolder);
QString helpFolder(const QString& programFolder);

} // namespace kv

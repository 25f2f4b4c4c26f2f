// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace kv {

// The manual's file name on this platform.
QString helpFileName();

// Where the samples and the manual lie: beside the program in a build, under the data folder
// (../share/kestrovaline) once installed. Without either, the place beside the program.
QString sampleFolder(const QString& programFolder);
QString helpFolder(const QString& programFolder);

} // namespace kv

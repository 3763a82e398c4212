// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/script.h"

#include <QString>

#include <optional>

namespace qm {

class Store;

// Larger files would take the editor seconds to lay out on every change; they import nothing.
inline constexpr qint64 kMaxImportBytes = 16 * 1024 * 1024;

// The file name without its last extension: "talk.final.txt" gives "talk.final"; a name
// without one (or a hidden file such as ".notes") stays whole.
QString scriptTitleForFile(const QString &path);

// The file as a new script, or nothing when it cannot be read, is too large or is not valid
// UTF-8. The text is kept exactly as stored (a leading byte-order mark is dropped).
std::optional<Script> readScriptFile(const QString &path);

// Reads the file, puts the new script at the top of the list and selects it. Returns false,
// changing nothing, when the file could not be read as a script.
bool importScriptFile(Store &store, const QString &path);

// The file dialog's choice of types: plain-text files first, anything else on request (the
// import itself decides whether the content is text).
QString importFileFilter();

} // namespace qm

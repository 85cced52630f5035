#pragma once
// Every file the program writes goes through here: the content is written to a
// temporary file beside the target, flushed to the disk and renamed over the
// target. On any failure the old file stays as it was and no temporary file is
// left behind.
#include <functional>
#include <ostream>
#include <string>
#include <string_view>

#include "app/outcome.h"

namespace corvath::app {

//! Replaces the file at path by content.
Outcome WriteFileAtomically(const std::string& path, std::string_view content);

//! Replaces the file at path by what write puts into the stream; write returns false
//! (or the stream fails) to abandon the file.
Outcome WriteFileAtomically(const std::string& path, const std::function<bool(std::ostream&)>& write);

//! For writers that need a file name of their own (a workbook library, say): write
//! receives the name of a fresh temporary file beside path and fills it; when it
//! answers Done the temporary file is flushed and renamed over path, otherwise it is
//! removed and write's answer returned.
Outcome ReplaceFileAtomically(const std::string& path, const std::function<Outcome(const std::string& temporaryPath)>& write);

}  // namespace corvath::app

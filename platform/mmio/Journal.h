// Changes to a file that neither a crash nor a power cut leaves half made: while a change is
// written, a journal beside the file holds the bytes it replaces, so that whatever the disk
// kept of it can be taken back.
#pragma once

#include "platform/mmio/Mmio.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace platform::mmio {

// Waits a few seconds at most for another program's change of the file to end, then holds
// the file until `f` is closed. False when the other change does not end.
bool LockForChange(File& f);

// Writes the staged writes of `f` (opened for writing, locked, staging): first the bytes they
// replace go to a journal beside the file, flushed with its folder; then the writes, flushed;
// then the journal is removed and the folder flushed. False, with the reason in `why`, when
// the file cannot be written; the file is then as it was. Where no journal can be made (a
// folder the user may not write), the writes are made and flushed without one.
bool CommitStaged(File& f, std::string& why);

// Takes back a change that a crash or a power cut interrupted, when its journal stands beside
// the file and belongs to it; a journal that was never completed (its change never began) or
// that belongs to no longer this file is removed. The first form locks the file itself.
void RollBackInterrupted(const std::string& path);
void RollBackInterrupted(File& lockedForChange);

// Where the journal of a file stands: beside the file the path leads to.
std::string JournalPath(const std::string& path);

// The checksum that ends a journal, of the bytes before it: for tests that make journals.
std::uint64_t JournalChecksum(std::string_view body);

} // namespace platform::mmio

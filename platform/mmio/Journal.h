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

// Writes the staged writes of `f` (opened for writing, locked, staging): first the journal
// goes beside the file, flushed with its folder: the bytes the writes replace, the file's
// length before and after, and a checksum of each piece of each write; then the writes,
// flushed; then the journal is removed and the folder flushed. False, with the reason in
// `why`, when the file cannot be written; the file is then as it was. Where no journal can be
// made (a folder the user may not write, something that is not ours at its name), the writes
// are made and flushed without one.
bool CommitStaged(File& f, std::string& why);

// Takes back a change that a crash or a power cut interrupted, when its journal stands beside
// the file, may be trusted (a regular file of one link, owned by the user who runs the
// program or by the file's owner, that nobody else may write) and the file holds what the
// change could have left: in each piece of what it replaced the old bytes or those of one of
// its writes, a length between the old and the new. Such a journal that was never completed,
// or that the file no longer fits, is removed and the file left as it is; anything else at
// its name is left alone. The second form locks the file itself. False when a journal that
// may be trusted can be neither taken back nor removed.
bool RollBackInterrupted(File& lockedForChange);
void RollBackInterrupted(const std::string& path);

// Where the journal of a file stands: beside the file the path leads to.
std::string JournalPath(const std::string& path);

// The checksum that ends a journal, of the bytes before it: for tests that make journals.
std::uint64_t JournalChecksum(std::string_view body);

} // namespace platform::mmio

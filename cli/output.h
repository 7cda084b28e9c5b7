// quernsum's standard output, in whole lines. Result lines are gathered in a buffer and
// written with write(2) a batch of whole lines at a time, never through stdio (whose buffer
// is written out when full, in the middle of a line), so that however the process ends, by
// an interrupt included, the output holds whole lines only.
#pragma once

#include <string_view>

namespace cli::output {

// Text: one or more whole lines. Written at once when standard output is a terminal, else
// when the buffer fills.
void Write(std::string_view Text);
// Writes out what is gathered: before a message on standard error, so that the two come out
// in order, and before a wait for input, so that what is done so far shows meanwhile.
void Flush();
// A message on standard error: "quernsum: ", Text and a line end, after what is gathered for
// standard output (so that the two come out in order), in one write.
void Diagnose(std::string_view Text);
// The errno of the first write that failed (a full disk, a closed descriptor), 0 when none
// did. What could not be written is dropped.
int Error();
// For the end by a signal, from any thread: writes out what is gathered, unless a write of
// another thread stays stuck (a pipe nobody reads) for a second. Lines are whole either way.
void FlushBeforeExit();

}  // namespace cli::output

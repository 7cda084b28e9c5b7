// Ctrl+C, SIGTERM and SIGHUP. Their default action would end the process wherever each thread
// is, with the last line half written and the lines of finished files lost in a buffer.
// Instead the signals are blocked in every thread and one thread waits for them: on the first
// it writes out the whole lines gathered so far (output.h) and ends the process by the same
// signal with its default action, so the shell sees what it sees of an interrupted md5sum
// (status 128 + the signal's number: 130 for Ctrl+C) and scripts that stop on it still do.
// A file whose read the signal cut has no line among them: a line is gathered only once its
// file is read to the end. SIGPIPE keeps its default action (status 141, as md5sum's).
#pragma once

namespace cli {

// Blocks the three signals in the calling thread, so that every thread started after it has
// them blocked too, and starts the thread that waits for them. Call it once, before any other
// thread is started. A signal the process was started ignoring (SIGINT in a script's
// background job, SIGHUP under nohup) stays ignored.
void WatchInterrupts();

}  // namespace cli

// Which way the engine reads a large regular file for one algorithm: through a mapping of the
// file, by read calls into a buffer, or by read calls on a second thread ahead of the
// algorithm (readahead.h). Which is faster depends on the machine and on how fast
// the algorithm consumes the bytes, so it is measured in each process, per algorithm, on the
// files it hashes (readchoice.cpp says why and how).
#pragma once

#include <cstdint>

namespace readchoice {

enum class Way : uint8_t { Map, Read, Ahead };

// The way for the next window of a file read for Kind (an algorithm id, or kSeveral), and
// whether its time is wanted: until the choice is made, the ways take turns and every window
// is timed; after it, every window goes the chosen way, untimed. Ahead takes part when
// AheadAllowed; reads that may and may not use a second thread are measured apart.
struct Plan {
    Way way;
    bool timed;
};
Plan NextWindow(int32_t Kind, bool AheadAllowed = false);

// A timed window: Bytes read the given way, and consumed, in Nanoseconds.
void Record(int32_t Kind, bool AheadAllowed, Way Way_, uint64_t Bytes, uint64_t Nanoseconds);

// Forgets every timing and choice: the next large files take turns again. For tests.
void Forget();

// The kind of the reads that feed several algorithms at once (engine::ReadPath).
constexpr int32_t kSeveral = -1;

// Timed windows per way before the choice is made.
constexpr int kTimings = 4;

}  // namespace readchoice

// Why something failed, worded in the window's language: the engine's failures, the system's
// error numbers, and the checksum-file reader's malformed lines. The engine and the reader
// report codes; the words are the window's own, through tr(), so a Chinese window never shows
// the C locale's English and an English window never shows the user's locale.
#pragma once

#include <QString>

namespace engine {
struct Error;
}
namespace sums {
struct Malformed;
}

// Why a file gave no digest, as the page and the status bar say it.
QString FailureText(const engine::Error& Error);
// The text of an errno value: the usual ones have texts of their own; for the rare others, the
// system's text in the messages locale that the window's language has set (see Language.h).
QString SystemText(int Code);
// Why a line of a checksum file is not a checksum line, with the values the reader gave.
QString MalformedText(const sums::Malformed& Line);

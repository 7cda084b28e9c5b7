// The checksum-file reader over any bytes, handed out in reads of any sizes and with a small
// line limit: it never crashes or hangs, every line it takes has a digest of its algorithm's
// length and a line number that only grows, and every entry written back as a GNU or BSD line
// reads back as the same name, digest and algorithm.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <variant>

#include "checksumfile.h"

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

// An entry written in Form and read again, with the algorithm given as the user's choice for
// GNU lines (which carry none) and taken from the tag for BSD lines.
void RoundTrip(const sums::Entry& e, sums::Form form) {
    const auto line = sums::FormatLine(form, e.algorithm, e.name, e.expected);
    if (!line) return;  // a form that cannot carry this name
    sums::ReadOptions options;
    if (form == sums::Form::Gnu) options.algorithm = e.algorithm;
    const auto back = sums::ParseLine(std::string_view(*line).substr(0, line->size() - 1), options);
    const auto* entry = std::get_if<sums::Entry>(&back);
    Check(entry != nullptr);
    Check(entry->name == e.name && entry->expected == e.expected &&
          entry->algorithm == e.algorithm);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const size_t maxLine = in.ConsumeIntegralInRange<size_t>(1, 300);
    const size_t readSize = in.ConsumeIntegralInRange<size_t>(1, 64);
    const std::string fileName = in.PickValueInArray({"", "x.md5", "SHA256SUMS", "a.sfv"});
    const std::string text = in.ConsumeRemainingBytesAsString();

    size_t at = 0;
    sums::ByteSource source = [&](char* buffer, size_t want) -> long {
        const size_t n = std::min({want, readSize, text.size() - at});
        std::memcpy(buffer, text.data() + at, n);
        at += n;
        return long(n);
    };
    sums::ReadOptions options;
    options.fileName = fileName;
    options.maxLine = maxLine;
    sums::Reader reader(std::move(source), options);
    uint64_t lastLine = 0;
    while (const auto item = reader.Next()) {
        if (const auto* e = std::get_if<sums::Entry>(&*item)) {
            Check(e->line > lastLine);
            lastLine = e->line;
            Check(e->expected.size() == size_t(sums::AlgorithmHexLength(e->algorithm)));
            RoundTrip(*e, sums::Form::Gnu);
            RoundTrip(*e, sums::Form::Bsd);
        } else {
            const auto& m = std::get<sums::Malformed>(*item);
            Check(m.line > lastLine);
            lastLine = m.line;
        }
    }
    Check(at == text.size() && reader.ReadError() == 0);
    return 0;
}

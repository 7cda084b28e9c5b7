#include "streamhash.h"

#include <cerrno>
#include <cstdio>

#include "fanout.h"
#include "fileopen.h"
#include "outputrun.h"

namespace cli {

StreamDigests HashStandardInput(const std::vector<int32_t>& Algorithms) {
    StreamDigests result;
    parallel::Fanout fanout(Algorithms, OnlineCpus() - 1);
    const fileio::ReadBuffer buf = fileio::MakeReadBuffer(parallel::kFanoutPiece);
    // A terminal's end of input ends one "-" only: a second one reads again, as md5sum does.
    std::clearerr(stdin);
    size_t n;
    while ((n = std::fread(buf.get(), 1, parallel::kFanoutPiece, stdin)) > 0)
        fanout.Feed(buf.get(), n);
    if (std::ferror(stdin)) {
        result.error = errno != 0 ? errno : EIO;
        return result;
    }
    result.digests = fanout.Finish();
    return result;
}

}  // namespace cli

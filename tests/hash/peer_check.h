// Cross-checks against peer tools run as separate programs (xxhsum, rhash, ...): files of
// awkward sizes with random content, hashed by the engine and by the peer, compared digest by
// digest. A test skips when its peer is not installed.
#pragma once

#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "filehash.h"

namespace peercheck {

inline bool Installed(const std::string& tool) {
    return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0;
}

// The digest on each line the peer prints, in order: the text after " = " on a tag line
// ("XXH3 (name) = digest"), else the line's first word ("digest  name").
inline std::vector<std::string> Digests(const std::string& command) {
    std::vector<std::string> out;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return out;
    std::string text;
    char buf[4096];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;)
        text.append(buf, n);
    ::pclose(pipe);
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        const size_t eq = line.rfind(" = ");
        std::string digest = eq != std::string::npos ? line.substr(eq + 3) : line;
        digest = digest.substr(0, digest.find_first_of(" \t\r"));
        if (!digest.empty()) out.push_back(digest);
    }
    return out;
}

// Writes one file of each size into a fresh folder, hashes them with the engine (Algorithm) and
// with PeerCommand (given every path at once), and expects the same digests.
inline void ExpectPeerAgrees(int32_t Algorithm, const std::string& PeerCommand,
                             const std::vector<size_t>& Sizes) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("quernix-peer-" + std::to_string(::getpid()) +
                                                      "-" + std::to_string(Algorithm));
    fs::create_directories(dir);
    std::mt19937_64 rng(Algorithm);
    std::string paths;
    std::vector<std::string> ours;
    for (size_t size : Sizes) {
        std::string data(size, '\0');
        for (char& c : data)
            c = char(rng());
        const std::string path = (dir / std::to_string(size)).string();
        std::ofstream(path, std::ios::binary | std::ios::trunc) << data;
        paths += " '" + path + "'";
        engine::Request r;
        r.path = path;
        r.algorithm = Algorithm;
        const engine::Result result = engine::HashPath(r);
        EXPECT_TRUE(result.ok()) << path;
        std::string lower = result.digest;
        for (char& c : lower)
            c = char(std::tolower(static_cast<unsigned char>(c)));
        ours.push_back(lower);
    }
    const std::vector<std::string> theirs = Digests(PeerCommand + paths);
    ASSERT_EQ(theirs.size(), Sizes.size()) << PeerCommand;
    for (size_t i = 0; i < Sizes.size(); ++i)
        EXPECT_EQ(ours[i], theirs[i]) << PeerCommand << " on " << Sizes[i] << " bytes";
    fs::remove_all(dir);
}

}  // namespace peercheck

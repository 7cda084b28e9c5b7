// One table-driven suite for hash objects whose kernels sit in one slot of the kernel table:
// each published vector runs under every kernel of its algorithm's slot that this CPU runs, in
// one Update, split at awkward places, and after a discarded message and a re-Init. A family's
// test file supplies the table (VectorSuite::Vectors) and instantiates the suite. Also the
// cross-check against peer tools over files of awkward sizes, which skips a peer that is absent.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "filehash.h"
#include "hash_test_util.h"
#include "hashhead.h"
#include "kernels.h"

namespace vectorsuite {

struct Vector {
    int32_t id;
    const char* name;  // test name suffix
    std::string message;
    const char* digest;  // lower-case hex
};

struct Case {
    const kernels::Entry* entry;
    const Vector* vec;
};

// The slot that holds an algorithm's kernels, from the algorithm's kernel name under the table
// that has only this slot's entry: the slot whose name KernelName reports.
inline kernels::Slot SlotOf(int32_t id) {
    for (int s = 0; s < kernels::kSlots; ++s) {
        kernels::Table t = kernels::Portable();
        t.name[s] = "probe";
        kernels::Use(&t);
        const bool here = std::string(kernels::KernelName(id)) == "probe";
        kernels::Use(nullptr);
        if (here) return kernels::Slot(s);
    }
    ADD_FAILURE() << "no kernel slot for algorithm " << id;
    return kernels::Slot(0);
}

// Every vector under every entry of its algorithm's slot.
inline std::vector<Case> Cases(const std::vector<Vector>& vectors) {
    std::vector<Case> cases;
    for (const Vector& v : vectors)
        for (const kernels::Entry* e : testutil::EntriesOf(SlotOf(v.id)))
            cases.push_back({e, &v});
    return cases;
}

inline std::string CaseName(const testing::TestParamInfo<Case>& info) {
    auto h = CreateHashObject(info.param.vec->id);
    std::string name = h->Algorithm() + "_" + info.param.vec->name + "_" + info.param.entry->name;
    for (char& c : name)
        if (!isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

class VectorTest : public testing::TestWithParam<Case> {
protected:
    void SetUp() override {
        const kernels::Entry& e = *GetParam().entry;
        if (!kernels::Supported(e)) GTEST_SKIP() << "this CPU cannot run " << e.name;
        scope_ = std::make_unique<testutil::KernelScope>(e);
        hash_ = CreateHashObject(GetParam().vec->id);
        ASSERT_NE(hash_, nullptr);
    }
    void TearDown() override { scope_.reset(); }

    std::string Finish() {
        uint8_t out[64];
        hash_->Final(out);
        return testutil::Hex(out, size_t(hash_->HashSize()) / 8);
    }

    std::unique_ptr<TDCP_hash> hash_;

private:
    std::unique_ptr<testutil::KernelScope> scope_;
};

TEST_P(VectorTest, OneUpdate) {
    const Vector& v = *GetParam().vec;
    EXPECT_STREQ(kernels::KernelName(v.id), GetParam().entry->name);
    EXPECT_EQ(testutil::Digest(*hash_, v.message), v.digest);
}

// Pieces of 0, 1, B-1, B, B+1, 3 and 2B+5 bytes in turn (B the block size), so pieces end
// just before, on and after block boundaries; first a message that Init discards, and the
// object is used again after Final.
TEST_P(VectorTest, SplitAfterReInit) {
    const Vector& v = *GetParam().vec;
    hash_->Init();
    hash_->Update(v.message.data(), v.message.size() / 2);
    const size_t block = 200 - size_t(hash_->HashSize()) / 4;  // SHA-3's rate
    for (size_t b : {size_t(64), size_t(128), block}) {
        const size_t plan[] = {0, 1, b - 1, b, b + 1, 3, 2 * b + 5};
        hash_->Init();
        size_t i = 0;
        for (size_t at = 0; at < v.message.size(); ++i) {
            const size_t n = std::min(plan[i % 7], v.message.size() - at);
            hash_->Update(v.message.data() + at, n);
            at += n;
        }
        EXPECT_EQ(Finish(), v.digest) << "pieces around " << b;
    }
}

// Writes files of the given sizes (a pattern that differs in every block) and compares the
// engine's digest of each, through engine::HashPath, with the peer's. Peer is a shell command
// that gets the files' paths appended and prints one line per file whose first word is its
// lower-case hex digest, in order. Skips when Probe (a shell command) fails.
inline void CrossCheck(int32_t id, const std::string& probe, const std::string& peer,
                       const std::vector<size_t>& sizes) {
    if (std::system((probe + " >/dev/null 2>&1").c_str()) != 0)
        GTEST_SKIP() << "no peer: " << probe;
    const auto dir = std::filesystem::temp_directory_path() /
                     ("quernix-peer-" + std::to_string(getpid()) + "-" + std::to_string(id));
    std::filesystem::create_directories(dir);
    std::string command = peer;
    std::vector<std::string> paths;
    for (size_t size : sizes) {
        const std::string path = (dir / std::to_string(size)).string();
        std::string data(size, '\0');
        for (size_t i = 0; i < size; ++i)
            data[i] = char((i * 7 + i / 997) % 253);
        std::ofstream(path, std::ios::binary).write(data.data(), std::streamsize(size));
        paths.push_back(path);
        command += " '" + path + "'";
    }
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char line[4096];
    size_t i = 0;
    while (fgets(line, sizeof line, pipe)) {
        std::string peerDigest(line);
        peerDigest = peerDigest.substr(0, peerDigest.find_first_of(" \n"));
        ASSERT_LT(i, paths.size()) << "the peer printed more lines than files";
        engine::Request request;
        request.path = paths[i];
        request.algorithm = id;
        const engine::Result r = engine::HashPath(request);
        EXPECT_EQ(testutil::Lower(r.digest), peerDigest) << peer << " on " << sizes[i] << " bytes";
        ++i;
    }
    EXPECT_EQ(pclose(pipe), 0) << peer;
    EXPECT_EQ(i, paths.size()) << peer;
    std::filesystem::remove_all(dir);
}

// The sizes around the first three block boundaries of a B-byte block, the engine's 16 KiB
// chunks, 64 KiB and 1 MiB: about 3 MiB in all, so that the emulated and sanitized builds stay
// quick.
inline std::vector<size_t> AwkwardSizes(size_t block) {
    std::vector<size_t> sizes{0};
    for (size_t edge : {block, 2 * block, 3 * block, size_t(16384), size_t(65536), size_t(1) << 20})
        for (size_t n : {edge - 1, edge, edge + 1})
            sizes.push_back(n);
    return sizes;
}

// python3's hashlib as a peer: digests of the files named on its command line.
inline std::string Hashlib(const std::string& name) {
    return "python3 -c 'import hashlib,sys\nfor f in sys.argv[1:]: "
           "print(hashlib.new(\"" +
           name + "\", open(f, \"rb\").read()).hexdigest())'";
}

// Properties, the factory, the self-check, and use before Init, for one class.
inline void CheckObject(int32_t id, const char* algorithm, int hashSize) {
    SCOPED_TRACE(algorithm);
    auto h = CreateHashObject(id);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->Id(), id);
    EXPECT_EQ(h->Algorithm(), algorithm);
    EXPECT_EQ(h->HashSize(), hashSize);
    EXPECT_TRUE(h->SelfCheck());
    uint8_t out[64];
    EXPECT_THROW(h->Update("abc", 3), EDCP_hash);
    EXPECT_THROW(h->Final(out), EDCP_hash);
    h->Init();
    h->UpdateText("abc");
    h->Final(out);
    EXPECT_THROW(h->Final(out), EDCP_hash);  // Final ends the message
    h->Init();
    h->Wipe();
    EXPECT_THROW(h->Update("abc", 3), EDCP_hash);
}

}  // namespace vectorsuite

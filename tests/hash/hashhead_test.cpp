// The file hash service: results through real files, progress positions, cancelling, the
// paths that give no result, and the checksum arithmetic.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "MD2.h"
#include "hash_test_util.h"
#include "hashhead.h"

namespace fs = std::filesystem;

namespace {

// Everything the progress callback saw during one HashFile call.
struct ProgressLog {
    std::vector<int64_t> sizes, positions;
    int cancelAt = -1;          // 0-based call index that replies CancelReply
    int32_t cancelReply = 999;  // the reply written at that call
    bool writeReply = true;
};
ProgressLog* g_log = nullptr;

void RecordProgress(int64_t size, int64_t position, int32_t* reply) {
    EXPECT_EQ(*reply, 0) << "the reply must be reset before every call";
    g_log->sizes.push_back(size);
    g_log->positions.push_back(position);
    if (g_log->writeReply && int(g_log->positions.size()) - 1 == g_log->cancelAt)
        *reply = g_log->cancelReply;
}

// A fresh temporary folder per test.
class HashFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("quernix-hashhead-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Write(const std::string& name, const std::string& content) {
        const fs::path p = dir_ / name;
        std::ofstream(p, std::ios::binary) << content;
        return p.string();
    }

    // Runs HashFile; returns the text, or "<none>" when OutLength was 0.
    std::string Hash(const std::string& path, const std::string& algorithm,
                     ProgressLog* log = nullptr) {
        ProgressLog local;
        g_log = log ? log : &local;
        char out[2000];
        std::memset(out, 'x', sizeof out);
        int32_t len = -1;
        HashFile(path.c_str(), AlgorithmIdFromName(algorithm), RecordProgress, out, &len);
        g_log = nullptr;
        EXPECT_GE(len, 0);
        if (len == 0) {
            EXPECT_EQ(out[0], 'x') << "OutText must stay untouched without a result";
            return "<none>";
        }
        EXPECT_EQ(out[len], 'x') << "no terminator may be written";
        return std::string(out, size_t(len));
    }

    fs::path dir_;
};

struct FileVector {
    const char* algorithm;
    std::string content;
    const char* expected;
};

// Expected values: the published check values and test suites of each algorithm (RFC 1319,
// 1320, 1321, 1950, FIPS 180, the RIPEMD, Tiger and HAVAL papers, CRC-32/ISO-HDLC and
// CRC-64/XZ), and the stored self-check digests of the hash objects.
const std::vector<FileVector>& FileVectors() {
    static const std::vector<FileVector> v = {
        {"crc32", "", "00000000"},
        {"crc32", "123456789", "CBF43926"},
        {"crc32", std::string(200000, '\xff'), "7C9B27E0"},
        {"adler32", "", "00000001"},
        {"adler32", "123456789", "091E01DE"},
        {"adler32", std::string(65521, 'a'), "00000001"},
        {"adler32", std::string(200000, '\xff'), "14D06057"},
        {"crc64", "", "0000000000000000"},
        {"crc64", "123456789", "995DC9BBDF1939FA"},
        {"crc32c", "123456789", "E3069283"},
        {"xxh3", "abc", "78AF5F94892F3950"},
        {"xxh128", "abc", "06B05AB6733A618578AF5F94892F3950"},
        {"sha224", "abc", "23097D223405D8228642A477BDA255B32AADBCE4BDA0B3F7E36C9DA7"},
        {"sha3-224", "abc", "E642824C3F8CF24AD09234EE7D3C766FC9A3A5168D0C94AD73B46FDF"},
        {"sha3-256", "abc", "3A985DA74FE225B2045C172D6BD390BD855F086E3E9D525B46BFE24511431532"},
        {"sha3-384", "abc",
         "EC01498288516FC926459F58E2C6AD8DF9B473CB0FC08C2596DA7CF0E49BE4B298D88CEA927AC7F539F1EDF2"
         "28376D25"},
        {"sha3-512", "abc",
         "B751850B1A57168A5693CD924B6B096E08F621827444F70D884F5D0240D2712E10E116E9192AF3C91A7EC576"
         "47E3934057340B4CF408D5A56592F8274EEC53F0"},
        {"blake2b", "abc",
         "BA80A53F981C4D0D6A2797B69F12F6E94C212F14685AC4B74B12BB6FDBFFA2D17D87C5392AAB792DC252D5DE"
         "4533CC9518D38AA8DBF1925AB92386EDD4009923"},
        {"blake2s", "abc", "508C5E8C327C14E2E1A72BA34EEB452F37458B209ED63A294D999B4C86675982"},
        {"blake3", "", "AF1349B9F5F9A1A6A0404DEA36DCC9499BCB25C9ADC112B7CC9A93CAE41F3262"},
        {"blake3", "abc", "6437B3AC38465133FFB63B75273A8DB548C558465D79DB03FD359C6CD5BD9D85"},
        {"md2", "", "8350E5A3E24C153DF2275C9F80692773"},
        {"md2", "a", "32EC01EC4A6DAC72C0AB96FB34C0B5D1"},
        {"md2", "abc", "DA853B0D3F88D99B30283A69E6DED6BB"},
        {"md2", "message digest", "AB4F496BFB2A530B219FF33031FE06B0"},
        {"md2", "abcdefghijklmnopqrstuvwxyz", "4E8DDFF3650292AB5A4108C3AA47940B"},
        {"md2", "123456789", "12BD4EFDD922B5C8C7B773F26EF4E35F"},
        {"md4", "", "31D6CFE0D16AE931B73C59D7E0C089C0"},
        {"md4", "abc", "A448017AAF21D8525FC10AE87AA6729D"},
        {"md4", "abcdefghijklmnopqrstuvwxyz", "D79E1C308AA5BBCDEEA8ED63DF412DA9"},
        {"md5", "", "D41D8CD98F00B204E9800998ECF8427E"},
        {"md5", "123456789", "25F9E794323B453885F5181F1B624D0B"},
        {"md5", "abc", "900150983CD24FB0D6963F7D28E17F72"},
        {"md5", "abcdefghijklmnopqrstuvwxyz", "C3FCD3D76192E4007DFB496CCA67E13B"},
        {"ripemd128", "", "CDF26213A150DC3ECB610F18F6B38B46"},
        {"ripemd128", "a", "86BE7AFA339D0FC7CFC785E72F578D33"},
        {"ripemd128", "abcdefghijklmnopqrstuvwxyz", "FD2AA607F71DC8F510714922B371834E"},
        {"ripemd160", "", "9C1185A5C5E9FC54612808977EE8F548B2258D31"},
        {"ripemd160", "a", "0BDC9D2D256B3EE9DAAE347BE6F4DC835A467FFE"},
        {"ripemd160", "abcdefghijklmnopqrstuvwxyz", "F71C27109C692C1B56BBDCEB5B9D2865B3708DBC"},
        {"sha1", "", "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709"},
        {"sha1", "abc", "A9993E364706816ABA3E25717850C26C9CD0D89D"},
        {"sha1", "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "84983E441C3BD26EBAAE4AA1F95129E5E54670F1"},
        {"sha1", std::string(1000000, 'a'), "34AA973CD4C4DAA4F61EEB2BDBAD27316534016F"},
        {"sha256", std::string(1000000, 'a'),
         "CDC76E5C9914FB9281A1C7E284D73E67F1809A48A497200E046D39CCC7112CD0"},
        {"sha256", "", "E3B0C44298FC1C149AFBF4C8996FB92427AE41E4649B934CA495991B7852B855"},
        {"sha256", "abc", "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD"},
        {"sha384", "",
         "38B060A751AC96384CD9327EB1B1E36A21FDB71114BE07434C0CC7BF63F6E1DA274EDEBFE76F65FBD51AD2F1"
         "4898B95B"},
        {"sha384", "abc",
         "CB00753F45A35E8BB5A03D699AC65007272C32AB0EDED1631A8B605A43FF5BED8086072BA1E7CC2358BAECA1"
         "34C825A7"},
        {"sha512", "",
         "CF83E1357EEFB8BDF1542850D66D8007D620E4050B5715DC83F4A921D36CE9CE47D0D13C5D85F2B0FF8318D2"
         "877EEC2F63B931BD47417A81A538327AF927DA3E"},
        {"sha512", "abc",
         "DDAF35A193617ABACC417349AE20413112E6FA4E89A97EA20A9EEEE64B55D39A2192992A274FC1A836BA3C23"
         "A3FEEBBD454D4423643CE80E2A9AC94FA54CA49F"},
        {"tiger", "", "3293AC630C13F0245F92BBB1766E16167A4E58492DDE73F3"},
        {"tiger", "abc", "2AAB1484E8C158F2BFB8C5FF41B57A525129131C957B5F93"},
        {"tiger", "Tiger - A Fast New Hash Function, by Ross Anderson and Eli Biham",
         "8A866829040A410C729AD23F5ADA711603B3CDD357E4C15E"},
        {"sha512",
         "abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrl"
         "m"
         "nopqrsmnopqrstnopqrstu",
         "8E959B75DAE313DA8CF4F72814FC143F8F7779C6EB9F7FA17299AEADB6889018501D289E4900F7E4331B99DE"
         "C4B5433AC7D329EEB6DD26545E96E55B874BE909"},
        {"haval", "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "C5647FC6C1877FFF96742F27E9266B6874894F41A08F5913033D9D532AEDDB39"},
        {"haval", "", "5981D3F8CCE7F5674752595F4AD24C184BA1C738C986D4D2EDDF2BD86C3F8679"},
        {"haval", "abcdefghijklmnopqrstuvwxyz",
         "1A1DC8099BDAA7F35B4DA4E805F1A28FEE909D8DEE920198185CBCAED8A10A8D"},
    };
    return v;
}

TEST_F(HashFileTest, ResultsOnRealFiles) {
    for (const auto& v : FileVectors()) {
        SCOPED_TRACE(std::string(v.algorithm) + " over " + std::to_string(v.content.size()) +
                     " bytes");
        ProgressLog log;
        const std::string path = Write("f", v.content);
        EXPECT_EQ(Hash(path, v.algorithm, &log), v.expected);
        if (v.content.empty()) {
            EXPECT_TRUE(log.positions.empty()) << "empty files report nothing";
        }
    }
}

TEST_F(HashFileTest, EveryAlgorithmIsCovered) {
    for (const auto& a : AlgorithmTable) {
        bool found = false;
        for (const auto& v : FileVectors())
            found = found || std::string(v.algorithm) == a.Name;
        EXPECT_TRUE(found) << a.Name;
        const std::string path = Write("empty", "");
        EXPECT_EQ(int(Hash(path, a.Name).size()), a.HexLength) << a.Name;
    }
}

struct PositionCase {
    const char* algorithm;
    size_t size;
    std::vector<int64_t> positions;
};

TEST_F(HashFileTest, ProgressPositions) {
    const std::vector<PositionCase> cases = {
        {"crc32", 0, {}},
        {"crc32", 9, {9}},
        {"adler32", 65521, {65521}},
        {"crc64", 65522, {65522, 65522}},
        {"md2", 200000, {65522, 131043, 196564, 200000}},
        {"md5", 16385, {16385, 16385}},
        {"md5", 16384, {16384}},
        {"md5", 40000, {16385, 32769, 40000}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.algorithm) + " " + std::to_string(c.size));
        ProgressLog log;
        Hash(Write("p", testutil::Pattern(c.size)), c.algorithm, &log);
        EXPECT_EQ(log.positions, c.positions);
        for (int64_t s : log.sizes)
            EXPECT_EQ(s, int64_t(c.size));
    }
}

TEST_F(HashFileTest, CancelReply) {
    // 200000 bytes: four calls under the file routines, thirteen under md5.
    const std::string path = Write("c", testutil::Pattern(200000));
    for (const char* algorithm : {"crc32", "adler32", "crc64", "md2", "md5"}) {
        SCOPED_TRACE(algorithm);
        const std::string full = Hash(path, algorithm);
        const int calls = std::string(algorithm) == "md5" ? 13 : 4;
        for (int at : {0, calls - 1}) {
            ProgressLog log;
            log.cancelAt = at;
            EXPECT_EQ(Hash(path, algorithm, &log), "<none>") << "cancel at call " << at;
            EXPECT_EQ(int(log.positions.size()), at + 1) << "nothing is hashed after a cancel";
        }
        for (int32_t reply : {998, 1000, -999}) {
            ProgressLog log;
            log.cancelAt = 0;
            log.cancelReply = reply;
            EXPECT_EQ(Hash(path, algorithm, &log), full) << "reply " << reply;
        }
        ProgressLog silent;
        silent.writeReply = false;
        EXPECT_EQ(Hash(path, algorithm, &silent), full);
        EXPECT_EQ(int(silent.positions.size()), calls);
    }
}

TEST_F(HashFileTest, NoResultWithoutARegularFile) {
    const std::string fifo = (dir_ / "fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string file = Write("f", "abc");
    const std::vector<std::string> paths = {dir_.string(), (dir_ / "missing").string(), fifo,
                                            "/dev/null", ""};
    for (const auto& a : AlgorithmTable) {
        for (const auto& p : paths) {
            ProgressLog log;
            EXPECT_EQ(Hash(p, a.Name, &log), "<none>") << a.Name << " " << p;
            EXPECT_TRUE(log.positions.empty());
        }
    }
    // An unknown id gives no result either, even for a real file.
    for (int32_t id : {-1, 0, 1, 99, 104}) {
        ProgressLog log;
        g_log = &log;
        char out[200] = "x";
        int32_t len = -1;
        HashFile(file.c_str(), id, RecordProgress, out, &len);
        EXPECT_EQ(len, 0) << id;
        EXPECT_TRUE(log.positions.empty());
    }
}

TEST_F(HashFileTest, SymlinkToAFileIsAFile) {
    const std::string file = Write("target", "123456789");
    const fs::path link = dir_ / "link";
    fs::create_symlink(file, link);
    EXPECT_EQ(Hash(link.string(), "crc32"), "CBF43926");
}

TEST_F(HashFileTest, UnreadableFileGivesNoResult) {
    const std::string file = Write("secret", "abc");
    // Root reads every file: hash as an unprivileged user for the length of the test.
    const bool root = ::geteuid() == 0;
    auto hashAsUser = [&](const char* algorithm) {
        if (root) {
            EXPECT_EQ(::seteuid(65534), 0);
        }
        const std::string text = Hash(file, algorithm);
        if (root) {
            EXPECT_EQ(::seteuid(0), 0);
        }
        return text;
    };
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    ASSERT_EQ(hashAsUser("crc32"), "352441C2") << "a readable file must hash as that user";
    fs::permissions(file, fs::perms::none);
    EXPECT_EQ(hashAsUser("md5"), "<none>");
    EXPECT_EQ(hashAsUser("crc32"), "<none>");
}

// A file that shrinks while it is read must not produce a digest over bytes that are not there.
TEST_F(HashFileTest, FileCutShortGivesNoResult) {
    static std::string path;
    path = Write("shrink", testutil::Pattern(300000));
    for (const char* algorithm : {"crc32", "md2", "sha1", "md5"}) {
        SCOPED_TRACE(algorithm);
        std::filesystem::resize_file(path, 300000);
        char out[200];
        int32_t len = -1;
        HashFile(
            path.c_str(), AlgorithmIdFromName(algorithm),
            [](int64_t, int64_t, int32_t*) { ::truncate(path.c_str(), 1000); }, out, &len);
        EXPECT_EQ(len, 0);
    }
}

TEST(AlgorithmIds, NamesAndIds) {
    const std::vector<std::pair<std::string, int32_t>> ids = {
        {"haval", 14},     {"md2", 103},     {"md4", 17},
        {"md5", 16},       {"sha1", 2},      {"sha256", 28},
        {"sha384", 29},    {"sha512", 30},   {"ripemd128", 27},
        {"ripemd160", 10}, {"tiger", 18},    {"crc32", 100},
        {"crc64", 102},    {"adler32", 101}, {"MD5", -1},
        {" md5", -1},      {"md5 ", -1},     {"Md5", -1},
        {"", -1},          {"sha", -1},      {std::string("md5\0x", 5), -1},
    };
    for (const auto& [name, id] : ids)
        EXPECT_EQ(AlgorithmIdFromName(name), id) << name;
    // The table starts with the fourteen, in the order the user sees them.
    std::vector<std::string> order;
    for (size_t i = 0; i < 14 && i < AlgorithmTable.size(); ++i)
        order.push_back(AlgorithmTable[i].Name);
    EXPECT_EQ(order, (std::vector<std::string>{"haval", "md2", "md4", "md5", "sha1", "sha256",
                                               "sha384", "sha512", "ripemd128", "ripemd160",
                                               "tiger", "crc32", "crc64", "adler32"}));
}

// Every row is found by its id and its name, and its hash object (if it has one) is of its id
// and digest size.
TEST(AlgorithmIds, EveryRowIsFoundAndMakesItsOwnObject) {
    for (const TAlgorithmInfo& a : AlgorithmTable) {
        SCOPED_TRACE(a.Name);
        EXPECT_EQ(AlgorithmById(a.Id), &a);
        EXPECT_EQ(AlgorithmIdFromName(a.Name), a.Id);
        const auto object = CreateHashObject(a.Id);
        EXPECT_EQ(object != nullptr, a.MakeObject != nullptr);
        if (!object) continue;
        EXPECT_EQ(object->Id(), a.Id);
        EXPECT_EQ(object->HashSize(), a.HexLength * 4);
    }
    EXPECT_EQ(AlgorithmById(-1), nullptr);
}

TEST(HexText, FixedWidthUpperCase) {
    EXPECT_EQ(LongWordToHex(0), "00000000");
    EXPECT_EQ(LongWordToHex(0x091E01DE), "091E01DE");
    EXPECT_EQ(LongWordToHex(0xFFFFFFFF), "FFFFFFFF");
    EXPECT_EQ(Int64ToHex(0x0000ABCDEF012345ull), "0000ABCDEF012345");
    const uint8_t bytes[] = {0x00, 0x0F, 0xA0, 0xFF};
    EXPECT_EQ(BytesToHex(bytes, 4), "000FA0FF");
    EXPECT_EQ(BytesToHex(bytes, 0), "");
}

TEST(Checksums, Tables) {
    EXPECT_EQ(Crc32Table[0], 0u);
    EXPECT_EQ(Crc32Table[1], 0x77073096u);
    EXPECT_EQ(Crc32Table[128], 0xEDB88320u);
    EXPECT_EQ(Crc32Table[255], 0x2D02EF8Du);
    EXPECT_EQ(Crc64Table[1], 0xB32E4CBE03A75F6Full);
    EXPECT_EQ(Crc64Table[128], 0xC96C5795D7870F42ull);
    EXPECT_EQ(Crc64Table[255], 0xE0ADA17364673F59ull);
    const auto built = BuildCrc64Table();
    EXPECT_TRUE(std::equal(built.begin(), built.end(), Crc64Table));
}

TEST(Checksums, Crc64Continuation) {
    EXPECT_EQ(Crc64Buffer("123456789", 9, 0), 0x995DC9BBDF1939FAull);
    EXPECT_EQ(Crc64Buffer("56789", 5, Crc64Buffer("1234", 4, 0)), 0x995DC9BBDF1939FAull);
    EXPECT_EQ(Crc64String("123456789", 0), 0x995DC9BBDF1939FAull);
    EXPECT_EQ(Crc64String("", 0), 0u);
    uint32_t adler = 1;
    Adler32Update(adler, "x", 0);
    Adler32Update(adler, "x", -5);
    EXPECT_EQ(adler, 1u);
}

// Splits Data at random points (empty pieces and block edges included) and returns the pieces.
std::vector<std::string_view> RandomSplit(std::string_view data, std::mt19937& rng) {
    std::vector<std::string_view> pieces;
    std::uniform_int_distribution<int> kind(0, 5);
    while (!data.empty()) {
        size_t n;
        switch (kind(rng)) {
            case 0:
                n = 0;
                break;
            case 1:
                n = 1;
                break;
            case 2:
                n = 64 - 1 + size_t(rng() % 3);
                break;
            case 3:
                n = 128 * (1 + rng() % 3);
                break;
            case 4:
                n = 16 * (rng() % 4);
                break;
            default:
                n = rng() % 5000;
                break;
        }
        n = std::min(n, data.size());
        pieces.push_back(data.substr(0, n));
        data.remove_prefix(n);
    }
    return pieces;
}

TEST(RandomSplits, EveryAlgorithmGivesTheOnePassResult) {
    std::mt19937 rng(20111005);
    for (size_t size : {0,   1,   15,  16,  17,  55,  56,  63,   64,    65,
                        111, 112, 117, 118, 127, 128, 129, 1000, 16384, 70000}) {
        const std::string data = testutil::Pattern(size);
        for (int round = 0; round < 4; ++round) {
            const auto pieces = RandomSplit(data, rng);
            SCOPED_TRACE("size " + std::to_string(size) + ", " + std::to_string(pieces.size()) +
                         " pieces");

            uint32_t crc = 0xFFFFFFFF, adler = 1;
            uint64_t crc64 = 0;
            TMessageDigest2 md2;
            md2.Start(int64_t(size));
            for (auto p : pieces) {
                crc = Crc32Update(p.data(), int(p.size()), crc);
                Adler32Update(adler, p.data(), int(p.size()));
                crc64 = Crc64Buffer(p.data(), int(p.size()), crc64);
                md2.FeedText(p, false);
            }
            md2.FeedText("", true);
            uint8_t d1[16], d2[16];
            md2.GetDigest(d1);
            TMessageDigest2().DigestText(data, d2);
            EXPECT_EQ(testutil::Hex(d1, 16), testutil::Hex(d2, 16));
            EXPECT_EQ(~crc, ~Crc32Update(data.data(), int(size), 0xFFFFFFFF));
            uint32_t adlerOnce = 1;
            Adler32Update(adlerOnce, data.data(), int(size));
            EXPECT_EQ(adler, adlerOnce);
            EXPECT_EQ(crc64, Crc64Buffer(data.data(), int(size), 0));

            for (const auto& a : AlgorithmTable) {
                auto h = CreateHashObject(a.Id);
                if (!h) continue;  // one of the four file routines
                uint8_t split[64], once[64];
                h->Init();
                for (auto p : pieces)
                    h->Update(p.data(), uint32_t(p.size()));
                h->Final(split);
                h->Init();
                h->Update(data.data(), uint32_t(size));
                h->Final(once);
                const size_t n = size_t(h->HashSize()) / 8;
                EXPECT_EQ(testutil::Hex(split, n), testutil::Hex(once, n)) << a.Name;
            }
        }
    }
}

// Byte-at-a-time reference of the checksums, straight from their definitions, to check the
// sliced and deferred-reduction code on lengths that are not multiples of their strides.
TEST(Checksums, MatchBytewiseDefinitions) {
    for (size_t size : {0, 1, 7, 8, 9, 5551, 5552, 5553, 65521, 100000}) {
        std::string data(size, '\0');
        for (size_t i = 0; i < size; ++i)
            data[i] = char(0xFF - (i * 7) % 256);
        uint32_t crc = 0xFFFFFFFF, s1 = 1, s2 = 0;
        uint64_t crc64 = ~uint64_t(0);
        for (unsigned char b : data) {
            crc = Crc32Table[(crc ^ b) & 0xFF] ^ (crc >> 8);
            crc64 = (crc64 >> 8) ^ Crc64Table[(crc64 ^ b) & 0xFF];
            s1 = (s1 + b) % 65521;
            s2 = (s2 + s1) % 65521;
        }
        uint32_t adler = 1;
        Adler32Update(adler, data.data(), int(size));
        EXPECT_EQ(Crc32Update(data.data(), int(size), 0xFFFFFFFF), crc) << size;
        EXPECT_EQ(Crc64Update(data.data(), int(size), ~uint64_t(0)), crc64) << size;
        EXPECT_EQ(adler, s1 | s2 << 16) << size;
    }
}

struct Md2Vector {
    std::string message;
    const char* digest;
};

TEST(Md2, Rfc1319Suite) {
    const std::vector<Md2Vector> vectors = {
        {"", "8350E5A3E24C153DF2275C9F80692773"},
        {"a", "32EC01EC4A6DAC72C0AB96FB34C0B5D1"},
        {"abc", "DA853B0D3F88D99B30283A69E6DED6BB"},
        {"message digest", "AB4F496BFB2A530B219FF33031FE06B0"},
        {"abcdefghijklmnopqrstuvwxyz", "4E8DDFF3650292AB5A4108C3AA47940B"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "DA33DEF2A42DF13975352846C30338CD"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "D5976F79D83D3A0DC9806C3C66F3EFD8"},
        {"123456789", "12BD4EFDD922B5C8C7B773F26EF4E35F"},
    };
    for (const auto& v : vectors) {
        uint8_t d[16];
        TMessageDigest2().DigestText(v.message, d);
        EXPECT_EQ(TMessageDigest::DigestToHex(d), v.digest) << v.message;
        TMessageDigest2 pieces;
        pieces.Start(int64_t(v.message.size()));
        for (char c : v.message)
            pieces.FeedText(std::string(1, c), false);
        pieces.FeedText("", true);
        pieces.GetDigest(d);
        EXPECT_EQ(TMessageDigest::DigestToHex(d), v.digest) << v.message << " byte by byte";
    }
}

// Fed in 65521-byte pieces, the carry passes through every length from 0 to 15.
TEST(Md2, CarryThroughEveryLength) {
    const std::string data = testutil::Pattern(17 * 65521 + 5);
    uint8_t once[16], pieces[16];
    TMessageDigest2().DigestText(data, once);
    TMessageDigest2 md;
    md.Start(int64_t(data.size()));
    std::string_view rest = data;
    while (rest.size() > 65521) {
        md.FeedText(rest.substr(0, 65521), false);
        rest.remove_prefix(65521);
    }
    md.FeedText(rest, true);
    md.GetDigest(pieces);
    EXPECT_EQ(testutil::Hex(pieces, 16), testutil::Hex(once, 16));
}

// A sparse file over 4 GiB: every byte is hashed and positions pass 2^32. Slow (a few seconds).
TEST_F(HashFileTest, SlowSparseFileOver4GiB) {
    const int64_t size = (int64_t(1) << 32) + 196570;
    const std::string path = (dir_ / "sparse").string();
    {
        const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0600);
        ASSERT_GE(fd, 0);
        const char tail[] = "Quernix sparse tail";
        ASSERT_EQ(::pwrite(fd, tail, sizeof tail - 1, (int64_t(1) << 32) + 1000),
                  ssize_t(sizeof tail - 1));
        ASSERT_EQ(::ftruncate(fd, size), 0);
        ::close(fd);
    }
    ProgressLog log;
    // The expected value was computed independently over the same bytes (zlib's crc32).
    EXPECT_EQ(Hash(path, "crc32", &log), "81F1E7FF");
    ASSERT_EQ(int64_t(log.positions.size()), (size + 65520) / 65521);
    EXPECT_EQ(log.positions.back(), size);
    EXPECT_GT(log.positions[log.positions.size() - 2], int64_t(1) << 32);
    for (int64_t s : log.sizes)
        ASSERT_EQ(s, size);
}

}  // namespace

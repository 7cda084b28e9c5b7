#include <gtest/gtest.h>

#include "DCPmd5.h"
#include "hash_test_util.h"

TEST(Md5, Vectors) {
    TDCP_md5 h;
    EXPECT_EQ(testutil::Digest(h, ""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(testutil::Digest(h, "abc"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_TRUE(h.SelfCheck());
}

// CreateHashObject: the one place that maps an algorithm id to its hash object class.
#include "DCPblake3.h"
#include "DCPhaval.h"
#include "DCPmd4.h"
#include "DCPmd5.h"
#include "DCPripemd128.h"
#include "DCPripemd160.h"
#include "DCPsha1.h"
#include "DCPsha256.h"
#include "DCPsha512.h"
#include "DCPtiger.h"
#include "hashhead.h"

std::unique_ptr<TDCP_hash> CreateHashObject(int32_t AlgorithmId) {
    switch (AlgorithmId) {
        case TDCP_md4::kId:
            return std::make_unique<TDCP_md4>();
        case TDCP_md5::kId:
            return std::make_unique<TDCP_md5>();
        case TDCP_sha1::kId:
            return std::make_unique<TDCP_sha1>();
        case TDCP_sha256::kId:
            return std::make_unique<TDCP_sha256>();
        case TDCP_sha384::kId:
            return std::make_unique<TDCP_sha384>();
        case TDCP_sha512::kId:
            return std::make_unique<TDCP_sha512>();
        case TDCP_ripemd128::kId:
            return std::make_unique<TDCP_ripemd128>();
        case TDCP_ripemd160::kId:
            return std::make_unique<TDCP_ripemd160>();
        case TDCP_tiger::kId:
            return std::make_unique<TDCP_tiger>();
        case TDCP_haval::kId:
            return std::make_unique<TDCP_haval>();
        case TDCP_blake3::kId:
            return std::make_unique<TDCP_blake3>();
        default:
            return nullptr;
    }
}

// CreateHashObject: the one place that maps an algorithm id to its hash object class.
#include "DCPblake2.h"
#include "DCPhaval.h"
#include "DCPmd4.h"
#include "DCPmd5.h"
#include "DCPripemd128.h"
#include "DCPripemd160.h"
#include "DCPsha1.h"
#include "DCPsha256.h"
#include "DCPsha3.h"
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
        // SHA-3, SHA-224 and BLAKE2
        case TDCP_sha3_224::kId:
            return std::make_unique<TDCP_sha3_224>();
        case TDCP_sha3_256::kId:
            return std::make_unique<TDCP_sha3_256>();
        case TDCP_sha3_384::kId:
            return std::make_unique<TDCP_sha3_384>();
        case TDCP_sha3_512::kId:
            return std::make_unique<TDCP_sha3_512>();
        case TDCP_sha224::kId:
            return std::make_unique<TDCP_sha224>();
        case TDCP_blake2b::kId:
            return std::make_unique<TDCP_blake2b>();
        case TDCP_blake2s::kId:
            return std::make_unique<TDCP_blake2s>();
        default:
            return nullptr;
    }
}

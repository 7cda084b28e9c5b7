// CreateHashObject: the one place that maps an algorithm id to its hash object class.
#include "DCPmd4.h"
#include "DCPmd5.h"
#include "DCPripemd128.h"
#include "DCPripemd160.h"
#include "hashhead.h"

std::unique_ptr<TDCP_hash> CreateHashObject(int32_t AlgorithmId) {
    switch (AlgorithmId) {
        case TDCP_md4::kId:
            return std::make_unique<TDCP_md4>();
        case TDCP_md5::kId:
            return std::make_unique<TDCP_md5>();
        case TDCP_ripemd128::kId:
            return std::make_unique<TDCP_ripemd128>();
        case TDCP_ripemd160::kId:
            return std::make_unique<TDCP_ripemd160>();
        default:
            return nullptr;
    }
}
